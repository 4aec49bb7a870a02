// Message boxes: the seven box types, their answers as answer codes, errors and yes/no questions.
#include "ui/message_box.h"

#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_list.h"
#include "script/field_types.h"
#include "ui/window_stack.h"

namespace rt {

namespace {

MessageBoxSeams gSeams;

constexpr uint16_t kTitleWarning = 12;
constexpr uint16_t kTitleFatal = 13;
constexpr uint16_t kTitleInfo = 14;

constexpr BoxLook kLooks[kBoxTypes] = {
    {BoxButtons::kOk, BoxIcon::kInformation, kTitleInfo},
    {BoxButtons::kOk, BoxIcon::kWarning, kTitleWarning},
    {BoxButtons::kOkCancel, BoxIcon::kInformation, kTitleInfo},
    {BoxButtons::kOk, BoxIcon::kError, kTitleFatal},
    {BoxButtons::kRetryCancel, BoxIcon::kError, kTitleWarning},
    {BoxButtons::kYesNo, BoxIcon::kInformation, kTitleInfo},
    {BoxButtons::kYesNoCancel, BoxIcon::kInformation, kTitleInfo},
};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

BoxLook BoxLookOf(uint16_t type) { return kLooks[type < kBoxTypes ? type : 0]; }

StrRef BoxTitle(uint16_t type, StrRef title) {
    if (title.ok() && title.len) return title;
    return Message(BoxLookOf(type).titleMessage);
}

AnswerLetters Answers() {
    const uint16_t mark = PoolMark();
    StrRef letters = Field(LogicalAnswerMessage(), ';', 1);
    AnswerLetters a{'N', 'Y'};
    if (letters.ok() && letters.len >= 2) a = AnswerLetters{letters.ptr[0], letters.ptr[1]};
    PoolRelease(mark);
    return a;
}

uint16_t AnswerCode(BoxButton pressed) {
    const AnswerLetters a = Answers();
    switch (pressed) {
    case BoxButton::kOk:
    case BoxButton::kRetry:
    case BoxButton::kYes: return static_cast<unsigned char>(a.yes);
    case BoxButton::kNo: return static_cast<unsigned char>(a.no);
    case BoxButton::kCancel:
    case BoxButton::kAbort:
    case BoxButton::kIgnore: return kAnswerCancel;
    case BoxButton::kNone: break;
    }
    return kAnswerNotShown;
}

uint16_t AskBoxType(StrRef answers) {
    for (uint16_t i = 0; answers.ok() && i < answers.len; ++i) {
        if (answers.at(i) == 3) return kBoxYesNoCancel;
    }
    return kBoxYesNo;
}

bool AnswerIsYes(uint16_t code) {
    if (code > 0xFF) return false;
    return Upper(static_cast<char>(code)) == Upper(Answers().yes);
}

void SetMessageBoxSeams(const MessageBoxSeams& seams) { gSeams = seams; }

uint16_t ShowMessage(StrRef text, StrRef title, uint16_t type) {
    PoolScope scope;
    const BoxLook look = BoxLookOf(type);
    const char* body = CString(text.ok() ? text : StrEmpty());
    const char* head = CString(BoxTitle(type, title));
    const bool systemModal = StackTop() == nullptr;
    const BoxButton pressed = gSeams.show ? gSeams.show(body, head, look.buttons, look.icon, systemModal)
                                          : OsShowBox(body, head, look.buttons, look.icon, systemModal);
    return AnswerCode(pressed);
}

void ShowErrorCode(ErrCode code) {
    const uint16_t mark = PoolMark();
    StrRef text = ErrorMessage(code);
    if (!text.ok() || !text.len) text = ErrorName(code);
    const bool serious = code >= kFirstSerious;
    if (serious && LogEnabled(code, kLogRuntime)) Log(text);
    ShowMessage(text, Message(serious ? kTitleFatal : kTitleWarning), serious ? kBoxFatal : kBoxWarning);
    ReportError(0, StrEmpty());
    PoolRelease(mark);
}

bool AskYesNo(StrRef text, StrRef answers) {
    return AnswerIsYes(ShowMessage(text, StrEmpty(), AskBoxType(answers)));
}

}  // namespace rt
