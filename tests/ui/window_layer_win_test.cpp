// The window layer with real windows: the stack's limit and its re-enabling, fonts and brushes made
// once and freed at shut-down, a thousand windows leaving nothing behind, the modal loop's ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "ui/gdi_cache.h"
#include "ui/window_kinds.h"
#include "ui/window_layer.h"
#include "ui/window_place.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"

using namespace rt;
using rt_test::T;

namespace {

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }

class WindowLayerWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        StackReset();
        FontStackReset();
        WindowLayerClose();
        IntSet(kSysAuxStat, 0);
    }
    void TearDown() override {
        while (WindowHandle top = StackTop()) DestroyWindow(H(top));
        StackReset();
    }
    static WindowHandle Make(uint32_t style = kFrameDialog, int colour = -1) {
        return CreateKindWindow(KindName(5), T("Ventana"), style, 10, 10, 200, 120, colour, 0, nullptr);
    }
};

TEST_F(WindowLayerWinTest, AThirtyThirdWindowIsNotTracked) {
    std::vector<WindowHandle> made;
    for (int i = 0; i < 33; ++i) made.push_back(Make(WS_POPUP));
    for (WindowHandle w : made) ASSERT_NE(w, nullptr);
    EXPECT_EQ(StackCount(), 32);
    EXPECT_EQ(StackTop(), made[31]);
    EXPECT_EQ(StackValueOf(made[32]).err, kErrBadInput);
    EXPECT_EQ(StackValueOf(made[5]).value, -1);
    DestroyWindow(H(made[32]));
    EXPECT_EQ(StackCount(), 32);
}

TEST_F(WindowLayerWinTest, DestroyingTheTopEnablesAndFocusesTheOneBelow) {
    WindowHandle below = Make();
    ShowWindow(H(below), SW_SHOW);
    WindowHandle top = Make();  // modal: the one below is disabled
    EXPECT_FALSE(IsWindowEnabled(H(below)));
    EXPECT_EQ(GetWindow(H(top), GW_OWNER), H(below));
    DestroyWindow(H(top));
    EXPECT_TRUE(IsWindowEnabled(H(below)));
    EXPECT_EQ(GetFocus(), H(below));
    EXPECT_EQ(StackTop(), below);

    IntSet(kSysAuxStat, kAuxStatKeepDisabled);
    top = Make();
    DestroyWindow(H(top));
    EXPECT_FALSE(IsWindowEnabled(H(below)));
    EXPECT_EQ(StackTop(), below);
}

TEST_F(WindowLayerWinTest, FontsAndBrushesAreMadeOnceAndFreedAtShutDown) {
    PushFont(16, 9, 0, 2);
    EXPECT_EQ(FontCell().cell, 10);
    EXPECT_EQ(FontCell().line, 22);
    void* font = FontHandle(*TopFont());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(font)), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(FontHandle(*TopFont()), font);
    LOGFONTW lf{};
    GetObjectW(static_cast<HGDIOBJ>(font), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, 16);
    EXPECT_EQ(lf.lfWidth, 9);
    EXPECT_STREQ(lf.lfFaceName, L"Lucida Console");
    PushFont(16, 9, kFontBold, 2);
    void* bold = FontHandle(*TopFont());
    EXPECT_NE(bold, font);
    GetObjectW(static_cast<HGDIOBJ>(bold), sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, 700);

    // Windows of one colour share one brush; each class of a colour is made once.
    for (int i = 0; i < 3; ++i) DestroyWindow(H(Make(WS_POPUP, 4)));
    DestroyWindow(H(Make(WS_POPUP, 5)));
    EXPECT_EQ(GdiCount(kGdiKindBrush), 2);
    EXPECT_EQ(GdiCount(kGdiKindFont), 2);
    std::vector<HGDIOBJ> handles;
    for (uint16_t i = 0; i < kGdiCacheCapacity; ++i) {
        if (GdiAt(i)->handle) handles.push_back(static_cast<HGDIOBJ>(GdiAt(i)->handle));
    }
    EXPECT_EQ(WindowLayerClose(), 4);
    EXPECT_EQ(GdiCount(0), 0);
    for (HGDIOBJ h : handles) EXPECT_EQ(GetObjectType(h), 0u) << "not freed: " << h;
}

