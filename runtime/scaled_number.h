// ScaledNumber: the language's number, a signed 64-bit count of units of 10^-P (P = _PRECIS).
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/typed_arrays.h"

namespace rt {

using ScaledNumber = int64_t;

// Number of the system integer variable _PRECIS (integer variables live in typed array 7).
inline constexpr uint16_t kSysVarPrecis = 32;
inline constexpr int kMaxPrecision = 4;

// Current P: the value of _PRECIS, kept within 0..4 so that S = 10^P fits 16 bits.
inline int Precision() {
    int p = IntGet(kSysVarPrecis);
    return p < 0 ? 0 : (p > kMaxPrecision ? kMaxPrecision : p);
}

// S = 10^P, the number one.
inline uint16_t ScaleFactor() {
    static const uint16_t kPowers[] = {1, 10, 100, 1000, 10000};
    return kPowers[Precision()];
}

// A number travels through the pool as an 8-byte little-endian text (the "number slot").
inline constexpr uint16_t kNumberSlotSize = 8;

// The number as a new 8-byte pool entry; (null, kErrOutOfMemory) when the pool is full.
StrRef NumberToSlot(ScaledNumber v);
// A slot read as a number: 8 bytes give the integer, an empty text 0, any other length -1.
ScaledNumber SlotToNumber(StrRef slot);

// a / b rounded half away from zero: the quotient of the magnitudes is truncated, the sign
// applied, and it moves one unit away from zero when twice the remainder is at least the divisor.
// b = 0 gives 0 (callers that divide by a user's value check first); INT64_MIN / -1 saturates.
ScaledNumber RoundedDivide(ScaledNumber a, ScaledNumber b);

}  // namespace rt
