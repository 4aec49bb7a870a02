// The pool form of numbers and the language's rounded division.
#include "runtime/scaled_number.h"

#include <cstdint>

#include "runtime/temp_pool.h"

namespace rt {

StrRef NumberToSlot(ScaledNumber v) {
    ErrCode err = 0;
    char* p = PoolBuffer(kNumberSlotSize, &err);
    if (!p) return StrErr(err ? err : kErrOutOfMemory);
    uint64_t u = static_cast<uint64_t>(v);
    for (int i = 0; i < kNumberSlotSize; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return StrMake(p, kNumberSlotSize);
}

ScaledNumber SlotToNumber(StrRef slot) {
    if (!slot.ok()) return -1;
    if (slot.len == 0) return 0;
    if (slot.len != kNumberSlotSize) return -1;
    uint64_t u = 0;
    for (int i = 0; i < kNumberSlotSize; ++i) u |= static_cast<uint64_t>(slot.at(static_cast<uint16_t>(i))) << (8 * i);
    return static_cast<ScaledNumber>(u);
}

ScaledNumber RoundedDivide(ScaledNumber a, ScaledNumber b) {
    if (b == 0) return 0;
    // Magnitudes in unsigned arithmetic, so that INT64_MIN has one too.
    uint64_t ma = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
    uint64_t mb = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
    uint64_t q = ma / mb;
    uint64_t r = ma % mb;
    // r >= mb / 2 without truncating the half: for an odd divisor the truncated half would round
    // 1/3 up to 1. r < mb, so mb - r cannot wrap.
    if (mb > 1 && r >= mb - r) ++q;
    bool negative = (a < 0) != (b < 0);
    if (negative) {
        if (q > static_cast<uint64_t>(INT64_MAX) + 1) return INT64_MIN;
        return static_cast<ScaledNumber>(0 - q);
    }
    if (q > static_cast<uint64_t>(INT64_MAX)) return INT64_MAX;
    return static_cast<ScaledNumber>(q);
}

}  // namespace rt
