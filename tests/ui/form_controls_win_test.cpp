// The replaced procedures of real field controls under Wine: a scanner sequence that never reaches
// the field, controls left alone while _COMPAT says so, and the hooks that watch keys and clicks.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/host_hooks.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"
#include "tests/ui/form_window_test_support.h"
#include "ui/font_stack.h"
#include "ui/form_controls.h"
#include "ui/form_window.h"
#include "ui/window_layer.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

const wchar_t kTitle[] = L"Lectura";

class FormControlsWinTest : public ui_test::FormWindowTest {
protected:
    void SetUp() override {
        FormWindowTest::SetUp();
    }
    void TearDown() override {
        for (int slot : {kHookHelp, kHookF12, kHookContext, kHookClick}) HookSet(slot, nullptr);
        IntSet(kSysCompat, 0);
        FormWindowTest::TearDown();
    }
    template <class Steps>
    ErrCode Run(const char* definition, Steps steps) {
        rt_test::WindowHelper helper([&] {
            if (HWND f = rt_test::OwnWindow(kTitle)) steps(f);
        });
        return RunForm(T("Lectura"), T(definition), kFormUpdaterFlags, &result_);
    }
    FormResult result_;
};

int FocusId(HWND form) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
    return GetDlgCtrlID(info.hwndFocus);
}

TEST_F(FormControlsWinTest, AScannerSequenceGoesToParameter30AndNeverIntoTheField) {
    SetRunParam(kParamScanner, StrEmpty());
    std::wstring shown;
    int focus = 0;
    const ErrCode status = Run("'C\xf3" "digo:':'A20','Otro:':'A5'", [&](HWND f) {
        rt_test::TypeText(f, L"ab");
        // What a scanner in keyboard mode sends: Ctrl+], the code, and a line end.
        rt_test::TypeText(f, L"\x1d" L"4006381333931\r");
        rt_test::TypeText(f, L"c");
        Sleep(100);
        shown = rt_test::WindowTextOf(GetDlgItem(f, FieldInputId(1)));
        focus = FocusId(f);
        rt_test::PressButton(f, L"Ok");
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(shown, L"abc");
    EXPECT_EQ(focus, FieldInputId(1)) << "the sequence's line end is not Enter";
    EXPECT_EQ(Str(RunParam(kParamScanner)), "4006381333931");
}

TEST_F(FormControlsWinTest, WithCompatBit512ControlsKeepTheirStandardBehaviour) {
    for (int16_t compat : {int16_t{0}, int16_t{kCompatNoSubclass}}) {
        IntSet(kSysCompat, compat);
        int afterTab = 0;
        bool open = false;
        const ErrCode status = Run("'Uno:':'A10','Dos:':'A10'", [&](HWND f) {
            rt_test::TypeText(f, L"x");
            rt_test::SendKey(f, VK_TAB);
            Sleep(100);
            afterTab = FocusId(f);
            rt_test::SendKey(f, VK_ESCAPE);
            Sleep(200);
            open = IsWindow(f) && IsWindowVisible(f);
            if (open) rt_test::PressButton(f, L"Ok");
        });
        if (compat) {
            EXPECT_EQ(afterTab, FieldInputId(1));
            EXPECT_TRUE(open) << "Escape is only a key to a standard edit";
            EXPECT_EQ(status, 0);
            EXPECT_EQ(Str(result_.values), "'x',''");
        } else {
            EXPECT_EQ(afterTab, FieldInputId(2));
            EXPECT_FALSE(open);
            EXPECT_EQ(status, kErrUserCanceled);
        }
    }
}

struct Seen {
    std::vector<std::string> events;
} gSeen;

void OnHelp(const Form& form, uint16_t field) {
    gSeen.events.push_back("help " + std::to_string(form.fieldCount) + " " + std::to_string(field));
}
void OnF12(bool shift, bool ctrl) { gSeen.events.push_back("f12 " + std::to_string(shift) + std::to_string(ctrl)); }
ErrCode OnContext(uint16_t field, uint16_t column) {
    gSeen.events.push_back("context " + std::to_string(field) + " " + std::to_string(column));
    return 0;
}
void OnClick(StrRef description) { gSeen.events.push_back("click " + Str(description)); }

TEST_F(FormControlsWinTest, HooksSeeHelpF12AndClicks) {
    HookSet(kHookHelp, reinterpret_cast<HookFn>(OnHelp));
    HookSet(kHookF12, reinterpret_cast<HookFn>(OnF12));
    HookSet(kHookContext, reinterpret_cast<HookFn>(OnContext));
    HookSet(kHookClick, reinterpret_cast<HookFn>(OnClick));
    gSeen.events.clear();
    const CellSize cell = FontCell();
    const ErrCode status = Run("'Uno:':'A10','Dos:':'A10'::'texto'", [&](HWND f) {
        rt_test::SendKey(f, VK_TAB);
        rt_test::SendKey(f, VK_F1);
        rt_test::SendChord(f, {VK_SHIFT, VK_F12});
        HWND second = GetDlgItem(f, FieldInputId(2));
        // A right click over the third character, then a left click released in the field.
        const LPARAM at = MAKELPARAM(2 * cell.cell + 2, 5);
        PostMessageW(second, WM_RBUTTONDOWN, MK_RBUTTON, at);
        PostMessageW(second, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(second, WM_LBUTTONUP, 0, at);
        Sleep(200);
        rt_test::SendKey(f, VK_ESCAPE);
    });
    EXPECT_EQ(status, kErrUserCanceled);
    EXPECT_EQ(gSeen.events, (std::vector<std::string>{"help 2 1", "f12 10", "context 2 2", "click 2:texto"}));
}

}  // namespace
