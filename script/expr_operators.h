// The binary operators of the language: what each does to two numbers or two texts.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "script/expr_value.h"

namespace rt {

// Combines two numbers with operator op (not '='), at the current precision. kErrExpCalc when the
// result (or a product on the way) does not fit 64 bits and for a division by zero; kErrSyntax for
// op 0 or '='.
ErrCode CombineNumbers(uint16_t op, ScaledNumber left, ScaledNumber right, ScaledNumber* out);
// Combines two texts: '+' concatenates (kErrOutOfMemory beyond kMaxText), comparisons give S or 0
// as a number; every other operator is kErrSyntax. The concatenation is a new pool entry.
ErrCode CombineTexts(uint16_t op, StrRef left, StrRef right, ExprValue* out);
// The '==' of two texts: equal bytes, or (with _AUXSTAT bit 128 clear) a pattern on the right:
// "ABC*" a case-blind prefix, "*ABC*" a part searched in the upper-cased left text.
bool TextsMatch(StrRef left, StrRef right);

}  // namespace rt
