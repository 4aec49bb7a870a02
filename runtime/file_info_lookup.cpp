// Name lookup in a listing through two sorted indexes, for comparisons of large folders.
#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/file_info.h"

namespace rt {

namespace {

unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

// -1, 0 or 1 as a sorts before, with or after b, by bytes or ignoring ASCII case.
int CompareNames(const char* a, uint32_t an, const char* b, uint32_t bn, bool fold) {
    const uint32_t n = an < bn ? an : bn;
    for (uint32_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (fold) {
            x = Upper(x);
            y = Upper(y);
        }
        if (x != y) return x < y ? -1 : 1;
    }
    return an == bn ? 0 : (an < bn ? -1 : 1);
}

}  // namespace

ListingLookup::ListingLookup(NameBlock names, uint16_t count) : names_(names), count_(count) {
    if (count == 0 || count == kNpos) return;
    starts_.reset(new (std::nothrow) uint32_t[count + 1u]);
    exact_.reset(new (std::nothrow) uint16_t[count]);
    folded_.reset(new (std::nothrow) uint16_t[count]);
    if (!starts_ || !exact_ || !folded_) return;
    uint32_t found = 0;
    starts_[found++] = 0;
    for (uint32_t i = 0; i < names.len && found <= count; ++i)
        if (names.ptr[i] == '\0') starts_[found++] = i + 1;
    // A block that does not hold count names is left to the plain lookup, which reads it as it is.
    if (found != count) return;
    starts_[count] = names.len + 1;
    for (uint16_t i = 0; i < count; ++i) exact_[i] = folded_[i] = i;
    auto sorter = [this](bool fold) {
        return [this, fold](uint16_t x, uint16_t y) {
            const int c = CompareNames(names_.ptr + starts_[x], starts_[x + 1] - starts_[x] - 1,
                                       names_.ptr + starts_[y], starts_[y + 1] - starts_[y] - 1, fold);
            return c != 0 ? c < 0 : x < y;
        };
    };
    std::sort(exact_.get(), exact_.get() + count, sorter(false));
    std::sort(folded_.get(), folded_.get() + count, sorter(true));
    indexed_ = true;
}

uint16_t ListingLookup::Find(StrRef name) const {
    if (!indexed_) return ListingIndex(names_, name);
    if (!name.ok()) return kNpos;
    for (const uint16_t* index : {exact_.get(), folded_.get()}) {
        const bool fold = index == folded_.get();
        // The first position among the equal names is the one the plain lookup finds first.
        const uint16_t* at = std::lower_bound(index, index + count_, name, [&](uint16_t x, StrRef n) {
            return CompareNames(names_.ptr + starts_[x], starts_[x + 1] - starts_[x] - 1, n.ptr, n.len, fold) < 0;
        });
        if (at != index + count_ &&
            CompareNames(names_.ptr + starts_[*at], starts_[*at + 1] - starts_[*at] - 1, name.ptr, name.len, fold) == 0)
            return *at;
    }
    return kNpos;
}

}  // namespace rt
