// Layout of forms on the character grid and in pixels, the screen-size option, control ids and
// scroll arithmetic.
#include <gtest/gtest.h>

#include <string>

#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "tests/support/text.h"
#include "tests/ui/form_test_support.h"
#include "ui/form_definition.h"
#include "ui/form_layout.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class FormLayoutTest : public ui_test::FormTest {
protected:
    // Reads and lays out a definition (with a title) under the given flags.
    void Lay(const std::string& title, const std::string& definition, uint16_t flags = 0, bool buttons = false) {
        ASSERT_EQ(FormRead(form_, V(title), V(definition)), 0) << definition;
        ASSERT_EQ(FormLayout(form_, flags, buttons, current_), 0) << definition;
    }
    struct Place { uint16_t row, col, labelRow, labelCol, cells; };
    void Expect(const Place* places) {
        for (uint16_t i = 0; i < form_.fieldCount; ++i) {
            const FormField& f = form_.fields[i];
            EXPECT_EQ(f.row, places[i].row) << "field " << i + 1;
            EXPECT_EQ(f.col, places[i].col) << "field " << i + 1;
            EXPECT_EQ(f.labelRow, places[i].labelRow) << "field " << i + 1;
            EXPECT_EQ(f.labelCol, places[i].labelCol) << "field " << i + 1;
            EXPECT_EQ(f.cells, places[i].cells) << "field " << i + 1;
        }
    }
    Form form_;
    FormGrid current_{80, 24, {0, 0, 0, 0}, 0};
};

}  // namespace

TEST_F(FormLayoutTest, PreferencesPanel) {
    const std::string panel = Str(Message(135));
    Lay("Panel", panel.substr(panel.find('-') + 1));
    // Longest label "Comprobar actualizaciones ahora:" (32): inputs at column 33. The time field
    // goes on the date's row, its label 12 columns right of the input column and its input after
    // the label; "Usar SSH:" takes the row above its own.
    const Place places[] = {{1, 33, 1, 1, 1}, {2, 33, 2, 1, 80}, {3, 33, 3, 1, 80}, {4, 33, 4, 1, 8},
                            {4, 47, 4, 45, 8}, {5, 33, 5, 1, 1}, {7, 33, 7, 1, 1}};
    Expect(places);
    EXPECT_EQ(form_.fields[0].control, FieldControl::EditRight);
    EXPECT_EQ(form_.fields[1].control, FieldControl::Edit);
    EXPECT_EQ(form_.grid.columns, 112);
    EXPECT_EQ(form_.grid.rows, 9);
    EXPECT_EQ(form_.okRow, 9);
    EXPECT_EQ(form_.okCol, 51);
    const uint16_t margins[4] = {2, 1, 2, 2};
    EXPECT_TRUE(std::equal(margins, margins + 4, form_.grid.margins));

    Lay("Panel", panel.substr(panel.find('-') + 1), 0, true);
    EXPECT_EQ(form_.fields[0].control, FieldControl::CheckButton) << "bit 16 of _AUXSTAT";
    EXPECT_EQ(form_.fields[0].cells, 4);
}

