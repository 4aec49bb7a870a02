// Reading form definitions: fields and parts, the ';' spelling, positions, targets, options, and
// user values that must neither split a field, add one nor change an option.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "tests/support/text.h"
#include "tests/ui/form_test_support.h"
#include "ui/form_definition.h"
#include "ui/form_value.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class FormDefinitionTest : public ui_test::FormTest {
protected:
    void TearDown() override {
        SetRunParam(kParamDefaultColours, StrEmpty());
        FormTest::TearDown();
    }
    // Catalogue definition n with its markers filled by values.
    static std::string Filled(uint16_t n, const std::vector<std::string>& values, const std::string& tail = "") {
        std::vector<StrRef> refs;
        for (const std::string& v : values) refs.push_back(V(v));
        const uint16_t mark = PoolMark();
        std::string text = Str(FormFill(Message(n), refs.data(), static_cast<uint16_t>(refs.size()))) + tail;
        PoolRelease(mark);
        return text;
    }
};

}  // namespace

TEST_F(FormDefinitionTest, UserValuesNeverSplitAFieldOrChangeAnOption) {
    for (const std::string& v : ui_test::HostileValues()) {
        Form form;
        const std::string config = Filled(139, {v, v, v}, " /FLDBUTTONS$=\",,PATH\"");
        ASSERT_EQ(AcceptWinSelect(form, T("Configuraci\xf3n"), V(config), 0x4040), 0) << config;
        ASSERT_EQ(form.fieldCount, 3) << config;
        for (uint16_t i = 0; i < 3; ++i) {
            EXPECT_EQ(Str(form.fields[i].initial), v) << config;
            EXPECT_EQ(form.fields[i].type, 'A');
            EXPECT_EQ(form.fields[i].button, i == 2 ? FieldButton::Path : FieldButton::None) << config;
        }
        EXPECT_EQ(Str(form.fields[1].label), "Origen de datos:");
        EXPECT_EQ(Str(FormOption(form, "FD$")), "_SCRF1$,_SCRF2$,_SCRF3$") << config;
        EXPECT_EQ(Str(RunParam(kParamFormOptions)), "FD$=\"_SCRF1$,_SCRF2$,_SCRF3$\":FLDBUTTONS$=\",,PATH\"");

        const std::string panel = Filled(135, {v, v, v, v, v, v});
        const std::string body = panel.substr(panel.find('-') + 1);
        ASSERT_EQ(FormRead(form, T("Panel"), V(body)), 0) << body;
        ASSERT_EQ(form.fieldCount, 7) << body;
        for (uint16_t i = 0; i < 6; ++i) EXPECT_EQ(Str(form.fields[i].initial), v) << body;
        EXPECT_EQ(Str(form.fields[6].initial), "0");
        EXPECT_EQ(Str(form.options), "") << body;
    }
}

TEST_F(FormDefinitionTest, FieldsAndParts) {
    struct Case {
        const char* definition;
        const char* label;
        char type;
        uint16_t width;
        const char* target;
        const char* initial;
        bool initialGiven;
        const char* store;
    };
    const Case cases[] = {
        {"'Servidor:':'A30'::%s", "Servidor:", 'A', 30, "", "%s", true, ""},
        {"'a';'N5';X;'7'", "a", 'N', 5, "X", "7", true, ""},            // older ';' spelling
        {"'a:b';'A3';;'x;y'", "a:b", 'A', 3, "", "x;y", true, ""},      // ':' and ';' in quotes do not count
        {"NOMBRE$:'A10'", "NOMBRE$", 'A', 10, "NOMBRE$", "", false, ""}, // a bare name is the target
        {"Nombre y apellido:'A10'", "Nombre y apellido", 'A', 10, "", "", false, ""},
        {"'x':'A3':A$(2;I+1)", "x", 'A', 3, "", "", false, "A$(2;I+1)"},
        {"'x':'L1'::'':FLAG", "x", 'L', 1, "", "", true, "FLAG"},
        {"'Recordar (S/N):':'L1'", "Recordar (S/N):", 'L', 1, "", "", false, ""},
        {"'solo texto'", "solo texto", 'Q', 0, "", "", false, ""},
        {"'{-1,+12}a ':'T8'::'[$5]'", "a ", 'T', 8, "", "[$5]", true, ""},
        {"'x}y':'A1'", "x}y", 'A', 1, "", "", false, ""},               // only a leading position is one
        {"\"it's\":'A3'::'a'+\"'\"", "it's", 'A', 3, "", "a'", true, ""},
    };
    for (const Case& c : cases) {
        Form form;
        ASSERT_EQ(FormRead(form, T("T"), T(c.definition)), 0) << c.definition;
        ASSERT_EQ(form.fieldCount, 1) << c.definition;
        const FormField& f = form.fields[0];
        EXPECT_EQ(Str(f.label), c.label) << c.definition;
        EXPECT_EQ(f.type, c.type) << c.definition;
        EXPECT_EQ(f.width, c.width) << c.definition;
        EXPECT_EQ(Str(f.target), c.target) << c.definition;
        EXPECT_EQ(Str(f.initial), c.initial) << c.definition;
        EXPECT_EQ(f.initialGiven, c.initialGiven) << c.definition;
        EXPECT_EQ(Str(f.store), c.store) << c.definition;
        EXPECT_EQ(Str(f.text), c.definition);
    }
}

