// Real message boxes under Wine: each type answered by each of its buttons, titles, system-modal
// boxes on an emptied queue, a box that cannot be shown, AskYesNo with Cancel.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "runtime/catalogue.h"
#include "runtime/params.h"
#include "ui/message_box.h"
#include "ui/window_layer.h"
#include "ui/window_stack.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"

using namespace rt;
using rt_test::OwnWindow;
using rt_test::T;
using rt_test::WideOf;
using rt_test::WindowHelper;

namespace {

class MessageBoxWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        StackReset();
        SetRunParam(0, StrEmpty());
    }
};

// The labels Wine's boxes show for each button id.
std::wstring LabelOf(HWND box, int id) { return rt_test::Plain(rt_test::WindowTextOf(GetDlgItem(box, id))); }

TEST_F(MessageBoxWinTest, EveryTypeAnsweredByItsButtons) {
    const std::wstring info = WideOf("Solicitud de Informaci\xf3n");
    // The labels are the Spanish Windows' (the prefix's locale, tools/wine-prefix), as Windows-1252.
    const struct {
        uint16_t type;
        int button;  // the id a person's press reports
        const char* label;
        uint16_t code;
        std::wstring title;
    } cases[] = {
        {0, IDOK, "Aceptar", 'Y', info},
        {1, IDOK, "Aceptar", 'Y', L"Mensaje Informativo"},
        {2, IDOK, "Aceptar", 'Y', info},
        {2, IDCANCEL, "Cancelar", 3, info},
        {3, IDOK, "Aceptar", 'Y', L"Alerta de Mensaje Fatal"},
        {4, IDRETRY, "Reintentar", 'Y', L"Mensaje Informativo"},
        {4, IDCANCEL, "Cancelar", 3, L"Mensaje Informativo"},
        {5, IDYES, "S\xed", 'Y', info},
        {5, IDNO, "No", 'N', info},
        {6, IDYES, "S\xed", 'Y', info},
        {6, IDNO, "No", 'N', info},
        {6, IDCANCEL, "Cancelar", 3, info},
    };
    for (const auto& c : cases) {
        std::wstring label;
        std::vector<std::wstring> texts;
        uint16_t code = 0;
        {
            WindowHelper helper([&] {
                HWND box = OwnWindow(c.title);
                if (!box) return;
                texts = rt_test::WindowTexts(box);
                label = LabelOf(box, c.button);
                rt_test::PressButton(box, label);
            });
            code = ShowMessage(T("\xbf" "Continuar?"), StrEmpty(), c.type);
        }
        EXPECT_EQ(label, WideOf(c.label)) << "type " << c.type << " button " << c.button;
        EXPECT_EQ(code, c.code) << "type " << c.type << " button " << c.button;
        bool hasText = false;
        for (const auto& t : texts) hasText = hasText || t == WideOf("\xbf" "Continuar?");
        EXPECT_TRUE(hasText) << "type " << c.type;
    }
}

TEST_F(MessageBoxWinTest, WithoutWindowsTheQueueIsEmptiedAndTheBoxIsSystemModal) {
    LONG style = 0;
    {
        WindowHelper helper([&] {
            HWND box = OwnWindow(L"Mi aviso");
            if (!box) return;
            style = GetWindowLongW(box, GWL_EXSTYLE);
            rt_test::PressButton(box, LabelOf(box, IDOK));
        });
        ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP + 7, 0, 0));
        EXPECT_EQ(ShowMessage(T("hola"), T("Mi aviso"), 0), 'Y');
    }
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP + 7, WM_APP + 7, PM_REMOVE)) << "the queued message survived";
    EXPECT_TRUE(style & WS_EX_TOPMOST) << std::hex << style;
}

TEST_F(MessageBoxWinTest, ABoxThatCannotBeShownAnswersFFFF) {
    // A window that no longer exists on top of the stack: the box has no valid owner.
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    StackRegister(reinterpret_cast<WindowHandle>(gone), -1);
    EXPECT_EQ(ShowMessage(T("x"), StrEmpty(), 0), 0xFFFF);
    EXPECT_FALSE(AskYesNo(T("x"), StrEmpty()));
    StackReset();
}

TEST_F(MessageBoxWinTest, AskYesNoWithCancelShowsThreeButtonsAndCancelIsNo) {
    const char answers[] = {'S', 'N', 3, 0};
    int buttons = 0;
    {
        WindowHelper helper([&] {
            HWND box = OwnWindow(WideOf("Solicitud de Informaci\xf3n"));
            if (!box) return;
            buttons = (GetDlgItem(box, IDYES) != nullptr) + (GetDlgItem(box, IDNO) != nullptr) +
                      (GetDlgItem(box, IDCANCEL) != nullptr);
            rt_test::PressButton(box, LabelOf(box, IDCANCEL));
        });
        EXPECT_FALSE(AskYesNo(Message(39), T(answers)));
    }
    EXPECT_EQ(buttons, 3);
    {
        WindowHelper helper([&] {
            HWND box = OwnWindow(WideOf("Solicitud de Informaci\xf3n"));
            if (box) rt_test::PressButton(box, LabelOf(box, IDYES));
        });
        EXPECT_TRUE(AskYesNo(Message(39), T(answers)));
    }
}

}  // namespace
