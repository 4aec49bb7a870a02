// A running form driven key by key: moving between fields, confirming, the ALARM$ check, Escape
// and the close box, caller handlers, help and choosers, and reaching every field of a form
// larger than its window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "script/expr_eval.h"
#include "runtime/number_text.h"
#include "tests/support/text.h"
#include "tests/ui/form_test_support.h"
#include "ui/form_actions.h"
#include "ui/form_keys.h"
#include "ui/form_layout.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class FormActionsTest : public ui_test::FormTest {
protected:
    void Start(const std::string& definition) {
        ASSERT_EQ(FormRead(form_, T("T"), V(definition)), 0) << definition;
        ASSERT_EQ(FormLayout(form_, 0, false, FormGrid{}), 0);
        FormSessionStart(session_, form_);
    }
    // A key pressed in the focused field, as its edit procedure passes it on.
    FormOutcome Press(uint16_t vk) {
        const KeyDown down = EditKeyDown(keys_, vk);
        if (!down.action) return FormOutcome{};
        return FormDispatch(session_, FieldInputId(static_cast<uint16_t>(session_.current + 1)), down.action);
    }
    FormOutcome ShiftTab() {
        EditKeyDown(keys_, kVkShift);
        const FormOutcome out = Press(kVkTab);
        EditKeyUp(keys_, kVkShift);
        return out;
    }
    FormOutcome Window(uint8_t action, uint8_t argument = 0) {
        return FormDispatch(session_, 0, ActionWord(action, argument));
    }
    Form form_;
    FormSession session_;
    EditKeys keys_;
};

std::vector<uint16_t> gSeen;
uint16_t Recording(FormSession& s, uint16_t word) {
    gSeen.push_back(word);
    if (ActionOf(word) == kActCommand) return ArgumentOf(word);  // the command's number as the result
    return ScreenActionWinDefault(s, word);
}
uint16_t KeepOpen(FormSession&, bool) { return 0; }

}  // namespace

TEST_F(FormActionsTest, MovingBetweenFields) {
    Start("'a':'A3','solo texto','c':'N3','d':'R9','e':'L1'");
    EXPECT_EQ(session_.current, 0);
    EXPECT_EQ(IntGet(kSysLastKey), kKeyOther);
    struct Step { int vk; FormStep step; uint16_t field; };
    const Step steps[] = {
        {kVkTab, FormStep::Focus, 2},     // the text-only field takes no focus
        {kVkDown, FormStep::Focus, 4},    // nor does the read-only rich text
        {-1, FormStep::Focus, 2},         // Shift+Tab
        {kVkUp, FormStep::Focus, 0},
        {kVkUp, FormStep::None, 0},       // nothing before the first field
        {kVkReturn, FormStep::Focus, 2},
    };
    for (const Step& s : steps) {
        const FormOutcome out = s.vk < 0 ? ShiftTab() : Press(static_cast<uint16_t>(s.vk));
        EXPECT_EQ(out.step, s.step) << s.vk;
        EXPECT_FALSE(out.close);
        if (s.step == FormStep::Focus) {
            EXPECT_EQ(out.field, s.field) << s.vk;
        }
        EXPECT_EQ(session_.current, s.field) << s.vk;
    }
    FormDispatch(session_, FieldInputId(5), ActionWord(kActFocus, 0));
    EXPECT_EQ(session_.current, 4) << "a click gives the focus to the field";
    FormDispatch(session_, FieldInputId(2), ActionWord(kActFocus, 0));
    EXPECT_EQ(session_.current, 4) << "a field without input is never current";
}

TEST_F(FormActionsTest, EnterOnTheLastFieldConfirmsUnlessAlarmRefuses) {
    Start("'a':'A3','b':'A3' /ALARM$=\",CHECK\"");
    struct Case { int16_t check; bool closes; uint16_t result; };
    const Case cases[] = {{1, false, 0}, {130, false, 130}, {0, true, 0}};
    for (const Case& c : cases) {
        FormSessionStart(session_, form_);
        IntSet(kSysLastKey, kKeyOther);
        ASSERT_EQ(VarSetNumber(T("CHECK"), NumberFromInt16(c.check)), 0);
        EXPECT_FALSE(Press(kVkTab).close);
        const FormOutcome out = Press(kVkReturn);
        EXPECT_EQ(out.close, c.closes) << c.check;
        EXPECT_EQ(out.result, c.result) << c.check << ": an ErrCode is shown, other refusals are silent";
        EXPECT_EQ(IntGet(kSysLastKey), kKeyEnter);
    }
    // The window then closes; the form is ending, so the close request keeps the accepting key.
    const FormOutcome closing = Window(kActCloseBox);
    EXPECT_TRUE(closing.close);
    EXPECT_EQ(IntGet(kSysLastKey), kKeyEnter);

    Start("'a':'A3' /ALARM$=\"(1\"");
    const FormOutcome broken = Press(kVkTab);
    EXPECT_FALSE(broken.close) << "a check that does not evaluate does not confirm";
    EXPECT_EQ(broken.result, 129);
}

