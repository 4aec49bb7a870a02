// Numbered "[$k]" placeholder substitution and numeric range lists.
#include <cstdio>

#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

constexpr uint32_t kPlaceholderLimit = 64;

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

// Reads an optionally signed decimal number at *i, saturating at the 64-bit range.
// False when there is no digit.
bool ReadNumber(StrRef s, uint16_t* i, int64_t* out) {
    uint32_t p = *i;
    while (p < s.len && IsBlank(s.at(static_cast<uint16_t>(p)))) ++p;
    bool negative = false;
    if (p < s.len && (s.ptr[p] == '-' || s.ptr[p] == '+')) negative = s.ptr[p++] == '-';
    const uint32_t digitsFrom = p;
    uint64_t v = 0;
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    while (p < s.len && s.ptr[p] >= '0' && s.ptr[p] <= '9') {
        const unsigned d = static_cast<unsigned>(s.ptr[p++] - '0');
        v = (v > (limit - d) / 10) ? limit : v * 10 + d;
    }
    if (p == digitsFrom) return false;
    while (p < s.len && IsBlank(s.at(static_cast<uint16_t>(p)))) ++p;
    *i = static_cast<uint16_t>(p);
    if (negative) {
        *out = v == (uint64_t{1} << 63) ? INT64_MIN : -static_cast<int64_t>(v);
    } else {
        *out = static_cast<int64_t>(v);
    }
    return true;
}

bool ItemMatches(StrRef item, int64_t value) {
    uint16_t i = 0;
    int64_t lo = 0;
    if (!ReadNumber(item, &i, &lo)) return false;
    if (i < item.len && item.ptr[i] == '-') {
        ++i;
        int64_t hi = 0;
        if (!ReadNumber(item, &i, &hi)) return false;
        return lo <= value && value <= hi;
    }
    return value == lo;
}

}  // namespace

bool RangeMatch(StrRef list, int64_t value) {
    if (!list.ok()) return false;
    if (list.len == 0) return true;
    const uint16_t count = FieldCount(list, ',');
    StrRef rest = list;
    for (uint32_t k = 0; k < count; ++k) {
        if (ItemMatches(Field(rest, ',', 1), value)) return true;
        rest = FieldRest(rest, ',');
    }
    return false;
}

StrRef Placeholders(StrRef text, StrRef values) {
    if (!text.ok()) return text;
    if (!values.ok()) return values;
    const uint16_t mark = PoolMark();
    const uint32_t fields = FieldCount(values, ',');
    const StrRef opener = StrMake("[$", 2);
    StrRef cur = text;
    for (uint32_t k = 1;; ++k) {
        // Past the given values, markers left in the text are cleared, up to a fixed number.
        if (k > fields && (k >= kPlaceholderLimit || FindStr(cur, opener, true) == kNpos)) break;
        char marker[16];
        const int n = std::snprintf(marker, sizeof marker, "[$%u]", static_cast<unsigned>(k));
        const StrRef pattern = StrMake(marker, static_cast<uint16_t>(n));
        if (FindStr(cur, pattern, true) == kNpos) continue;
        const StrRef replacement = k <= fields ? Field(values, ',', static_cast<uint16_t>(k)) : StrEmpty();
        const StrRef next = Replace(cur, pattern, replacement, true);
        if (!next.ok()) {
            PoolRelease(mark);
            return next;
        }
        cur = PoolReturn(mark, next);
        if (!cur.ok()) return cur;
    }
    return cur.ptr == text.ptr ? PoolReturn(mark, text) : cur;
}

}  // namespace rt
