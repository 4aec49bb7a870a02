// Number texts: the canonical text of a ScaledNumber, reading it back, 16-bit integer conversion,
// a hexadecimal digit's value and the cleanup of a number typed into a field.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/scaled_number.h"

namespace rt {

// Canonical text of v at the current precision P: optional '-', integer digits, and only when
// there is a fractional part '.' and the significant decimals. No leading 0 before the point,
// no trailing zeros, no thousands separator; zero is the empty text.
// With P = 2: 150 -> "1.5", 100 -> "1", 5 -> ".05", -50 -> "-.5", 0 -> "". A pool text.
StrRef NumberToText(ScaledNumber v);
// The same for a count of units of 10^-decimals (decimals 0..19; others give kErrBadInput), for
// integers (decimals 0) and values rounded to another count of decimals. A pool text.
StrRef NumberToTextDecimals(int64_t v, int decimals);

// Reads a canonical-style number text at the current precision into *out (0 on error):
// blanks and tabs trimmed; "15D2" appends 2 zeros to "15"; further decimals round half away
// from zero; reading stops at the first character that is not a digit (after an optional sign),
// which cuts off everything behind it. kErrBadInput when the integer part is longer than 20
// characters, kErrDataOutBound when the value does not fit 64 bits. An error value as input returns
// its code.
ErrCode TextToNumber(StrRef text, ScaledNumber* out);

// v divided by S = 10^P, rounded half away from zero, cut to 16 bits.
int16_t NumberToInt16(ScaledNumber v);
// i multiplied by S.
ScaledNumber NumberFromInt16(int16_t i);

// The value of a hexadecimal digit of either case, -1 for any other character.
int HexValue(char c);

// Input cleanup: reduces a number typed into a field to canonical-style text with '.' as the
// decimal point. The decimal separator is the first ',' or, failing that, the first '.'; other
// separators are dropped; at most 20 characters of ".-0123456789,D " are copied, stopping at any
// other character and at a '-' that is not the first one copied; leading zeros before a digit
// are skipped. A pool text.
StrRef CleanNumberInput(StrRef text);

}  // namespace rt
