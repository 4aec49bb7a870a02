// Substrings by position and byte-wise comparison of texts.
#include <algorithm>
#include <cstring>

#include "runtime/text_ops.h"

namespace rt {
namespace {

unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

uint16_t Order(int diff) { return diff == 0 ? 0 : (diff > 0 ? 1 : 0xFFFF); }

}  // namespace

StrRef SubStr(StrRef s, int32_t start, uint16_t count) {
    if (!s.ok()) return s;
    const int64_t length = s.len;
    int64_t from = start;
    int64_t n = count;
    if (from < 0) {
        from = std::max<int64_t>(from + length, 0);
        n = length - from;
    }
    if (from + n > length) n = from > length ? 0 : length - from;
    // A start past the end yields the empty text at the end, never a pointer beyond it.
    from = std::min(from, length);
    return StrMake(s.ptr + from, static_cast<uint16_t>(n));
}

uint16_t Compare(StrRef a, StrRef b) {
    if (!a.ok() || !b.ok()) return kErrStrOutBound;
    const uint16_t common = std::min(a.len, b.len);
    const int diff = common ? std::memcmp(a.ptr, b.ptr, common) : 0;
    if (diff != 0) return Order(diff);
    return Order(int{a.len} - int{b.len});
}

uint16_t CompareFold(StrRef a, StrRef b, bool fold) {
    if (!fold) return Compare(a, b);
    if (!a.ok() || !b.ok()) return kErrStrOutBound;
    const uint16_t common = std::min(a.len, b.len);
    for (uint16_t i = 0; i < common; ++i) {
        const int diff = int{Upper(a.at(i))} - int{Upper(b.at(i))};
        if (diff != 0) return Order(diff);
    }
    return Order(int{a.len} - int{b.len});
}

}  // namespace rt