TEST_F(FormActionsTest, OkButtonEscapeAndCloseBox) {
    Start("'a':'A3','b':'A3' /ON_CANCEL$=\"CANCELLED=1\"");
    IntSet(kSysLastKey, kKeyTab);
    FormOutcome out = FormDispatch(session_, kFormOkId, CommandAction(kFormOkId));
    EXPECT_TRUE(out.close);
    EXPECT_EQ(IntGet(kSysLastKey), kKeyEnter) << "the Ok button confirms";

    // ON_CONFIRM$ SCRBACK saves the form as shown; other statements run as ON_CANCEL$ does.
    Start("'a':'A3','b':'A3' /ON_CONFIRM$=\"SCRBACK:PANTALLA$\"");
    session_.shown = [](void*, const FormField& f) { return f.number == 1 ? T("x y") : T("it's"); };
    EXPECT_TRUE(FormDispatch(session_, kFormOkId, CommandAction(kFormOkId)).close);
    EXPECT_EQ(Str(VarGetText(T("PANTALLA$"))), "'x y',\"it's\"");
    Start("'a':'A3' /ON_CONFIRM$=\"CONFIRMED=1\"");
    Window(kActEnd);
    EXPECT_EQ(Str(VarGetText(T("CONFIRMED"))), "1");

    Start("'a':'A3','b':'A3' /ON_CANCEL$=\"CANCELLED=1\"");
    out = Press(kVkEscape);
    EXPECT_TRUE(out.close);
    EXPECT_EQ(IntGet(kSysLastKey), kKeyEscape);
    EXPECT_EQ(Str(VarGetText(T("CANCELLED"))), "1") << "ON_CANCEL$ runs";

    // The close box after Tab: the last key accepts, yet the user closed the window.
    FormSessionStart(session_, form_);
    Press(kVkTab);
    EXPECT_EQ(IntGet(kSysLastKey), kKeyTab);
    out = Window(kActCloseBox);
    EXPECT_TRUE(out.close);
    EXPECT_EQ(IntGet(kSysLastKey), kKeyEscape);

    FormSessionStart(session_, form_);
    ScreenActionSet(session_, nullptr, KeepOpen);
    out = Window(kActCloseBox);
    EXPECT_FALSE(out.close) << "the close box does nothing when the action gives 0";
    EXPECT_EQ(out.result, 0);
}

TEST_F(FormActionsTest, CallerHandlerAndResults) {
    Start("'a':'A3':::'' /FLDBUTTONS$=\"PATH\"");
    gSeen.clear();
    ScreenActionSet(session_, Recording, nullptr);
    struct Case { uint8_t argument; bool closes; uint16_t result; };
    const Case cases[] = {{24, true, 0}, {28, true, 0}, {9, true, 1}, {7, false, 7}, {200, false, 200}, {136, false, 136}};
    for (const Case& c : cases) {
        const FormOutcome out = Window(kActCommand, c.argument);
        EXPECT_EQ(out.close, c.closes) << int{c.argument};
        EXPECT_EQ(out.result, c.result) << int{c.argument};
    }
    FormDispatch(session_, FieldInputId(1), ActionWord(kActFocus, 0));
    ASSERT_FALSE(gSeen.empty());
    EXPECT_EQ(gSeen.back(), kActFocusTaken) << "the handler hears that the field took the focus";
    FormDispatch(session_, FieldInputId(1), ActionWord(kActBlur, 0));
    EXPECT_EQ(gSeen.back(), kActFocusTaken) << "losing the focus runs no handler";

    const FormOutcome help = Press(kVkF1);
    EXPECT_EQ(help.step, FormStep::Help);
    const FormOutcome chooser = FormDispatch(session_, FieldButtonId(1), CommandAction(FieldButtonId(1)));
    EXPECT_EQ(chooser.step, FormStep::Chooser);
    EXPECT_EQ(chooser.field, 0);
    EXPECT_EQ(FormDispatch(session_, 0, CommandAction(FieldButtonId(2))).step, FormStep::None) << "no such field";
    EXPECT_EQ(CommandAction(FieldInputId(1)), 0);
}

TEST_F(FormActionsTest, EveryFieldOfAFormLargerThanItsWindowIsReachedByKeyboard) {
    std::string definition;
    for (int i = 1; i <= 40; ++i) definition += (i > 1 ? "," : "") + std::string("'Campo ") + std::to_string(i) + ":':'A90'";
    Start(definition);
    const CellMetrics cell{10, 22, 16};
    const PixelRect content = FormClientRect(form_.grid, cell);
    const int32_t visibleWidth = 640, visibleHeight = 300;
    const int32_t rangeX = ScrollRange(content.width, visibleWidth), rangeY = ScrollRange(content.height, visibleHeight);
    ASSERT_GT(rangeX, 0);
    ASSERT_GT(rangeY, 0);
    int32_t x = 0, y = 0;
    std::vector<bool> reached(form_.fieldCount, false);
    reached[0] = true;
    const auto show = [&](uint16_t field) {
        const PixelRect r = FieldInputRect(form_.grid, cell, form_.fields[field]);
        x = ScrollToShow(x, visibleWidth, rangeX, r.x, r.x + std::min(r.width, visibleWidth));
        y = ScrollToShow(y, visibleHeight, rangeY, r.y, r.y + r.height);
        EXPECT_GE(r.y, y);
        EXPECT_LE(r.y + r.height, y + visibleHeight) << "field " << field + 1 << " is in view";
        EXPECT_GE(r.x, x);
    };
    for (int i = 1; i < form_.fieldCount; ++i) {
        const FormOutcome out = Press(kVkTab);
        ASSERT_EQ(out.step, FormStep::Focus);
        reached[out.field] = true;
        show(out.field);
    }
    for (bool r : reached) EXPECT_TRUE(r);
    for (int i = 1; i < form_.fieldCount; ++i) show(ShiftTab().field);
    EXPECT_EQ(session_.current, 0);
}