TEST_F(FormLayoutTest, ConfigurationFormInPixels) {
    Lay("Configuraci\xf3n", Str(Message(139)) + " /FLDBUTTONS$=\",,PATH\"");
    const Place places[] = {{1, 22, 1, 1, 30}, {2, 22, 2, 1, 60}, {3, 22, 3, 1, 60}};
    Expect(places);
    EXPECT_EQ(form_.grid.columns, 84) << "the folder button needs three columns";
    EXPECT_EQ(form_.grid.rows, 5);

    // The start-up font: cell 10 x 22, font height 16.
    const CellMetrics cell{10, 22, 16};
    const FormField& folder = form_.fields[2];
    const PixelRect input = FieldInputRect(form_.grid, cell, folder);
    EXPECT_EQ(input.x, (2 + 22 - 1) * 10 - 2) << "a sunken edge moves the input a quarter cell left";
    EXPECT_EQ(input.y, (1 + 3 - 1) * 22);
    EXPECT_EQ(input.width, 600);
    EXPECT_EQ(input.height, 22);
    const PixelRect button = FieldButtonRect(form_.grid, cell, folder);
    EXPECT_EQ(button.x, input.x + input.width + 5);
    EXPECT_EQ(button.width, 20);
    EXPECT_EQ(button.y, input.y);
    const PixelRect label = FieldLabelRect(form_.grid, cell, folder);
    EXPECT_EQ(label.x, 20);
    EXPECT_EQ(label.x + label.width, input.x) << "the longest label ends where its input begins";
    const FormField& name = form_.fields[0];
    EXPECT_EQ(FieldLabelRect(form_.grid, cell, name).width, name.label.len * 10) << "a shorter label keeps its cells";
    const PixelRect ok = OkButtonRect(form_, cell);
    EXPECT_EQ(ok.x, (2 + 37 - 1) * 10);
    EXPECT_EQ(ok.y, (1 + 5 - 1) * 22);
    EXPECT_EQ(ok.width, 120);
    const PixelRect client = FormClientRect(form_.grid, cell);
    EXPECT_EQ(client.width, (2 + 84 + 2) * 10);
    EXPECT_EQ(client.height, (1 + 5 + 2) * 22);
    EXPECT_LE(button.x + button.width, client.width) << "nothing is cut at the right";
    EXPECT_LE(ok.y + ok.height, client.height);

    const CellMetrics big{10, 22, 30};
    EXPECT_EQ(FieldInputRect(form_.grid, big, folder).height, 22) << "never higher than a line";
    const CellMetrics small{10, 22, 8};
    EXPECT_EQ(FieldInputRect(form_.grid, small, folder).height, 16) << "font height + 8";
}

TEST_F(FormLayoutTest, PositionsAndLineLayout) {
    Lay("T,una l\xednea", "'ab':'A2','{3,5}cd':'S4','{+1,-1}e':'A1','f':'N3'/ROW=9/COL=20,'{-9,}g':'A0'");
    // One fixed line pushes the fields down one row; input column 3.
    const Place places[] = {{2, 3, 2, 1, 2}, {3, 7, 3, 5, 4}, {5, 3, 5, 2, 1}, {9, 20, 9, 1, 3}, {1, 3, 1, 1, 0}};
    Expect(places);
    EXPECT_EQ(form_.fields[1].control, FieldControl::Combo);
    const CellMetrics cell{10, 22, 16};
    EXPECT_EQ(FieldInputRect(form_.grid, cell, form_.fields[1]).height, 5 * 22);
    EXPECT_EQ(FieldInputRect(form_.grid, cell, form_.fields[4]).width, 15) << "an input is at least 15 pixels wide";

    Lay("T", "'A':'A5','B':'N3','C':'D10','':'Q'", kFormLineLayout);
    const Place line[] = {{2, 2, 1, 2, 5}, {2, 8, 1, 8, 3}, {2, 12, 1, 12, 8}, {2, 21, 1, 21, 0}};
    Expect(line);
    EXPECT_EQ(form_.fields[3].control, FieldControl::None);
}

