// Character, set and substring searches over texts, optionally skipping quoted sections.
#include "runtime/text_search.h"

#include <algorithm>
#include <cstring>

#include "runtime/text_building.h"
#include "runtime/text_list.h"

namespace rt {
namespace {

// First position >= from whose byte satisfies pred, in the given mode (quoted: ScanUnquoted).
template <class Pred>
uint16_t Scan(StrRef s, uint32_t from, bool plain, Pred pred) {
    if (!plain) return ScanUnquoted(s, from, [&pred](unsigned char c, uint16_t) { return pred(c); });
    for (uint32_t i = from; i < s.len; ++i) {
        if (pred(s.at(static_cast<uint16_t>(i)))) return static_cast<uint16_t>(i);
    }
    return kNpos;
}

// FindStr restricted to positions >= from.
uint16_t FindStrFrom(StrRef s, uint32_t from, StrRef pattern, bool plain) {
    if (!s.ok() || !pattern.ok() || pattern.len == 0 || pattern.len > s.len) return kNpos;
    const char first = pattern.ptr[0];
    uint32_t p = from;
    while (p < s.len) {
        const uint16_t f = FindChar(s, static_cast<uint16_t>(p), first, plain);
        if (f == kNpos || uint32_t{f} + pattern.len > s.len) return kNpos;
        if (std::memcmp(s.ptr + f + 1, pattern.ptr + 1, pattern.len - 1u) == 0) return f;
        p = uint32_t{f} + 1;
    }
    return kNpos;
}

}  // namespace

uint16_t FindChar(StrRef s, uint16_t from, char ch, bool plain) {
    if (!s.ok() || from >= s.len) return kNpos;
    if (plain) {
        const void* hit = std::memchr(s.ptr + from, static_cast<unsigned char>(ch), s.len - from);
        return hit ? static_cast<uint16_t>(static_cast<const char*>(hit) - s.ptr) : kNpos;
    }
    const unsigned char want = static_cast<unsigned char>(ch);
    return Scan(s, from, false, [want](unsigned char c) { return c == want; });
}

uint16_t FindAny(StrRef s, StrRef set, bool plain) {
    if (!s.ok() || !set.ok() || set.len == 0) return kNpos;
    const ByteSet table(set);
    return Scan(s, 0, plain, [&table](unsigned char c) { return table.has[c]; });
}

uint16_t FindStr(StrRef s, StrRef pattern, bool plain) {
    return FindStrFrom(s, 0, pattern, plain);
}

uint16_t FindLast(StrRef s, StrRef pattern, int mode, bool plain) {
    if (!s.ok() || !pattern.ok() || pattern.len == 0) return kNpos;
    uint16_t last = kNpos;
    uint32_t from = 0;
    if (mode == 0 || mode == 1) {
        const ByteSet table(mode == 0 ? pattern : StrMake(pattern.ptr, 1));
        for (;;) {
            const uint16_t p = Scan(s, from, plain, [&table](unsigned char c) { return table.has[c]; });
            if (p == kNpos) return last;
            last = p;
            from = uint32_t{p} + 1;
        }
    }
    if (mode == 2) {
        for (;;) {
            const uint16_t p = FindStrFrom(s, from, pattern, plain);
            if (p == kNpos) return last;
            last = p;
            from = uint32_t{p} + 1;
        }
    }
    return kNpos;
}

uint16_t FindFirstOf(StrRef s, StrRef list, int mode) {
    if (!s.ok() || !list.ok()) return kNpos;
    if (mode == 0) return FindAny(s, list, false);
    if (mode != 1 && mode != 2) return kNpos;
    uint16_t best = kNpos;
    const uint16_t count = FieldCount(list, ',');
    StrRef rest = list;
    for (uint32_t k = 0; k < count; ++k) {
        const StrRef field = Field(rest, ',', 1);
        rest = FieldRest(rest, ',');
        const uint16_t p = mode == 1 ? FindAny(s, field, false) : FindStr(s, field, false);
        best = std::min(best, p);
    }
    return best;
}

uint16_t CountStr(StrRef s, StrRef pattern, bool plain) {
    if (!s.ok() || !pattern.ok() || pattern.len == 0) return 0;
    // A chunk must be able to hold the pattern, or the overlap step would never advance.
    const uint32_t chunkMax = std::max<uint32_t>(kMaxText, pattern.len);
    uint32_t pos = 0;
    uint32_t count = 0;
    while (pos + pattern.len <= s.len) {
        const uint32_t chunk = std::min<uint32_t>(chunkMax, s.len - pos);
        const uint16_t f = FindStr(StrMake(s.ptr + pos, static_cast<uint16_t>(chunk)), pattern, plain);
        if (f != kNpos) {
            ++count;
            pos += uint32_t{f} + pattern.len;
            continue;
        }
        if (pos + chunk >= s.len) break;
        // Keep the last pattern length - 1 bytes so that a match across the border is found.
        pos += chunk - (pattern.len - 1u);
    }
    return static_cast<uint16_t>(count);
}

}  // namespace rt
