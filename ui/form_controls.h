// The input controls of form fields: making them, putting texts in and reading them out, and the
// replaced control procedures that turn keys, focus changes and clicks into screen actions.
//
// A control hands each action to its form window as the message kMsgFieldAction (control id,
// action word), so that the form alone decides what happens; the controls know no form. The
// calls exist on Windows only.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/form_definition.h"
#include "ui/form_layout.h"
#include "ui/window_stack.h"

namespace rt {

// Messages of the form window: an action from one of its controls (wParam the control's id,
// lParam the action word); private message n to the form (action 23 + 256 n); to an edit field,
// its private message (action 18).
inline constexpr unsigned kMsgFieldAction = 0x88F0;
inline constexpr unsigned kMsgFormPrivate = 0x88E0;
inline constexpr unsigned kMsgEditPrivate = 0x88E1;

// Bit of _COMPAT that leaves every control its standard behaviour (nothing is replaced).
inline constexpr uint16_t kCompatNoSubclass = 512;

// Hook slots (HostHooks) that watch the controls, with the signatures their callers use.
inline constexpr int kHookF12 = 26;       // F12 in an edit field
inline constexpr int kHookLink = 32;      // a link clicked in a rich-text field
inline constexpr int kHookContext = 34;   // right button in an edit field
inline constexpr int kHookClick = 35;     // left button released in an edit field
using F12Hook = void (*)(bool shift, bool ctrl);
using LinkHook = void (*)(StrRef text);
// Field number (control id - 1999) and the character column under the mouse; 0 takes the click.
using ContextHook = ErrCode (*)(uint16_t field, uint16_t column);
// A description of the control: "<field number>:<its text>".
using ClickHook = void (*)(StrRef description);

// The operating system behind the rich-text fields; tests replace it.
struct FormControlSeams {
    // True when the rich-edit class "RICHEDIT50W" can be made (its library loads).
    bool (*richEditReady)() = nullptr;
};
void SetFormControlSeams(const FormControlSeams& seams);
bool RichEditReady();

// The input of field (kind by field.control) at r in form: id FieldInputId, the stack font,
// EM_LIMITTEXT of the field's width, a combo box filled with the field's choices; its procedure
// replaced unless _COMPAT has kCompatNoSubclass. Null when the system does not make it.
WindowHandle MakeFieldControl(WindowHandle form, const FormField& field, const PixelRect& r);
// The owner-drawn "..." button of the field at r (id FieldButtonId).
WindowHandle MakeFieldButton(WindowHandle form, const FormField& field, const PixelRect& r);
// Paints an owner-drawn "..." button; item is the system's DRAWITEMSTRUCT.
void DrawFieldButton(const void* item);

// Puts value into the field's control: an edit's text, the choice of a combo box (the empty
// text when it is none of them), a check button checked for a yes-word or a number other than 0.
// The control is read back: a value the control cannot hold as it is (a NUL, a line break in a
// one-line field, a choice that is not in the list) is reported with catalogue message 17 (163).
ErrCode PutFieldText(WindowHandle control, const FormField& field, StrRef value);
// The field's text as a pool text: the edit's text, the chosen item, the check button's text
// (the logical "true" word when checked, else empty). 163 (not reported: the caller reports it
// with message 17) when it cannot be read as Windows-1252 without changing it.
StrRef FieldControlText(WindowHandle control, const FormField& field);
// Flips a logical field shown as a check button.
void ToggleCheck(WindowHandle button);

}  // namespace rt