TEST_F(FormLayoutTest, ScreenSizeOptionAndMargins) {
    struct Case { const char* option; uint16_t flags; uint16_t columns, rows, m0, m1, spacing; };
    const Case cases[] = {
        {"", kFormScreenSize, 12, 3, 2, 1, 0},
        {" /SCREENSIZE$=\"100,-1,1,0,1,0,50\"", kFormScreenSize, 100, 24, 1, 0, 50},
        {" /SCREENSIZE$=\"100,-1\"", 0, 12, 3, 2, 1, 0},                      // without 0x40
        {" /SCREENSIZE$=\"5,1\"", kFormScreenSize, 12, 3, 2, 1, 0},          // never smaller than the fields
        {" /SCREENSIZE$=\",40\"", kFormScreenSize | kFormKeepMargins, 12, 40, 7, 7, 0},
    };
    current_.margins[0] = current_.margins[1] = 7;
    for (const Case& c : cases) {
        Lay("T", std::string("'x':'A1'") + c.option, c.flags);
        EXPECT_EQ(form_.grid.columns, c.columns) << c.option;
        EXPECT_EQ(form_.grid.rows, c.rows) << c.option;
        EXPECT_EQ(form_.grid.margins[0], c.m0) << c.option;
        EXPECT_EQ(form_.grid.margins[1], c.m1) << c.option;
        EXPECT_EQ(form_.grid.spacing, c.spacing) << c.option;
    }
    const char* refused[] = {" /SCREENSIZE$=\"x\"", " /SCREENSIZE$=\"1000\"", " /SCREENSIZE$=\"10,10,1,1,1,1,401\"",
                             " /SCREENSIZE$=\"10,10,100\"", " /SCREENSIZE$=\"-2\""};
    for (const char* option : refused) {
        ASSERT_EQ(FormRead(form_, T("T"), V(std::string("'x':'A1'") + option)), 0);
        EXPECT_EQ(FormLayout(form_, kFormScreenSize, false, current_), 163) << option;
    }

    const CellMetrics cell{10, 20, 16};
    FormGrid spaced;
    spaced.spacing = 50;
    EXPECT_EQ(RowPitch(spaced, cell), 30);
    EXPECT_EQ(GridRect(spaced, cell, 3, 1, 1).y, 2 * 30);
}

TEST_F(FormLayoutTest, ControlIds) {
    Lay("T", "'ab':'A2'");
    EXPECT_EQ(FixedTextId(form_.grid, 1, 1), 4300 + 1 + 1 * form_.grid.columns);
    EXPECT_NE(FixedTextId(form_.grid, 1, form_.grid.columns), FixedTextId(form_.grid, 2, 1));

    const char* tooLarge[] = {"'x':'A1'/ROW=300/COL=300",  // fixed-text ids would pass 0xFFFF
                              "'x':'A999'/COL=500",         // a field past the last column
                              "'x':'A1'/ROW=998"};
    for (const char* definition : tooLarge) {
        ASSERT_EQ(FormRead(form_, T("T"), T(definition)), 0);
        EXPECT_EQ(FormLayout(form_, 0, false, current_), 163) << definition;
        EXPECT_EQ(Str(ErrorDetail()), "form too large");
    }
}

TEST(FormScrollTest, Steps) {
    struct Case { int32_t position, range; uint16_t request; int32_t track, want; };
    const Case cases[] = {
        {10, 100, kScrollLineUp, 0, 8},     {10, 100, kScrollLineDown, 0, 12},
        {10, 100, kScrollPageUp, 0, 0},     {10, 100, kScrollPageDown, 0, 32},
        {10, 100, kScrollThumbTrack, 77, 77}, {10, 100, kScrollThumbTrack, 500, 100},
        {10, 100, kScrollTop, 0, 0},        {10, 100, kScrollBottom, 0, 100},
        {10, 100, kScrollThumbPosition, 50, 10}, {10, 100, 8, 50, 10},
        {99, 100, kScrollPageDown, 0, 100}, {0, 0, kScrollLineDown, 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ScrollStep(c.position, c.range, c.request, 22, c.track), c.want) << c.request;
    EXPECT_EQ(ScrollRange(500, 300), 200);
    EXPECT_EQ(ScrollRange(300, 500), 0) << "no bar when the content fits";
    EXPECT_EQ(ScrollToShow(0, 300, 500, 400, 422), 122);
    EXPECT_EQ(ScrollToShow(200, 300, 500, 100, 122), 100);
    EXPECT_EQ(ScrollToShow(200, 300, 500, 250, 272), 200);
    EXPECT_EQ(ScrollToShow(0, 300, 100, 600, 622), 100) << "never past the range";
    EXPECT_EQ(ScrollToShow(0, 300, 1000, 100, 500), 100) << "an item taller than the view shows its start";
}
