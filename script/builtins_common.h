// Small helpers shared by the built-in handlers: either-type arguments, results, keyword lookups
// and the raw argument texts of handlers that scan their own arguments.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/text_list.h"
#include "script/builtins.h"
#include "script/expr_cursor.h"
#include "script/expr_value.h"
#include "runtime/number_text.h"
#include "runtime/scaled_number.h"

namespace rt {

// Host hooks that built-ins consult (slots of HostHooks).
// Slot 28: the length of a file, asked before the file system; a negative answer declines.
inline constexpr int kHookFileLength = 28;
using FileLengthHookFn = int64_t (*)(StrRef name);
// Slot 27: SQLCHILD. Asked with 0 for the count of child levels, then with the count for the answer.
inline constexpr int kHookSqlChild = 27;
using SqlChildHookFn = int32_t (*)(int32_t request);

// Argument k as text: a text as it is (a view into the argument stack), a number as its canonical
// text (a new pool entry), deflt when absent or empty.
inline ErrCode ArgAsText(const BuiltinCall& call, uint16_t k, StrRef deflt, StrRef* out) {
    if (ArgType(call, k) != 0) return ArgText(call, k, deflt, out);
    ScaledNumber v = 0;
    ArgNumber(call, k, 0, &v);
    StrRef text = NumberToText(v);
    if (!text.ok()) return StrError(text);
    *out = text;
    return 0;
}

// A character code argument: 0..255, else kErrBadInput.
inline ErrCode ByteOf(int16_t code, char* out) {
    if (code < 0 || code > 255) return kErrBadInput;
    *out = static_cast<char>(code);
    return 0;
}

// A text result; an error value gives its code.
inline ErrCode ResultText(StrRef text, ExprValue* result) {
    if (!text.ok()) return StrError(text);
    *result = ExprValue::Text(text);
    return 0;
}

// A whole number as a result (n units of one).
inline ErrCode ResultWhole(int64_t n, ExprValue* result) {
    *result = ExprValue::Number(static_cast<ScaledNumber>(n) * ScaleFactor());
    return 0;
}

// 1-based position of word in the comma list of keywords; 0 when it is not one.
inline uint16_t KeywordIndex(StrRef word, const char* keywords) {
    return ListIndex(StrFromLiteral(keywords), word, ',');
}

// Number of argument texts of a call's argument text (separated at top level by ';' or ',').
inline uint16_t ArgTextCount(StrRef args) {
    if (!args.ok() || args.len == 0) return 0;
    uint16_t count = 1;
    for (uint16_t pos = FindSeparator(args, 0); pos < args.len; pos = FindSeparator(args, static_cast<uint16_t>(pos + 1)))
        ++count;
    return count;
}

}  // namespace rt
