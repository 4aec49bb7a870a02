// What a form gives back: its fields' starting texts, the collected result (exit key, quoted
// values, assignments, status), the values stored into variables, and catalogue message 17 for
// a text that cannot go into or come out of a control.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/form_definition.h"

namespace rt {

// Items of string-store group 9: the values of the last accepted form (read by the next form's
// fields without a starting value) and its assignments.
inline constexpr uint16_t kItemFormValues = 20;
inline constexpr uint16_t kItemFormAssignments = 21;

struct FormResult {
    uint16_t exitKey = 0;   // _LASTKEY when the form ended; 32 is reported as 0
    StrRef values;          // FormQuote of each field's text, in field order, joined by ','
    StrRef assignments;     // name=value of each field with a target, joined by ';' (statements)
    ErrCode status = 0;     // 0, 122 when left without accepting, or the first error
};

// The text field starts with: part 4 when it was written, else entry n of the last accepted
// form's values, unquoted. A view into the form or a pool text.
StrRef FormInitialValue(const FormField& field);

// Reports catalogue message 17 filled with the field's number and definition text as the detail
// of 163 (recorded) and returns 163.
ErrCode ReportFieldText(const FormField& field);
// 0 when value can be put into the field's control; otherwise (a NUL, which no control can
// hold) ReportFieldText.
ErrCode CheckFieldValue(const FormField& field, StrRef value);

// Stores text into the field's store target (part 5, or a part-3 array element), converted to
// the variable's type: strings take the text, numeric variables the value of the field's type
// (a typed number cleaned up, a date, a time, a logical 0 or 1). The store's ErrCode (140 for a
// subscript that does not evaluate, 149 for more than four). Leaves the pool as it found it.
ErrCode FormStoreValue(const FormField& field, StrRef text);

// The control text of a field: a pool text, or an error value when it cannot be read.
using FieldTextFn = StrRef (*)(void* context, const FormField& field);

// Collects the result of a form that ended with _LASTKEY lastKey. Nothing is collected when the
// exit key is 0 and flag 0x4000 is clear (status 0). A key that does not accept (not 0, 9, 28,
// 29 or 32) gives status 122 and no values. Otherwise each field's text is read (a 'Q' field
// has none), stored into its store target at once, quoted into the values and, for a field with
// a target, added to the assignments: a string variable takes the quoted text, a numeric one
// the number's canonical text ("0" for zero), so no typed text can become an expression. The
// assignments are separate statements: joined by "&&" the evaluator would read "a='x'&&b=1" as
// a=('x'&&b)=1, because '=' binds weakest, and fail on every string. A text
// that cannot be read is reported with message 17 (163); that, or a failed store, is the status
// and drops everything collected. Accepted values and assignments are kept in group 9 for the
// next form; both texts are left above the caller's mark.
ErrCode FormCollect(const Form& form, uint16_t lastKey, uint16_t flags, FieldTextFn read, void* context,
                    FormResult* out);

}  // namespace rt