TEST_F(FormDefinitionTest, PositionsInBracesAndAfterRowAndCol) {
    using K = GridRequest::Kind;
    struct Case { const char* definition; K rowKind; int rowValue; K colKind; int colValue; uint16_t row, col; };
    const Case cases[] = {
        {"'{}x':'A1'", K::Keep, 0, K::Keep, 0, 0, 0},
        {"'{,}x':'A1'", K::Keep, 0, K::Keep, 0, 0, 0},
        {"'{-1,}x':'A1'", K::Add, -1, K::Keep, 0, 0, 0},
        {"'{ +2 , 5 }x':'A1'", K::Add, 2, K::Absolute, 5, 0, 0},
        {"'{0,0}x':'A1'", K::Keep, 0, K::Keep, 0, 0, 0},
        {"'x':'A1'/ROW=3/COL:7", K::Keep, 0, K::Keep, 0, 3, 7},
        {"'x':'A1'/COL=12", K::Keep, 0, K::Keep, 0, 0, 12},
        {"'a/ROW=9':'A1'::'/COL=4'", K::Keep, 0, K::Keep, 0, 0, 0},  // in quotes they are text
    };
    for (const Case& c : cases) {
        Form form;
        ASSERT_EQ(FormRead(form, T("T"), T(c.definition)), 0) << c.definition;
        const FormField& f = form.fields[0];
        EXPECT_EQ(f.rowRequest.kind, c.rowKind) << c.definition;
        EXPECT_EQ(f.rowRequest.value, c.rowValue) << c.definition;
        EXPECT_EQ(f.colRequest.kind, c.colKind) << c.definition;
        EXPECT_EQ(f.colRequest.value, c.colValue) << c.definition;
        EXPECT_EQ(f.fixedRow, c.row) << c.definition;
        EXPECT_EQ(f.fixedCol, c.col) << c.definition;
    }
}

TEST_F(FormDefinitionTest, DefinitionsThatDoNotReadAreRefusedWithTheFieldText) {
    const char* refused[] = {
        "'a':'A1','b':'A2':X:'v':S$:extra",  // six parts
        "'a':'A1',,'b':'A1'",                // an empty field
        "'a':'3A'", "'a':'A1000'", "'a':'A-1'", "'a':'a1'",
        "'{a,1}x':'A1'", "'{1,2,3}x':'A1'", "'{1,2x':'A1'", "'{1000}x':'A1'",
        "'x':'A1'/ROW", "'x':'A1'/ROW=", "'x':'A1'/ROW=0", "'x':'A1'/COL=5x", "'x':'A1'/ROW=1000",
        "'x':'A1':'a b'", "'x':'A1':X=1", "'x':'A1':::'B$ && C'", "'x':'A1':A$(')')",
        "'x':'A1':N%",  // '%' is an operator: "N%=..." would not assign N%
        "'x':'A1':A(1)+B(2)",  // two elements and an operator, not one element
        "'x':'A1' /FD$=\"A B\"",
    };
    for (const char* definition : refused) {
        Form form;
        RecordError(0, 0);
        EXPECT_EQ(FormRead(form, T("T"), T(definition)), 163) << definition;
        EXPECT_EQ(form.fieldCount, 0) << "a refused definition leaves no fields";
        EXPECT_EQ(LastError().code, 163);
    }
    Form form;
    ASSERT_EQ(FormRead(form, T("T"), T("'a':'A1','b':'A2':X:'v':S$:extra")), 163);
    EXPECT_EQ(Str(ErrorDetail()), "'b':'A2':X:'v':S$:extra") << "the field's text is the detail";
}

// Each limit from both sides: the last value read, the first refused.
TEST_F(FormDefinitionTest, LimitsFromBothSides) {
    const auto repeated = [](int n, const std::string& piece, const std::string& first) {
        std::string s = first;
        for (int i = 0; i < n; ++i) s += (i || !first.empty() ? "," : "") + piece;
        return s;
    };
    const std::string field = "'x':'A1'";
    struct Case { std::string title, definition; ErrCode result; uint16_t fields, lines; };
    const Case cases[] = {
        {"T", repeated(kMaxFormFields, field, ""), 0, kMaxFormFields, 0},
        {"T", repeated(kMaxFormFields + 1, field, ""), 163, 0, 0},
        {"T", repeated(kMaxChoiceLists, "'x':'S5'", field), 0, kMaxChoiceLists + 1, 0},
        {"T", repeated(kMaxChoiceLists + 1, "'x':'S5'", field), 163, 0, 0},
        {repeated(kMaxFormLines, "l", "T"), field, 0, 1, kMaxFormLines},
        {repeated(kMaxFormLines + 1, "l", "T"), field, 163, 0, 0},
        {"T", field + ":" + std::string(64, 'N'), 0, 1, 0},  // a target name of 64 characters
        {"T", field + ":" + std::string(65, 'N'), 163, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.definition.substr(0, 24) + "... (" + std::to_string(c.definition.size()) + " bytes), title of " +
                     std::to_string(c.title.size()));
        Form form;
        EXPECT_EQ(FormRead(form, V(c.title), V(c.definition)), c.result);
        EXPECT_EQ(form.fieldCount, c.fields);
        EXPECT_EQ(form.lineCount, c.lines);
    }
}

