// Message boxes through their seam: the look of each type, answer codes, titles, yes/no questions.
#include <gtest/gtest.h>

#include <string>

#include "runtime/catalogue.h"
#include "runtime/params.h"
#include "ui/message_box.h"
#include "ui/window_stack.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

struct Shown {
    std::string text, title;
    BoxButtons buttons;
    BoxIcon icon;
    bool systemModal;
};
Shown gShown;
BoxButton gPress = BoxButton::kNone;
int gCalls = 0;

BoxButton Answer(const char* text, const char* title, BoxButtons buttons, BoxIcon icon, bool systemModal) {
    gShown = Shown{text, title, buttons, icon, systemModal};
    ++gCalls;
    return gPress;
}

class MessageBoxTest : public rt_test::BalancedPoolTest {
protected:
    void SetUp() override {
        BalancedPoolTest::SetUp();
        MessageBoxSeams seams;
        seams.show = Answer;
        SetMessageBoxSeams(seams);
        StackReset();
        gCalls = 0;
        ASSERT_EQ(SetRunParam(0, StrEmpty()), 0);
    }
    void TearDown() override {
        SetMessageBoxSeams(MessageBoxSeams{});
        SetRunParam(0, StrEmpty());
        BalancedPoolTest::TearDown();
    }
};

TEST_F(MessageBoxTest, EveryTypeAnsweredByEveryButtonOfIt) {
    const struct {
        uint16_t type;
        BoxButtons buttons;
        BoxIcon icon;
        const char* title;
    } looks[] = {
        {0, BoxButtons::kOk, BoxIcon::kInformation, "Solicitud de Informaci\xf3n"},
        {1, BoxButtons::kOk, BoxIcon::kWarning, "Mensaje Informativo"},
        {2, BoxButtons::kOkCancel, BoxIcon::kInformation, "Solicitud de Informaci\xf3n"},
        {3, BoxButtons::kOk, BoxIcon::kError, "Alerta de Mensaje Fatal"},
        {4, BoxButtons::kRetryCancel, BoxIcon::kError, "Mensaje Informativo"},
        {5, BoxButtons::kYesNo, BoxIcon::kInformation, "Solicitud de Informaci\xf3n"},
        {6, BoxButtons::kYesNoCancel, BoxIcon::kInformation, "Solicitud de Informaci\xf3n"},
    };
    const struct {
        BoxButton button;
        uint16_t code;
    } answers[] = {{BoxButton::kOk, 'Y'},  {BoxButton::kRetry, 'Y'}, {BoxButton::kYes, 'Y'},
                   {BoxButton::kNo, 'N'},  {BoxButton::kCancel, 3},  {BoxButton::kAbort, 3},
                   {BoxButton::kIgnore, 3}, {BoxButton::kNone, 0xFFFF}};
    for (const auto& look : looks) {
        for (const auto& a : answers) {
            gPress = a.button;
            EXPECT_EQ(ShowMessage(T("texto"), StrEmpty(), look.type), a.code) << look.type;
            EXPECT_EQ(gShown.buttons, look.buttons) << look.type;
            EXPECT_EQ(gShown.icon, look.icon) << look.type;
            EXPECT_EQ(gShown.title, look.title) << look.type;
            EXPECT_EQ(gShown.text, "texto");
        }
    }
}

TEST_F(MessageBoxTest, CallersTitleAndOwnerlessBoxesAreSystemModal) {
    gPress = BoxButton::kOk;
    ShowMessage(T("a"), T("Mi t\xedtulo"), 3);
    EXPECT_EQ(gShown.title, "Mi t\xedtulo");
    EXPECT_TRUE(gShown.systemModal);
    StackRegister(reinterpret_cast<WindowHandle>(16), -1);
    ShowMessage(T("a"), StrEmpty(), 0);
    EXPECT_FALSE(gShown.systemModal);
    StackReset();
}

TEST_F(MessageBoxTest, AnswerLettersComeFromTheLanguageDefinition) {
    ASSERT_EQ(SetRunParam(0, T("NS;,NO,SI")), 0);
    gPress = BoxButton::kYes;
    EXPECT_EQ(ShowMessage(T("x"), StrEmpty(), 5), 'S');
    EXPECT_TRUE(AskYesNo(T("x"), StrEmpty()));
    gPress = BoxButton::kNo;
    EXPECT_EQ(ShowMessage(T("x"), StrEmpty(), 5), 'N');
}

TEST_F(MessageBoxTest, AskYesNoWithCancelInTheAnswers) {
    const char withCancel[] = {'S', 'N', 3, 0};
    const struct {
        const char* answers;
        BoxButton press;
        BoxButtons shown;
        bool yes;
    } cases[] = {
        {"SN", BoxButton::kYes, BoxButtons::kYesNo, true},
        {"SN", BoxButton::kNo, BoxButtons::kYesNo, false},
        {withCancel, BoxButton::kYes, BoxButtons::kYesNoCancel, true},
        {withCancel, BoxButton::kCancel, BoxButtons::kYesNoCancel, false},
        {withCancel, BoxButton::kNone, BoxButtons::kYesNoCancel, false},
    };
    for (const auto& c : cases) {
        gPress = c.press;
        EXPECT_EQ(AskYesNo(Message(39), T(c.answers)), c.yes);
        EXPECT_EQ(gShown.buttons, c.shown);
        EXPECT_EQ(gShown.text, "\xbf" "Continuar?");
        EXPECT_EQ(gShown.title, "Solicitud de Informaci\xf3n");
    }
}

TEST_F(MessageBoxTest, ErrorCodesPickTheirBox) {
    gPress = BoxButton::kOk;
    ShowErrorCode(kErrFileNotFound);
    EXPECT_EQ(gShown.icon, BoxIcon::kError);
    EXPECT_EQ(gShown.title, "Alerta de Mensaje Fatal");
    EXPECT_NE(gShown.text.find("Fichero no encontrado"), std::string::npos) << gShown.text;
    ShowErrorCode(kErrUserCanceled);
    EXPECT_EQ(gShown.icon, BoxIcon::kWarning);
    EXPECT_EQ(gShown.title, "Mensaje Informativo");
    EXPECT_EQ(gCalls, 2);
}

}  // namespace
