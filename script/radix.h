// Integers written in and read from a radix between 2 and 36.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// v in the radix: lower-case digits ('a' = 10), a leading '-' when negative, "0" for zero.
// kErrBadInput for a radix outside 2..36. A pool text.
StrRef IntToRadix(int64_t v, int radix);

// Reads text as an integer in the radix from its right end: digits '0'-'9' and letters in either
// case; the first character (from the right) that is not a digit of the radix ends the reading,
// and when it is '-' the value read so far is negated. kErrBadInput for a radix outside 2..36,
// kErrDataOutBound when the value does not fit 64 bits; *out is 0 then. An error value as text
// returns its code.
ErrCode RadixToInt(StrRef text, int radix, int64_t* out);

}  // namespace rt
