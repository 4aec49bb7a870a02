// Selection menus under Wine, answered as a person would: by click, by keys, by Escape; the list
// menu, reuse of an open menu, and the multiple-selection list.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "runtime/catalogue.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "runtime/params.h"
#include "ui/form_definition.h"
#include "ui/menu.h"
#include "ui/window_layer.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::WideOf;

namespace {

const char kTitle[] = "Seleccione su opci\xf3n";
const char kItems[] = "Credenciales,Configuraci\xf3n,Preferencias";

class MenuWinTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        StackReset();
        FontStackReset();
        PushFont(16, 9, 0, 2);
    }
    void TearDown() override {
        while (WindowHandle top = StackTop()) DestroyWindow(reinterpret_cast<HWND>(top));
        PoolMarkTest::TearDown();
    }
};

// Runs a select while the helper answers the menu with steps(menu window).
template <class Steps>
uint16_t Answered(uint16_t flags, int initial, const char* items, Steps steps, std::vector<std::wstring>* texts = nullptr) {
    rt_test::WindowHelper helper([&] {
        HWND menu = rt_test::OwnWindow(WideOf(kTitle));
        if (!menu) return;
        if (texts) *texts = rt_test::WindowTexts(menu);
        steps(menu);
    });
    return Select(T(kTitle), T(items), flags, initial);
}

TEST_F(MenuWinTest, AClickChoosesAndReachesStat) {
    std::vector<std::wstring> texts;
    const uint16_t got = Answered(kMenuNewWindow, 0, kItems,
                                  [](HWND m) { rt_test::PressButton(m, WideOf("Configuraci\xf3n")); }, &texts);
    EXPECT_EQ(got, 2);
    EXPECT_EQ(IntGet(kSysStat), 2);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Credenciales", WideOf("Configuraci\xf3n"), L"Preferencias"}));
    // The window stays for the next choice: a select without a new window runs on it.
    ASSERT_NE(StackTop(), nullptr);
    EXPECT_EQ(Answered(0, 0, kItems, [](HWND m) { rt_test::PressButton(m, L"Preferencias"); }), 3);
}

TEST_F(MenuWinTest, KeysWalkThePushedButtonAndEnterChooses) {
    const struct {
        std::vector<WORD> keys;
        uint16_t choice;
    } cases[] = {
        {{VK_DOWN, VK_RETURN}, 3},           // none pushed: Down pushes the last
        {{VK_DOWN, VK_DOWN, VK_RETURN}, 1},  // Down on the last wraps to the first
        {{VK_UP, VK_UP, VK_RETURN}, 3},      // Up pushes the first, then wraps to the last
        {{VK_UP, VK_DOWN, VK_RETURN}, 2},
    };
    for (const auto& c : cases) {
        const uint16_t got = Answered(kMenuNewWindow | kMenuDestroyAfter, 0, kItems, [&](HWND m) {
            for (WORD k : c.keys) rt_test::SendKey(m, k);
        });
        EXPECT_EQ(got, c.choice);
        EXPECT_EQ(StackTop(), nullptr) << "flag 8 destroys the menu";
    }
}

TEST_F(MenuWinTest, EscapeGivesZeroAndLeavesNothingToReuse) {
    EXPECT_EQ(Answered(kMenuNewWindow, 0, kItems, [](HWND m) { rt_test::SendKey(m, VK_ESCAPE); }), 0);
    EXPECT_EQ(IntGet(kSysStat), 0);
    EXPECT_TRUE(rt_test::WaitGone(WideOf(kTitle), GetCurrentProcessId(), 3000));
    EXPECT_EQ(Select(T(kTitle), T(kItems), 0, 0), 0xFFFF);
    EXPECT_EQ(Select(T(kTitle), T(""), kMenuNewWindow, 0), 0xFFFF);
}

