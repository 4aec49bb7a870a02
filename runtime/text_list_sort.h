// Sorting lists: the stable field sort and the padded-record sort that SORT$ and the folder
// listings share.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/tracked_buffer.h"

namespace rt {

// Flags of both sorts (ListSort reads kSortDescending and kSortFold only).
inline constexpr uint16_t kSortUnique = 1;         // keep one of each equal item
inline constexpr uint16_t kSortDescending = 2;
inline constexpr uint16_t kSortFold = 4;           // ListSort: compare without regard to case
inline constexpr uint16_t kSortNulSeparated = 64;  // items split at NUL instead of `,`
inline constexpr uint16_t kSortTrimItems = 128;    // trailing blanks of each item removed on output

// Fields sorted (stable) with CompareFold; flag kSortDescending, flag kSortFold.
StrRef ListSort(StrRef list, char sep, int flags);

// The items of list sorted by byte value, every item compared as if padded with blanks to the
// longest one (stable), and joined with the same separator. A `,` list respects quotes. Without
// kSortTrimItems each item comes back padded to that width. One new pool entry; kErrOutOfMemory
// when the result would pass 32764 bytes or memory runs out; an error value comes back unchanged.
StrRef SortList(StrRef list, uint16_t flags);

// The items of a list and the order in which SortList puts them, for callers that move other
// data along with the items (a listing's records).
struct ListOrder {
    TrackedBuffer starts{kTagListSort};  // uint16_t offset of each item
    TrackedBuffer lens{kTagListSort};    // uint16_t length of each item
    TrackedBuffer order{kTagListSort};   // uint16_t item index, sorted (unique: equal items dropped)
    uint32_t items = 0;
    uint32_t kept = 0;
    uint16_t width = 0;

    static constexpr uint16_t kTagListSort = 14;
    uint16_t Start(uint32_t i) const { return reinterpret_cast<const uint16_t*>(starts.data())[i]; }
    uint16_t Len(uint32_t i) const { return reinterpret_cast<const uint16_t*>(lens.data())[i]; }
    uint16_t At(uint32_t k) const { return reinterpret_cast<const uint16_t*>(order.data())[k]; }
};
// Splits list by flags and sorts it into *o; kErrOutOfMemory when memory runs out or there are more
// than 65535 items.
ErrCode ListOrderOf(StrRef list, uint16_t flags, ListOrder* o);
// The items of list in the order o, joined as SortList does; one new pool entry.
StrRef JoinInOrder(StrRef list, const ListOrder& o, uint16_t flags);

}  // namespace rt
