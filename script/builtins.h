// Built-in functions: the FunctionTable of names, the dispatcher and the argument access that
// every handler uses.
//
// A call evaluates its arguments (up to 16, separated by ';' or ',') and pushes each on the
// argument stack, string-store group 35: a number as an 8-byte slot, a text as it is, an empty
// argument as the one-byte marker ESC (0x1B), which reads back as "absent" so the default applies.
// The stack depth is restored after the call. Handlers read arguments by 1-based position.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "script/expr_cursor.h"
#include "script/expr_value.h"
#include "runtime/scaled_number.h"

namespace rt {

enum BuiltinFunction : uint16_t {
    kFnSysArray = 1,   // _#
    kFnFileLen,        // FN#FLEN
    kFnTextLen,        // FN#SLEN
    kFnParmNumber,     // FN#PARM
    kFnValue,          // FN#VALN
    kFnAccumulate,     // FN#ACUM
    kFnChooseNumber,   // CHK#
    kFnChange,         // FN$CHNG
    kFnChars,          // FN$CHRS
    kFnDate,           // FN$DATE
    kFnFieldValue,     // FN$FLDS
    kFnMask,           // FN$MASK
    kFnMid,            // FN$MIDS
    kFnParmText,       // FN$PARM
    kFnTrim,           // FN$TRIM
    kFnEnvelope,       // ENVELOP$
    kFnChooseText,     // CHK$
    kFnSort,           // SORT$
    kFnExec,           // EXEC$
    kFnRead,           // READ$
    kFnWrite,          // WRITE
    kFnMacro,          // MACRO$
    kFnEnviron,        // ENVRON$
    kFnStringGroup,    // _$
    kFnTime,           // TIME$
    kFnExpand,         // EXP$
    kFnSqlChild,       // SQLCHILD
    kFnErr,            // ERR
    kFnEscapes,        // $$
    kFnIndexOf,        // INDEXOF
};
inline constexpr uint16_t kBuiltinCount = 30;
inline constexpr uint16_t kFirstExtension = 31;
inline constexpr uint16_t kLastExtension = 62;
inline constexpr uint16_t kMaxArguments = 16;
inline constexpr char kEmptyArgMarker = '\x1b';
// The function names, comma-separated, in code order.
extern const char kFunctionNames[];

// Code of a function name (1..30, or 31..62 for a registered extension), looked up as written and
// then upper-cased; 0 when it is not a built-in. The first lookup also stores the name list as
// item 8 of group 0 (the ".funclist" slot), separated by ';'.
uint16_t BuiltinCode(StrRef name);
// Name of a code (static text); empty for an unknown code.
StrRef BuiltinName(uint16_t code);

// How many arguments the dispatcher evaluates before the handler runs.
enum ArgMode : uint8_t {
    kArgsAll = 0,    // up to 16
    kArgsNone = 1,   // none: the handler reads the argument text itself
    kArgsFirst = 2,  // only the first: the handler scans the rest (lazy choice)
};

// One call in progress.
struct BuiltinCall {
    uint16_t code = 0;
    ExprCursor at;                      // the scan step of the call
    StrRef args;                        // the argument text
    ExprCursor rest;                    // cursor over args behind the evaluated arguments
    uint16_t base = 0;                  // argument stack depth before the call
    uint16_t count = 0;                 // arguments evaluated and pushed
    uint16_t types[kMaxArguments] = {}; // 0 number, 1 text per evaluated argument
};

// A handler leaves its value in *result (a text above the dispatcher's mark) and returns 0, a
// warning below kFirstSerious or an error.
using BuiltinHandler = ErrCode (*)(BuiltinCall& call, ExprValue* result);

// Runs the built-in of a scanned call (at.func): marks the pool, evaluates the arguments its mode
// asks for, calls the handler, reports an error of kFirstSerious or more with the call's text,
// restores the argument stack and keeps only the result. A function without a handler yet gives
// kErrFeatureRemoved; an empty extension slot kErrSyntax.
ErrCode CallBuiltin(const ExprCursor& at, ExprValue* result);

// Registers an added function under code 31..62 (name upper case); kErrBadInput for another code.
ErrCode BuiltinExtensionSet(uint16_t code, const char* name, BuiltinHandler handler, ArgMode mode);

// ---- argument access for handlers --------------------------------------------------------------
// kErrSyntax when the count of evaluated arguments lies outside least..most.
ErrCode ArgCheck(const BuiltinCall& call, uint16_t least, uint16_t most);
// 0 number, 1 text, -1 when argument k is absent or empty.
int ArgType(const BuiltinCall& call, uint16_t k);
// Number argument k, or deflt when absent or empty; kErrTypeMismatch when it is a text.
ErrCode ArgNumber(const BuiltinCall& call, uint16_t k, ScaledNumber deflt, ScaledNumber* out);
// ArgNumber / S rounded, as a 16-bit integer.
ErrCode ArgInt(const BuiltinCall& call, uint16_t k, int16_t deflt, int16_t* out);
// Text argument k, or deflt when absent or empty; kErrTypeMismatch when it is a number. The text is
// a view into the string store, valid until the store next changes.
ErrCode ArgText(const BuiltinCall& call, uint16_t k, StrRef deflt, StrRef* out);
// For handlers that scan their own arguments: true when argument text is left behind call.rest.
bool ArgsLeft(const BuiltinCall& call);
// Evaluates the next argument text (kErrNullExpression when it is empty) and advances call.rest.
ErrCode ArgEvaluateNext(BuiltinCall& call, ExprValue* out);
// Steps over the next argument text without evaluating it.
void ArgSkipNext(BuiltinCall& call);

}  // namespace rt
