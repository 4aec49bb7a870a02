// Field walking over separated lists: counting, picking, locating and replacing fields.
#include "runtime/text_list.h"

#include <algorithm>
#include <cstring>

#include "runtime/temp_pool.h"
#include "runtime/text_building.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

// A NUL separator is searched plainly: quote handling would make binary lists unsplittable.
uint16_t SepPos(StrRef list, char sep) { return FindChar(list, 0, sep, sep == '\0'); }

StrRef Tail(StrRef s, uint32_t from) {
    return StrMake(s.ptr + from, static_cast<uint16_t>(s.len - from));
}

}  // namespace

StrRef FieldRest(StrRef list, char sep) {
    if (!list.ok()) return list;
    const uint16_t p = SepPos(list, sep);
    if (p == kNpos) return StrMake(list.ptr + list.len, 0);
    return Tail(list, uint32_t{p} + 1);
}

uint16_t FieldCount(StrRef list, char sep) {
    if (!list.ok() || list.len == 0) return 0;
    // 65535 separators would make 65536 fields; field numbers are 16-bit, so the count saturates.
    uint32_t count = 1;
    StrRef rest = list;
    for (;;) {
        const uint16_t p = SepPos(rest, sep);
        if (p == kNpos) break;
        ++count;
        rest = Tail(rest, uint32_t{p} + 1);
    }
    return static_cast<uint16_t>(std::min<uint32_t>(count, 0xFFFF));
}

FieldSpan FieldPos(StrRef list, char sep, uint16_t n) {
    if (!list.ok() || n == 0 || list.len == 0) return {kNpos, 0};
    uint32_t start = 0;
    for (uint32_t k = 1;; ++k) {
        const StrRef rest = Tail(list, start);
        const uint16_t p = SepPos(rest, sep);
        if (k == n) {
            return {static_cast<uint16_t>(start), p == kNpos ? rest.len : p};
        }
        if (p == kNpos) return {kNpos, 0};
        start += uint32_t{p} + 1;
    }
}

StrRef Field(StrRef list, char sep, uint16_t n) {
    if (!list.ok()) return list;
    const FieldSpan span = FieldPos(list, sep, n);
    if (span.pos == kNpos) return StrMake(list.ptr, 0);
    return StrMake(list.ptr + span.pos, span.len);
}

uint16_t ListIndex(StrRef list, StrRef item, char sep) {
    if (!list.ok() || !item.ok() || item.len > list.len) return 0;
    const uint16_t count = FieldCount(list, sep);
    StrRef rest = list;
    for (uint32_t k = 1; k <= count; ++k) {
        const StrRef field = Field(rest, sep, 1);
        if (field.len == item.len && std::memcmp(field.ptr, item.ptr, item.len) == 0) {
            return static_cast<uint16_t>(k);
        }
        rest = FieldRest(rest, sep);
    }
    return 0;
}

uint16_t FieldWidth(StrRef list, char sep, bool narrowest) {
    const uint16_t count = FieldCount(list, sep);
    if (count == 0) return 0;
    uint16_t width = narrowest ? 0xFFFF : 0;
    StrRef rest = list;
    for (uint32_t k = 0; k < count; ++k) {
        const uint16_t len = Unquote(Field(rest, sep, 1)).len;
        width = narrowest ? std::min(width, len) : std::max(width, len);
        rest = FieldRest(rest, sep);
    }
    return width;
}

int16_t FieldInt(StrRef list, char sep, uint16_t n) {
    // TrimUnquote would also upper-case, which ToInt does itself; the pieces need no pool.
    return ToInt(Unquote(Trim(Field(list, sep, n), kTrimStart | kTrimEnd)));
}

StrRef SetField(StrRef list, StrRef value, char sep, int n) {
    if (!list.ok()) return list;
    if (!value.ok()) return value;
    const uint32_t count = FieldCount(list, sep);
    const StrRef sepText = StrMake(&sep, 1);
    StrRef out;

    if (n < 0) {
        const int64_t k = -static_cast<int64_t>(n);
        if (k > count) return Copy(list);
        const FieldSpan span = FieldPos(list, sep, static_cast<uint16_t>(k));
        uint32_t cutStart = span.pos;
        uint32_t cutEnd = uint32_t{span.pos} + span.len;
        if (k < count) {
            ++cutEnd;  // the separator behind the field
        } else if (k > 1) {
            --cutStart;  // the last field takes the separator before it
        }
        char* w = NewText(list.len - (cutEnd - cutStart), &out);
        if (!w) return out;
        Put(w, StrMake(list.ptr, static_cast<uint16_t>(cutStart)));
        Put(w, Tail(list, cutEnd));
        return out;
    }

    if (n > 0 && static_cast<uint32_t>(n) <= count) {
        const FieldSpan span = FieldPos(list, sep, static_cast<uint16_t>(n));
        char* w = NewText(uint64_t{list.len} - span.len + value.len, &out);
        if (!w) return out;
        Put(w, StrMake(list.ptr, span.pos));
        Put(w, value);
        Put(w, Tail(list, uint32_t{span.pos} + span.len));
        return out;
    }

    // Append: n = 0 adds one field; n beyond the end pads with empty fields up to field n.
    uint64_t seps = 0;
    if (n == 0) {
        seps = count ? 1 : 0;
    } else {
        seps = static_cast<uint64_t>(n) - std::max<uint32_t>(count, 1);
    }
    char* w = NewText(uint64_t{list.len} + seps + value.len, &out);
    if (!w) return out;
    Put(w, list);
    for (uint64_t i = 0; i < seps; ++i) Put(w, sepText);
    Put(w, value);
    return out;
}

}  // namespace rt