TEST_F(WindowLayerWinTest, AThousandWindowsLeaveCacheAndStackAsTheyWere) {
    PushFont(16, 9, 0, 2);
    WindowHandle base = Make(WS_POPUP, 3);
    SetControlFont(CreateLabel(base, 1, 1, 50, 20, T("Etiqueta"), 2, 7), true);
    const uint16_t fonts = GdiCount(kGdiKindFont);
    const uint16_t brushes = GdiCount(kGdiKindBrush);
    for (int i = 0; i < 1000; ++i) {
        WindowHandle w = Make(WS_POPUP, i % 2 ? 3 : -1);
        ASSERT_NE(w, nullptr) << i;
        SetControlFont(CreateLabel(w, 1, 1, 50, 20, T("Etiqueta"), 2, 7), true);
        ASSERT_EQ(DestroyLayerWindow(w), 0);
    }
    EXPECT_EQ(StackCount(), 1);
    EXPECT_EQ(StackTop(), base);
    EXPECT_EQ(GdiCount(kGdiKindFont), fonts);
    EXPECT_EQ(GdiCount(kGdiKindBrush), brushes);
}

TEST_F(WindowLayerWinTest, ModalLoopEndsOnQuitAndWhenItsWindowLeavesTheTop) {
    WindowHandle w = Make();
    QuitLayerWindow(w);
    RunModal(w);
    EXPECT_EQ(StackTop(), w);
    CloseLayerWindow(nullptr);  // the top window: WM_CLOSE destroys it, and the loop ends
    RunModal(w);
    EXPECT_EQ(StackTop(), nullptr);
    EXPECT_EQ(DrainMessages(nullptr), 1);
}

double ThreadSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) { return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

// A loop that asked for messages again and again would burn a large share of this thread's time.
TEST_F(WindowLayerWinTest, TheModalLoopSleepsWhileItWaits) {
    WindowHandle w = Make();
    const double cpu0 = ThreadSeconds();
    const ULONGLONG t0 = GetTickCount64();
    {
        rt_test::WindowHelper helper([w] {
            Sleep(1500);
            PostMessageW(H(w), WM_CLOSE, 0, 0);
        });
        RunModal(w);
    }
    const double wall = (GetTickCount64() - t0) / 1000.0;
    const double cpu = ThreadSeconds() - cpu0;
    EXPECT_GE(wall, 1.4);
    EXPECT_LT(cpu, 0.05 * wall) << cpu << " s of processor over " << wall << " s";
    EXPECT_EQ(StackTop(), nullptr);
}

TEST_F(WindowLayerWinTest, OuterSizesByFrameAndWorkArea) {
    const BoxSize dialog = OuterSize(300, 200, 6, false);
    const BoxSize main = OuterSize(300, 200, 0, false);
    EXPECT_GT(dialog.width, 300);
    EXPECT_GT(dialog.height, 200 + GetSystemMetrics(SM_CYCAPTION) - 1);
    EXPECT_GE(main.height, dialog.height - 8);
    const BoxSize work = WorkAreaSize(nullptr);
    EXPECT_GT(work.width, 0);
    EXPECT_GT(work.height, 0);
    EXPECT_EQ(SetControlFont(nullptr, true), kErrBadInput);
}

TEST_F(WindowLayerWinTest, ScrStatBitEightCascadesTheFirstWindow) {
    // "Bit 8" of _SCRSTAT is the bit of value 8; the bit of value 0x100 is not it.
    CascadeReset();
    IntSet(kSysScrStat, 0x100);
    const Point centred = NextPosition(0);
    IntSet(kSysScrStat, 8);
    const Point cascaded = NextPosition(0);
    IntSet(kSysScrStat, 0);
    CascadeReset();
    EXPECT_EQ(cascaded.x, centred.x + 100);
    EXPECT_EQ(cascaded.y, centred.y + 60);
}

}  // namespace
