// The list sorts: stable field sort, and the padded-record sort of SORT$ and folder listings.
#include "runtime/text_list_sort.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {

namespace {

// Byte comparison of two items as if the shorter were padded with blanks to the longer; this is
// the comparison of records as wide as the longest item over their whole width.
int PaddedCompare(const char* a, uint16_t na, const char* b, uint16_t nb) {
    uint16_t common = na < nb ? na : nb;
    int c = std::memcmp(a, b, common);
    if (c) return c < 0 ? -1 : 1;
    const unsigned char* rest = reinterpret_cast<const unsigned char*>(na > nb ? a : b);
    for (uint16_t i = common; i < (na > nb ? na : nb); ++i) {
        if (rest[i] != ' ') {
            int longerIsGreater = rest[i] > ' ' ? 1 : -1;
            return na > nb ? longerIsGreater : -longerIsGreater;
        }
    }
    return 0;
}

uint16_t TrimmedLength(const char* p, uint16_t n) {
    while (n && p[n - 1] == ' ') --n;
    return n;
}

ErrCode SplitItems(StrRef list, uint16_t flags, ListOrder* o) {
    const char sep = (flags & kSortNulSeparated) ? '\0' : ',';
    uint32_t start = 0;
    for (;;) {
        if (o->items == kNpos) return kErrOutOfMemory;
        const StrRef rest = StrMake(list.ptr + start, static_cast<uint16_t>(list.len - start));
        // A `,` inside quotes belongs to its item; NUL lists hold names, which have no quotes.
        const uint16_t p = FindChar(rest, 0, sep, sep == '\0');
        const uint16_t s = static_cast<uint16_t>(start);
        const uint16_t n = p == kNpos ? rest.len : p;
        const uint16_t index = static_cast<uint16_t>(o->items);
        if (!o->starts.Append(&s, 2) || !o->lens.Append(&n, 2) || !o->order.Append(&index, 2))
            return kErrOutOfMemory;
        if (n > o->width) o->width = n;
        ++o->items;
        if (p == kNpos) return 0;
        start += uint32_t{n} + 1;
    }
}

}  // namespace

ErrCode ListOrderOf(StrRef list, uint16_t flags, ListOrder* o) {
    if (!list.ok()) return StrError(list);
    if (ErrCode err = SplitItems(list, flags, o)) return err;
    uint16_t* ord = reinterpret_cast<uint16_t*>(o->order.data());
    const bool descending = flags & kSortDescending;
    std::sort(ord, ord + o->items, [&](uint16_t x, uint16_t y) {
        int c = PaddedCompare(list.ptr + o->Start(x), o->Len(x), list.ptr + o->Start(y), o->Len(y));
        if (c) return descending ? c > 0 : c < 0;
        return x < y;  // equal items keep their order
    });
    o->kept = o->items;
    if (flags & kSortUnique) {
        uint32_t w = 0;
        for (uint32_t k = 0; k < o->items; ++k) {
            if (w && PaddedCompare(list.ptr + o->Start(ord[w - 1]), o->Len(ord[w - 1]),
                                   list.ptr + o->Start(ord[k]), o->Len(ord[k])) == 0)
                continue;
            ord[w++] = ord[k];
        }
        o->kept = w;
    }
    return 0;
}

namespace {

// Length of the joined result of a sort.
uint64_t JoinedLength(StrRef list, const ListOrder& o, uint16_t flags) {
    uint64_t total = o.kept ? o.kept - 1 : 0;
    for (uint32_t k = 0; k < o.kept; ++k) {
        uint16_t i = o.At(k);
        total += (flags & kSortTrimItems) ? TrimmedLength(list.ptr + o.Start(i), o.Len(i)) : o.width;
    }
    return total;
}

// Writes the sorted items joined with the separator into out (JoinedLength bytes).
void WriteJoined(StrRef list, const ListOrder& o, uint16_t flags, char* out) {
    const char sep = (flags & kSortNulSeparated) ? '\0' : ',';
    for (uint32_t k = 0; k < o.kept; ++k) {
        if (k) *out++ = sep;
        uint16_t i = o.At(k);
        const char* p = list.ptr + o.Start(i);
        uint16_t n = o.Len(i);
        if (flags & kSortTrimItems) {
            n = TrimmedLength(p, n);
            std::memcpy(out, p, n);
            out += n;
        } else {
            std::memcpy(out, p, n);
            std::memset(out + n, ' ', o.width - n);
            out += o.width;
        }
    }
}

}  // namespace

StrRef JoinInOrder(StrRef list, const ListOrder& o, uint16_t flags) {
    const uint64_t len = JoinedLength(list, o, flags);
    if (len > kMaxText) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* out = PoolBuffer(static_cast<uint32_t>(len), &err);
    if (!out) return StrErr(err ? err : kErrOutOfMemory);
    WriteJoined(list, o, flags, out);
    return StrRef{out, static_cast<uint16_t>(len)};
}

StrRef SortList(StrRef list, uint16_t flags) {
    if (!list.ok()) return list;
    ListOrder o;
    if (ErrCode err = ListOrderOf(list, flags, &o)) return StrErr(err);
    return JoinInOrder(list, o, flags);
}

StrRef ListSort(StrRef list, char sep, int flags) {
    if (!list.ok()) return list;
    // The sorted list has the same length as the input.
    if (list.len > kMaxText) return StrErr(kErrOutOfMemory);
    const bool fold = (flags & kSortFold) != 0;
    const uint16_t outOfOrder = (flags & kSortDescending) ? 0xFFFF : 1;
    PoolScope scope;
    const uint16_t count = FieldCount(list, sep);

    ErrCode err = 0;
    char* raw = PoolBuffer(uint32_t{count} * sizeof(FieldSpan), &err);
    if (!raw) return StrErr(kErrOutOfMemory);
    FieldSpan* spans = reinterpret_cast<FieldSpan*>(raw);
    uint32_t start = 0;
    for (uint32_t k = 0; k < count; ++k) {
        const StrRef rest = StrMake(list.ptr + start, static_cast<uint16_t>(list.len - start));
        const StrRef field = Field(rest, sep, 1);
        new (&spans[k]) FieldSpan{static_cast<uint16_t>(start), field.len};
        start += uint32_t{field.len} + 1;
    }

    auto text = [&](uint32_t k) { return StrMake(list.ptr + spans[k].pos, spans[k].len); };
    // Swap an out-of-order pair and step back, so equal fields never pass each other.
    uint32_t k = 0;
    while (k + 1 < count) {
        if (CompareFold(text(k), text(k + 1), fold) == outOfOrder) {
            std::swap(spans[k], spans[k + 1]);
            if (k > 0) --k;
        } else {
            ++k;
        }
    }

    char* w = PoolBuffer(list.len, &err);
    if (!w) return StrErr(kErrOutOfMemory);
    const StrRef sorted = StrMake(w, list.len);
    for (uint32_t i = 0; i < count; ++i) {
        if (i) *w++ = sep;
        if (spans[i].len) std::memcpy(w, list.ptr + spans[i].pos, spans[i].len);
        w += spans[i].len;
    }
    return scope.Return(sorted);
}

}  // namespace rt