TEST_F(FormDefinitionTest, TitleLines) {
    Form form;
    ASSERT_EQ(FormRead(form, T("Acceso,l\xednea uno,'a,b'"), T("'x':'A1'")), 0);
    EXPECT_EQ(Str(form.title), "Acceso");
    ASSERT_EQ(form.lineCount, 2);
    EXPECT_EQ(Str(form.lines[0]), "l\xednea uno");
    EXPECT_EQ(Str(form.lines[1]), "a,b");
    ASSERT_EQ(FormRead(form, StrMake("T,1\0x,y", 7), T("'x':'A1'")), 0);
    EXPECT_EQ(Str(form.title), "T,1") << "a NUL in the title separates instead of the comma";
    ASSERT_EQ(form.lineCount, 1);
    EXPECT_EQ(Str(form.lines[0]), "x,y");
    ASSERT_EQ(FormRead(form, T(""), T("")), 0);
    EXPECT_EQ(form.fieldCount, 0);
    EXPECT_EQ(Str(form.optionText), "FD$=\"\":");
}

TEST_F(FormDefinitionTest, Options) {
    const auto quote = [](const std::string& s) { return Str(FormQuote(V(s))); };
    // Three levels: each choice, the field's choice list, the option's list of choice lists.
    const std::string menu = quote(quote(quote("uno, 'dos'") + "," + quote("x")) + ",");
    const std::string definition =
        "'a':'A1','b':'N5':X,'c':'D8','d':'S9','e':'P3'"
        " /FD$=\"P$,,,Q$\":FLDBUTTONS$=\"file,Path,COLOR,FONT,xyz\":MENU$=" + std::string("\",,'z,''',\"") +
        ":SCRCOLORS$=\"black;yellow,;red,'blue';\":ALARM$=\",,,,'1'\":FD$=\"Z$\"";
    Form form;
    ASSERT_EQ(FormRead(form, T("T"), V(definition)), 0) << definition;
    ASSERT_EQ(form.fieldCount, 5);
    const char* variables[] = {"P$", "X", "_SCRF3$", "Q$", "_SCRF5$"};
    const FieldButton buttons[] = {FieldButton::File, FieldButton::Path, FieldButton::Colour, FieldButton::Font, FieldButton::None};
    for (uint16_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Str(form.fields[i].variable), variables[i]) << i;
        EXPECT_EQ(form.fields[i].button, buttons[i]) << i;
    }
    EXPECT_EQ(Str(form.optionText).substr(0, 33), "FD$=\"P$,X,_SCRF3$,Q$,_SCRF5$\":FD$") << "the completed FD$ comes first";
    EXPECT_EQ(Str(FormOption(form, "FD$")), "P$,X,_SCRF3$,Q$,_SCRF5$");
    EXPECT_EQ(Str(FormOptionEntry(form, "ALARM$", 5)), "1");
    EXPECT_EQ(Str(FormOption(form, "ON_CANCEL$")), "");
    EXPECT_EQ(Str(form.fields[0].textColour), "black");
    EXPECT_EQ(Str(form.fields[0].backColour), "yellow");
    EXPECT_EQ(Str(form.fields[1].textColour), "");
    EXPECT_EQ(Str(form.fields[1].backColour), "red");
    EXPECT_EQ(Str(form.fields[2].textColour), "blue");
    EXPECT_EQ(Str(form.windowColour), "yellow");

    // A choice list built with FormQuote keeps commas and quotes inside its choices.
    const std::string withMenu = "'d':'S9' /MENU$=" + menu;
    ASSERT_EQ(FormRead(form, T("T"), V(withMenu)), 0) << withMenu;
    ASSERT_EQ(FieldChoiceCount(form.fields[0]), 2) << Str(form.fields[0].choices);
    EXPECT_EQ(Str(FieldChoice(form.fields[0], 1)), "uno, 'dos'");
    EXPECT_EQ(Str(FieldChoice(form.fields[0], 2)), "x");

    ASSERT_EQ(SetRunParam(kParamDefaultColours, T("white;blue")), 0);
    ASSERT_EQ(FormRead(form, T("T"), T("'a':'A1'")), 0);
    EXPECT_EQ(Str(form.fields[0].textColour), "white") << "without SCRCOLORS$ the default setting applies";
    EXPECT_EQ(Str(form.windowColour), "blue");
}
