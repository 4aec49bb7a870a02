// ScaledNumber: the language's number, a signed 64-bit count of units of 10^-P (P = _PRECIS).
#pragma once

#include <cstdint>

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

}  // namespace rt
