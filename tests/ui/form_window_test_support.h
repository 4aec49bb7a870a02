// Shared by the form tests that open real windows: a clean window stack and font stack with the
// start-up font, no form values kept, and every window a test left open closed afterwards.
#pragma once

#include <windows.h>

#include "runtime/string_store.h"
#include "tests/ui/form_test_support.h"
#include "ui/font_stack.h"
#include "ui/form_result.h"
#include "ui/window_stack.h"

namespace ui_test {

class FormWindowTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        rt::StackReset();
        rt::FontStackReset();
        rt::PushFont(16, 9, 0, 2);
        rt::StoreSet(rt::kGroupSystem, rt::kItemFormValues, rt::StrEmpty());
    }
    void TearDown() override {
        while (rt::WindowHandle top = rt::StackTop()) DestroyWindow(reinterpret_cast<HWND>(top));
        FormTest::TearDown();
    }
};

}  // namespace ui_test
