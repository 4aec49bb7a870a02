// The expression evaluator: entry points, typed assignment and the host hooks it consults.
//
// Every entry point prepares the text (blanks outside quotes removed, input macros expanded,
// quotes and parentheses checked), marks the pool and leaves only its result above the caller's
// mark: the result slot, an 8-byte number slot or the text of a string.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "script/expr_cursor.h"
#include "script/expr_value.h"
#include "runtime/scaled_number.h"

namespace rt {

// Status of Evaluate: 0 number, 1 string, otherwise the status (warnings above kCompletion and
// below kFirstSerious, errors from kFirstSerious up).
inline constexpr uint16_t kResultNumber = 0;
inline constexpr uint16_t kResultString = 1;

// Nested groups, calls and folded operands deeper than this fail with kErrBadExpression instead of
// exhausting the machine stack.
inline constexpr int kMaxNesting = 100;

// Runs text as a statement list (expressions separated by ';' or ','). Returns 0 or 1 for the
// type of the last value, else the status: a statement with kFirstSerious or more, or
// kErrUserCanceled, stops the list; kFirstSerious and more are reported with the statement's text
// and recorded (module ExpExec); statuses of kCompletion and below are cleared. The result slot is
// left as the newest pool entry (an empty text after an error of kFirstSerious or more).
uint16_t Evaluate(StrRef text);
// As Evaluate, but the last value is also given as *value (its text lies in the result slot).
uint16_t EvaluateValue(StrRef text, ExprValue* value);
// 1 when text is empty or yields a non-zero number; 0 for zero, a string result or a warning
// below kErrUserCanceled; the status itself from kErrUserCanceled up. Leaves nothing in the pool.
uint16_t EvaluateCondition(StrRef text);
// The number result / S rounded, cut to 16 bits; 0x8000 on an error of kFirstSerious or more; 0 for
// a warning or a string result. Leaves nothing in the pool.
int16_t EvaluateInteger(StrRef text);
// The result as text (a number in canonical number text), one pool entry; the error value for a
// status other than 0 and 1.
StrRef EvaluateToText(StrRef text);
// Runs text for its effects; only an error of kFirstSerious or more is returned. Leaves nothing in
// the pool.
ErrCode ExecuteStatements(StrRef text);

// The value of a named constant (".envvar" -> 9, ...), without scaling; false when name (with or
// without its dot) is not one.
bool NamedConstant(StrRef name, int32_t* value);

// Preparation of a text: blanks outside quotes removed, "_ACCEPT#(" and "_ACCEPT$(" expanded.
// kErrLoopFailure for an unclosed quote or unequal counts of '(' and ')'; kErrOutOfMemory beyond
// kMaxText. A pool entry.
StrRef PrepareText(StrRef text);

// For built-ins: evaluates one full expression from c.next (up to a ';' or ',' or the end),
// advancing c. Status kErrNullExpression for an empty expression. Text values lie above the
// caller's mark.
ErrCode EvaluateExpressionAt(ExprCursor* c, ExprValue* out);
// Evaluates a text that is already prepared as a statement list, without recording or reporting;
// the value of the last statement in *out. For built-ins that run argument texts.
ErrCode EvaluatePrepared(StrRef text, ExprValue* out);
// Records code (module ExpExec) and stores text as the error's detail; a second report within the
// same statement is appended to the first, so the detail reads from the inside out.
void ReportExpressionError(ErrCode code, StrRef text);
// The result slot for a value: an 8-byte slot or a copy of the text, as a new pool entry.
StrRef ValueToSlot(const ExprValue& v);

// Host hooks consulted by the evaluator; empty slots give kErrFeatureRemoved where a value is
// needed.
inline constexpr int kHookUnderscoreCall = 2;  // StrRef (name, argument-stack base, count)
inline constexpr int kHookFieldRead = 29;      // StrRef (field text, index)
inline constexpr int kHookFieldAssign = 30;    // ErrCode (field text, value text)
inline constexpr int kHookReclassify = 31;     // uint16_t (operand text, kind)
using UnderscoreCallHookFn = StrRef (*)(StrRef name, uint16_t argBase, uint16_t argCount);
using FieldReadHookFn = StrRef (*)(StrRef field, int16_t index);
using FieldAssignHookFn = ErrCode (*)(StrRef field, StrRef value);
using ReclassifyHookFn = uint16_t (*)(StrRef operand, uint16_t kind);

}  // namespace rt
