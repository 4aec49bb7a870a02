// Real forms under Wine, filled in as a person would from a second thread: keys that move and
// confirm, leaving without values, the "Ok" button and ALARM$, password, logical and choice
// fields, stores into variables, two forms in a row, values that come back exactly, scrolling,
// the resize hook, rich text and its refusal.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/host_hooks.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/text_list.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"
#include "tests/ui/form_test_support.h"
#include "ui/font_stack.h"
#include "ui/form_controls.h"
#include "ui/form_value.h"
#include "ui/form_window.h"
#include "ui/window_layer.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::V;
using rt_test::WideOf;

namespace {

constexpr int kSysAdmStat = 19;
const char kTitle[] = "Configuraci\xf3n";

class FormWindowWinTest : public ui_test::FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        StackReset();
        FontStackReset();
        PushFont(16, 9, 0, 2);
        StoreSet(kGroupSystem, kItemFormValues, StrEmpty());
        SetFormControlSeams(FormControlSeams{});
    }
    void TearDown() override {
        SetFormControlSeams(FormControlSeams{});
        HookSet(kHookResize, nullptr);
        while (WindowHandle top = StackTop()) DestroyWindow(reinterpret_cast<HWND>(top));
        FormTest::TearDown();
    }

    // Runs the form while steps(form window) answers it from a second thread.
    ErrCode Run(const std::string& definition, std::function<void(HWND)> steps, uint16_t flags = kFormUpdaterFlags,
                const char* title = kTitle) {
        rt_test::WindowHelper helper([&] {
            HWND form = rt_test::OwnWindow(WideOf(title));
            if (!form) return;
            steps(form);
        });
        return RunForm(T(title), V(definition), flags, &result_);
    }
    // Value n of the result, unquoted.
    std::string Value(uint16_t n) { return Str(FormUnquote(Field(result_.values, ',', n))); }

    FormResult result_;
};

// The control of the form's thread that has the keyboard.
HWND FocusOf(HWND form) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
    return info.hwndFocus;
}
int FocusId(HWND form) { return GetDlgCtrlID(FocusOf(form)); }
HWND Input(HWND form, uint16_t n) { return GetDlgItem(form, FieldInputId(n)); }

const char kThree[] = "'Uno:':'A20','Dos:':'A20','Tres:':'A20'";

TEST_F(FormWindowWinTest, KeysMoveForwardAndBackAndEnterOnTheLastFieldConfirms) {
    std::vector<int> seen;
    const ErrCode status = Run(kThree, [&](HWND f) {
        seen.push_back(FocusId(f));
        rt_test::TypeText(f, L"uno");
        rt_test::SendKey(f, VK_TAB);
        seen.push_back(FocusId(f));
        rt_test::TypeText(f, L"dos");
        rt_test::SendKey(f, VK_DOWN);
        seen.push_back(FocusId(f));
        rt_test::TypeText(f, L"it's");
        rt_test::SendChord(f, {VK_SHIFT, VK_TAB});
        seen.push_back(FocusId(f));
        rt_test::SendKey(f, VK_UP);
        seen.push_back(FocusId(f));
        rt_test::SendKey(f, VK_UP);  // nothing before the first field
        seen.push_back(FocusId(f));
        rt_test::SendKey(f, VK_RETURN);
        seen.push_back(FocusId(f));
        rt_test::SendKey(f, VK_RETURN);
        seen.push_back(FocusId(f));
        rt_test::SendKey(f, VK_RETURN);
    });
    EXPECT_EQ(seen, (std::vector<int>{2000, 2001, 2002, 2001, 2000, 2000, 2001, 2002}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(result_.exitKey, 0);
    // A value with a single quote comes back in double quotes.
    EXPECT_EQ(Str(result_.values), "'uno','dos',\"it's\"");
    EXPECT_EQ(StackTop(), nullptr);
}

}  // namespace
