// Small numeric helpers shared by the run-time.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline int64_t Coalesce(int64_t a, int64_t b) { return a != 0 ? a : b; }
inline StrRef CoalesceStr(StrRef a, StrRef b) { return (a.ok() && a.len) ? a : b; }
inline int16_t Min16(int16_t a, int16_t b) { return a < b ? a : b; }
inline int16_t Max16(int16_t a, int16_t b) { return a > b ? a : b; }
// kNpos stays kNpos, else base + pos.
inline uint16_t AddPos(uint16_t base, uint16_t pos) {
    return pos == kNpos ? kNpos : static_cast<uint16_t>(base + pos);
}
// n for 0 and 1, else 1 << (n - 1).
inline uint32_t BitOf(uint32_t n) { return n <= 1 ? n : (n > 32 ? 0u : 1u << (n - 1)); }

}  // namespace rt
