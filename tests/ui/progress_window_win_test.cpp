// The progress and status windows under Wine: bar and text forms, cancel by button and by Escape,
// a bar that cannot be made, the status box replaced by each text.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "runtime/context.h"
#include "ui/progress_window.h"
#include "ui/status_window.h"
#include "ui/window_layer.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"

using namespace rt;
using rt_test::T;
using rt_test::WideOf;

namespace {

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }
const std::wstring kTitle = L"Proceso en progreso.....";

class ProgressWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        StackReset();
        CancelFlag(0);
        SetProgressSeams(ProgressSeams{});
    }
    void TearDown() override {
        CloseProgress();
        CloseStatus();
        CancelFlag(0);
        SetProgressSeams(ProgressSeams{});
    }
};

TEST_F(ProgressWinTest, BarStepsAndTheTextForm) {
    ASSERT_EQ(OpenProgress(0, 100000), 0);
    ProgressState& s = Progress();
    ASSERT_NE(s.window, nullptr);
    EXPECT_EQ(StackTop(), s.window);
    EXPECT_EQ(rt_test::ClassOf(H(s.child)), PROGRESS_CLASSW);
    RECT r;
    GetClientRect(H(s.child), &r);
    EXPECT_EQ(r.right, 400);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(ProgressStep(100000, 1, StrEmpty(), kProgressKeepMode), 0);
    EXPECT_EQ(SendMessageW(H(s.child), PBM_GETRANGE, FALSE, 0), 50000);
    EXPECT_EQ(SendMessageW(H(s.child), PBM_GETPOS, 0, 0), 5);
    EXPECT_TRUE(ProgressActive());

    EXPECT_EQ(ShowProgressText(T("C:\\datos\\Configuraci\xf3n\\fichero.txt")), 0);
    EXPECT_EQ(rt_test::ClassOf(H(s.child)), L"Static");
    EXPECT_EQ(rt_test::WindowTextOf(H(s.child)), WideOf("C:\\datos\\Configuraci\xf3n\\fichero.txt"));
    const uint16_t sum = s.checksum;
    EXPECT_EQ(ProgressStep(0, 0, T("C:\\datos\\Configuraci\xf3n\\fichero.txt"), kProgressKeepMode), 0);
    EXPECT_EQ(s.checksum, sum);
    EXPECT_EQ(ProgressStep(0, 1, StrEmpty(), kProgressBar), 0);
    EXPECT_EQ(rt_test::ClassOf(H(s.child)), PROGRESS_CLASSW);

    const WindowHandle w = s.window;
    CloseProgress();
    EXPECT_FALSE(IsWindow(H(w)));
    EXPECT_EQ(StackTop(), nullptr);
    EXPECT_FALSE(ProgressActive());
}

TEST_F(ProgressWinTest, CancelButtonSetsTheFlagForEveryLaterPoll) {
    ASSERT_EQ(OpenProgress(300, 10), 0);
    bool pressed = false;
    {
        rt_test::WindowHelper helper([&] {
            HWND w = rt_test::OwnWindow(kTitle);
            pressed = w && rt_test::PressButton(w, L"Cancelar");
        });
        ErrCode code = 0;
        for (int i = 0; i < 500 && code == 0; ++i) {
            code = ProgressStep(10, 0, T("trabajando"), kProgressKeepMode);
            Sleep(20);
        }
        EXPECT_EQ(code, kErrUserCanceled);
    }
    EXPECT_TRUE(pressed);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(PollCancel(), kErrUserCanceled);
    EXPECT_EQ(ProgressStep(10, 1, StrEmpty(), kProgressKeepMode), kErrUserCanceled);
}

TEST_F(ProgressWinTest, EscapeSetsTheFlag) {
    ASSERT_EQ(OpenProgress(0, 10), 0);
    SetFocus(H(Progress().window));
    {
        rt_test::WindowHelper helper([&] {
            HWND w = rt_test::OwnWindow(kTitle);
            if (w) rt_test::SendKey(w, VK_ESCAPE);
        });
        ErrCode code = 0;
        for (int i = 0; i < 500 && code == 0; ++i) {
            code = PollCancel();
            Sleep(20);
        }
        EXPECT_EQ(code, kErrUserCanceled);
    }
}

TEST_F(ProgressWinTest, ABarThatCannotBeMadeGives170AndStepsStillPoll) {
    ProgressSeams seams;
    seams.refuseChild = [] { return true; };
    SetProgressSeams(seams);
    EXPECT_EQ(OpenProgress(0, 10), 170);
    EXPECT_NE(Progress().window, nullptr);
    EXPECT_EQ(ProgressStep(10, 1, StrEmpty(), kProgressKeepMode), 0);
    PostMessageW(H(Progress().window), WM_COMMAND, MAKEWPARAM(kProgressCancelId, BN_CLICKED), 0);
    EXPECT_EQ(ProgressStep(10, 1, StrEmpty(), kProgressKeepMode), kErrUserCanceled);
}

// White text on grey, as a person sees the box: the grey at a corner and white ink inside.
bool LooksLikeTheStatusBox(HWND box) {
    RECT r;
    GetWindowRect(box, &r);
    const rt_test::ScreenPixels shot(r);
    const DWORD grey = shot.At(r.left + 4, r.top + 4);
    bool white = false;
    for (int x = r.left; x < r.right && !white; ++x) white = shot.At(x, (r.top + r.bottom) / 2) == 0xFFFFFF;
    return grey == 0x808080 && white;
}

TEST_F(ProgressWinTest, StatusBoxIsReplacedByEachText) {
    EXPECT_FALSE(StatusShown());
    EXPECT_EQ(ShowStatus(T("Conectando con el Servidor.....")), 0u);
    HWND box = rt_test::FindTopWindow(L"class:Static", GetCurrentProcessId(), 0);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(rt_test::WindowTextOf(box), L"") << "no title for the task list";
    EXPECT_TRUE(GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT r;
    GetWindowRect(box, &r);
    EXPECT_GE(r.right - r.left, WorkAreaSize(nullptr).width / 4);
    EXPECT_TRUE(StatusShown());
    EXPECT_EQ(ShowStatus(T("Configuraci\xf3n")), 0xFFFFu);
    EXPECT_EQ(rt_test::FindTopWindow(L"class:Static", GetCurrentProcessId(), 0), box) << "one box, reused";
    // A repaint the system asks for later keeps the look of the first painting.
    for (int i = 0; i < 2; ++i) {
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        DrainMessages(nullptr);
        EXPECT_TRUE(LooksLikeTheStatusBox(box)) << "repaint " << i;
    }
    CloseStatus();
    EXPECT_FALSE(StatusShown());
    EXPECT_EQ(StackTop(), nullptr) << "the status box is not on the window stack";
}

}  // namespace
