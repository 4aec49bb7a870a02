// Message boxes: the seven box types, their answers as answer codes, errors and yes/no questions.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Box types.
inline constexpr uint16_t kBoxInfo = 0;
inline constexpr uint16_t kBoxWarning = 1;
inline constexpr uint16_t kBoxOkCancel = 2;
inline constexpr uint16_t kBoxFatal = 3;
inline constexpr uint16_t kBoxRetryCancel = 4;
inline constexpr uint16_t kBoxYesNo = 5;
inline constexpr uint16_t kBoxYesNoCancel = 6;
inline constexpr uint16_t kBoxTypes = 7;

// Buttons a person can press in a box (the numbers the system's boxes report).
enum class BoxButton : int { kNone = 0, kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7 };
enum class BoxButtons : uint8_t { kOk, kOkCancel, kRetryCancel, kYesNo, kYesNoCancel };
enum class BoxIcon : uint8_t { kInformation, kWarning, kError };

struct BoxLook {
    BoxButtons buttons;
    BoxIcon icon;
    uint16_t titleMessage;  // catalogue message of the title when the caller gives none
};
// The look of a box type; types beyond 6 look like type 0.
BoxLook BoxLookOf(uint16_t type);
// The title shown: title when not empty, else the type's catalogue title. A view or pool text.
StrRef BoxTitle(uint16_t type, StrRef title);
// Answer code of a pressed button: the yes letter for OK, Retry and Yes; the no letter for No;
// 3 for Cancel, Abort and Ignore; 0xFFFF when the box was not shown (kNone).
uint16_t AnswerCode(BoxButton pressed);
// The two answer letters, no then yes (first ';' field of the language definition; "NY").
struct AnswerLetters {
    char no;
    char yes;
};
AnswerLetters Answers();
// Box type AskYesNo uses: 6 when the answer list holds the character 3, else 5.
uint16_t AskBoxType(StrRef answers);
// True when an answer code (upper-cased) is the yes letter.
bool AnswerIsYes(uint16_t code);
inline constexpr uint16_t kAnswerCancel = 3;
inline constexpr uint16_t kAnswerNotShown = 0xFFFF;

// The boxes themselves (the window layer).
// Shows text in a box of type; the owner is the top window, or, with none, the thread's queue is
// emptied and the box is system-modal. Returns the answer code.
uint16_t ShowMessage(StrRef text, StrRef title, uint16_t type);
// Shows the message (or name) of code: type 1 below kFirstSerious, type 3 (and the log) from it; clears
// the pending error detail.
void ShowErrorCode(ErrCode code);
// A yes/no question (with Cancel when answers holds the character 3); Cancel counts as no.
bool AskYesNo(StrRef text, StrRef answers);

// How a box is shown; tests replace it to answer boxes that cannot be seen. Null members fall
// back to the real message box.
struct MessageBoxSeams {
    // Returns the pressed button, or kNone when the box could not be shown.
    BoxButton (*show)(const char* text, const char* title, BoxButtons buttons, BoxIcon icon, bool systemModal) = nullptr;
};
void SetMessageBoxSeams(const MessageBoxSeams& seams);
// The real box (message_box_win.cpp): owned by the top window; a system-modal box first empties
// the thread's queue. Where there is no window system it is not shown (kNone).
BoxButton OsShowBox(const char* text, const char* title, BoxButtons buttons, BoxIcon icon, bool systemModal);

}  // namespace rt
