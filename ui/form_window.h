// Running a form for real: from its title and definition texts to a window of labelled controls,
// the modal loop while a person fills it in, and the collected result; and the check list.
//
// Entry points for the updater:
//   FormResult r;
//   ErrCode status = RunForm(title, definition, kFormUpdaterFlags, &r);
//   // status 0: r.values holds each field's text quoted (FormUnquote gives it back exactly),
//   //           joined by ','; r.assignments the statements of the bound fields.
//   // status 122: left with Escape or the close box (no values, no variables changed).
//   // any other: the error (163 with message 17 for a text a control cannot carry, 141 for a
//   //            rich-text field without rich-edit support, 179 when no window could be made).
//   uint16_t mask; ErrCode s = RunCheckList(title, names, sysVar, &mask);
// User values go into definitions only through FormFill / FormQuote (ui/form_value.h).
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/form_actions.h"
#include "ui/form_definition.h"
#include "ui/form_result.h"
#include "ui/window_stack.h"

namespace rt {

// The flags the updater runs its forms with: collect the values of a confirmed form (whose exit
// key is 0) and apply SCREENSIZE$.
inline constexpr uint16_t kFormUpdaterFlags = kFormCollectAlways | kFormScreenSize;

// Bits of system variables the form window reads.
inline constexpr uint16_t kAuxStatLogicalButton = 16;  // _AUXSTAT: logical fields as check buttons
inline constexpr uint16_t kAdmStatResizable = 8;       // _ADMSTAT "bit 8": thick frame, maximise box, resize hook

// Hook slots (HostHooks) of the form window, with their signatures.
inline constexpr int kHookHelp = 22;    // F1: the form and its current field (0-based)
inline constexpr int kHookResize = 39;  // the form window's new client size
using FormHelpHook = void (*)(const Form& form, uint16_t field);
using FormResizeHook = void (*)(WindowHandle form, int width, int height);

// What a caller adds to a form run (ScreenActionSet): its action handler and end callback; null
// members keep the defaults.
struct FormCallbacks {
    ScreenActionFn handler = nullptr;
    FormEndFn onEnd = nullptr;
};

// Runs a form (flags of ui/form_definition.h) and returns out->status:
//  1. Unless flag 0x2000 the screen geometry (_DEVWID, _DEVHIG, margins, spacing) is restored
//     afterwards. The definition is read (AcceptWinSelect) and laid out (FormLayout, logical
//     fields as check buttons while _AUXSTAT has bit 16): their errors end the form unshown, as
//     does a rich-text field without rich-edit support (141).
//  2. A window of kind Dialogx (Mant with flag 0x8000; resizable while _ADMSTAT has bit 8) sized
//     to the grid, or to the work area with scroll bars when larger, placed at the next window
//     position (against the right edge with flag 0x100); 179 when it cannot be made.
//  3. Title lines, labels, the controls with their "..." buttons and their starting values
//     (FormInitialValue; a value a control cannot hold is 163 with message 17), then "Ok".
//  4. The modal loop until the person confirms (Enter, Tab or Down on the last field when its
//     ALARM$ entry allows, Ctrl+End, "Ok") or leaves (Escape, the close box).
//  5. FormCollect with the last key: values, assignments and stores, kept for the next form; a
//     confirmed form (exit key 0) is collected only with flag 0x4000.
// out->values and out->assignments are left above the caller's mark. _CUREDFLD is kept.
ErrCode RunForm(StrRef title, StrRef definition, uint16_t flags, FormResult* out,
                const FormCallbacks* callbacks = nullptr);

// The check list (ui/check_list.h): one logical field per name, started from the bits of the
// integer system variable sysVar (-1: none), run as a form with kFormUpdaterFlags. On acceptance
// *mask has bit n - 1 set for each name answered yes (also stored in sysVar); 122 when left.
ErrCode RunCheckList(StrRef title, StrRef names, int16_t sysVar, uint16_t* mask);

}  // namespace rt