TEST_F(MenuWinTest, ListMenuStartsOnItsInitialChoice) {
    const struct {
        int initial;
        std::vector<WORD> keys;
        uint16_t choice;
    } cases[] = {{2, {VK_RETURN}, 2}, {-1, {VK_RETURN}, 1}, {9, {VK_DOWN, VK_RETURN}, 2}, {1, {VK_ESCAPE}, 0}};
    for (const auto& c : cases) {
        std::vector<std::wstring> texts;
        const uint16_t got = Answered(kMenuNewWindow | kMenuListBox | kMenuDestroyAfter, c.initial, kItems, [&](HWND m) {
            for (WORD k : c.keys) rt_test::SendKey(m, k);
        }, &texts);
        EXPECT_EQ(got, c.choice) << c.initial;
        EXPECT_EQ(texts.size(), 3u);
        rt_test::WaitGone(WideOf(kTitle), GetCurrentProcessId(), 3000);
    }
}

TEST_F(MenuWinTest, ADoubleClickHeldLongerThanASecondStillChooses) {
    // The menu takes the run-time's default colour setting as its background.
    ASSERT_EQ(SetRunParam(kParamDefaultColours, T(";3")), 0);
    for (const DWORD holdMs : {200u, 1600u}) {
        uint16_t got = 0;
        DWORD pressed = 0, chosen = 0;
        HBRUSH background = nullptr;
        {
            rt_test::WindowHelper helper([&] {
                HWND m = rt_test::OwnWindow(WideOf(kTitle));
                HWND list = m ? FindWindowExW(m, nullptr, L"ListBox", nullptr) : nullptr;
                if (!list) return;
                background = reinterpret_cast<HBRUSH>(GetClassLongPtrW(m, GCLP_HBRBACKGROUND));
                // The messages of a double click on item 2, the second press held for holdMs.
                RECT item{};
                SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
                const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
                for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}) PostMessageW(list, msg, MK_LBUTTON, at);
                pressed = GetTickCount();
                Sleep(holdMs);
                PostMessageW(list, WM_LBUTTONUP, 0, at);
            });
            // Not destroyed by the menu: only the wait for the release is timed.
            got = Select(T(kTitle), T(kItems), kMenuNewWindow | kMenuListBox, 1);
            chosen = GetTickCount();
        }
        EXPECT_EQ(got, 2) << holdMs;
        // A short hold ends the wait with its release; a long one when the second has passed.
        EXPECT_LT(chosen - pressed, holdMs < 1000 ? 700u : 1400u) << holdMs;
        if (holdMs > 1000) {
            EXPECT_GE(chosen - pressed, 950u);
        }
        EXPECT_EQ(background, PaletteBrush(3));
        if (WindowHandle menu = StackTop()) DestroyWindow(reinterpret_cast<HWND>(menu));
    }
    SetRunParam(kParamDefaultColours, T(""));
}

TEST_F(MenuWinTest, MultipleSelectionReturnsItsSet) {
    const std::wstring title = L"Reinicio de contrase\u00f1as";
    StrRef chosen;
    {
        rt_test::WindowHelper helper([&] {
            HWND m = rt_test::OwnWindow(title);
            if (!m) return;
            for (WORD k : {VK_SPACE, VK_DOWN, VK_DOWN, VK_SPACE}) rt_test::SendKey(m, k);
            rt_test::PressButton(m, L"Aceptar");
        });
        chosen = SelectMany(T("Reinicio de contrase\xf1" "as"), T("servidor1,servidor2,servidor3"));
    }
    EXPECT_EQ(Str(chosen), "1,3");
    {
        rt_test::WindowHelper helper([&] {
            HWND m = rt_test::OwnWindow(title);
            if (m) rt_test::PressButton(m, L"Cancelar");
        });
        chosen = SelectMany(T("Reinicio de contrase\xf1" "as"), T("servidor1,servidor2"));
    }
    EXPECT_EQ(Str(chosen), rt_test::Err(kErrUserCanceled));
    EXPECT_EQ(StackTop(), nullptr);
}

}  // namespace
