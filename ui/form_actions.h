// What a form does with its screen actions: the session of a running form, the default action
// handler (moving between fields, confirming, cancelling, help and choosers) and the dispatch
// rules that decide when the form window closes. The window layer carries the decisions out.
#pragma once

#include <cstdint>

#include "runtime/errcode.h"
#include "ui/form_definition.h"
#include "ui/form_result.h"

namespace rt {

// What the window layer does after an action, besides closing the window.
enum class FormStep : uint8_t {
    None,
    Focus,    // give the focus to the input of field `field` (scroll it into view)
    Help,     // call the help hook (slot 22) with the form, else the application's help
    Chooser,  // run the chooser of field `field`'s "..." button and put a choice into the field
};

struct FormSession;
// A caller's action handler (ScreenActionSet): receives the action word and returns the action
// result; it may call ScreenActionWinDefault for the default behaviour.
using ScreenActionFn = uint16_t (*)(FormSession& session, uint16_t actionWord);
// A caller's end callback: the result of confirming or cancelling (default 24).
using FormEndFn = uint16_t (*)(FormSession& session, bool confirmed);

// A running form.
struct FormSession {
    Form* form = nullptr;
    uint16_t current = 0;        // 0-based index of the field that has the focus
    bool ending = false;         // confirmed or cancelled: the next close request closes
    FormStep step = FormStep::None;
    uint16_t stepField = 0;      // 0-based field of the step
    ScreenActionFn handler = nullptr;
    FormEndFn onEnd = nullptr;
    // The text a field's input shows now (the window layer's reader), for ON_CONFIRM$'s SCRBACK;
    // without one the fields count as empty.
    FieldTextFn shown = nullptr;
    void* shownContext = nullptr;
};

// The outcome of one dispatched action.
struct FormOutcome {
    uint16_t result = 0;       // the action result; above 121 the window layer shows it
    bool close = false;        // close the form window
    FormStep step = FormStep::None;
    uint16_t field = 0;        // 0-based field of the step
};

// Installs the caller's action handler and end callback for the session (none: defaults).
void ScreenActionSet(FormSession& session, ScreenActionFn handler, FormEndFn onEnd);

// Starts a session on a laid-out form: the focus on its first field that takes input, no step,
// _LASTKEY 4.
void FormSessionStart(FormSession& session, Form& form);

// True when field i (0-based) takes the focus: it has an input and is not read-only.
bool FieldTakesFocus(const FormField& field);

// The default action handler. Next (1, 31) moves to the next field that takes the focus; from
// the last one it evaluates the field's entry of ALARM$ (when given): 0 confirms, an ErrCode
// (122 and up, or a failed evaluation) keeps the form open and is the result, anything else
// keeps it open. Previous (2, 32) moves back. The "Ok" command (25 with argument 100) and
// Ctrl+End (22) confirm: _LASTKEY becomes 0, then ON_CONFIRM$ applies ("SCRBACK", a separator
// and a variable name saves the form as shown, each input's text quoted as a form value and
// joined with ',', into that variable; any other text runs as statements, as ON_CANCEL$ does).
// Escape (21) cancels after evaluating ON_CANCEL$;
// _LASTKEY stays. The close box (28) cancels with _LASTKEY 3, unless the form is already ending,
// when it only closes. Confirming and cancelling give the end callback's result, else 24.
// F1 (19) asks for help; 50 runs field (argument + 1)'s chooser. Other actions give 0.
uint16_t ScreenActionWinDefault(FormSession& session, uint16_t actionWord);

// The action word of a button click (WM_COMMAND, notification 0) from control id: the "Ok"
// button confirms (25 with argument 100), a "..." button runs its field's chooser (50 with the
// field number - 1); 0 for any other id.
uint16_t CommandAction(uint16_t id);

// Dispatches an action from control `id` (a field input, a "..." button, the "Ok" button or the
// form window itself). Action 91 (focus) makes the control's field the current one and passes
// action 38 to the handler; 92 (focus lost) runs no field check (forms carry none) and gives 0;
// every other action goes to the installed handler or the default one. A result from 1 to 127
// with bit 8 set closes the form window and loses bits 4, 8 and 16. When the window closes
// because of action 28, the window layer destroys it instead of asking again.
FormOutcome FormDispatch(FormSession& session, uint16_t id, uint16_t actionWord);

}  // namespace rt
