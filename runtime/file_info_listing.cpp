// Folder scans into sorted listings with their records, name lookup, and the list sort they use.
#include <algorithm>
#include <cstring>

#include "runtime/block_table.h"
#include "runtime/error_record.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/dir_search.h"
#include "runtime/file_info.h"

namespace rt {

namespace {

// Tag of the heap blocks a scan or a sort holds while it works; none outlives the call.
constexpr uint16_t kTagListing = 20;
// Error location of a sorted name that cannot be matched to its record.
constexpr uint32_t kLocationListingOrder = 2002;
// The record table's first size; it doubles when full.
constexpr uint32_t kFirstTableBytes = 1024;

// A tracked heap buffer that grows by doubling and is freed on every way out.
class TrackedBuffer {
public:
    TrackedBuffer() = default;
    ~TrackedBuffer() {
        if (data_) BlockFree(kTagListing, data_);
    }
    TrackedBuffer(const TrackedBuffer&) = delete;
    TrackedBuffer& operator=(const TrackedBuffer&) = delete;

    bool Reserve(uint32_t need) {
        if (need <= size_) return true;
        uint32_t size = size_ ? size_ : kFirstTableBytes;
        while (size < need) size *= 2;
        char* grown = static_cast<char*>(BlockAllocPtr(kTagListing, size));
        if (!grown) return false;
        if (used_) std::memcpy(grown, data_, used_);
        if (data_) BlockFree(kTagListing, data_);
        data_ = grown;
        size_ = size;
        return true;
    }
    bool Append(const void* p, uint32_t n) {
        if (!Reserve(used_ + n)) return false;
        if (n) std::memcpy(data_ + used_, p, n);
        used_ += n;
        return true;
    }
    char* data() const { return data_; }
    uint32_t used() const { return used_; }

private:
    char* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t used_ = 0;
};

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

// The items of a list and the order in which a sort puts them.
struct ListOrder {
    TrackedBuffer starts;  // uint16_t offset of each item
    TrackedBuffer lens;    // uint16_t length of each item
    TrackedBuffer order;   // uint16_t item index, sorted (unique: equal items dropped)
    uint32_t items = 0;
    uint32_t kept = 0;
    uint16_t width = 0;

    uint16_t Start(uint32_t i) const { return reinterpret_cast<const uint16_t*>(starts.data())[i]; }
    uint16_t Len(uint32_t i) const { return reinterpret_cast<const uint16_t*>(lens.data())[i]; }
    uint16_t At(uint32_t k) const { return reinterpret_cast<const uint16_t*>(order.data())[k]; }
};

ErrCode BuildOrder(StrRef list, uint16_t flags, ListOrder* o) {
    const char sep = (flags & kSortNulSeparated) ? '\0' : ',';
    uint32_t start = 0;
    for (uint32_t i = 0; i <= list.len; ++i) {
        if (i < list.len && list.ptr[i] != sep) continue;
        uint16_t s = static_cast<uint16_t>(start), n = static_cast<uint16_t>(i - start);
        uint16_t index = static_cast<uint16_t>(o->items);
        if (!o->starts.Append(&s, 2) || !o->lens.Append(&n, 2) || !o->order.Append(&index, 2))
            return kErrOutOfMemory;
        if (n > o->width) o->width = n;
        ++o->items;
        start = i + 1;
    }
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

bool HasWildcard(StrRef s) {
    for (uint16_t i = 0; i < s.len; ++i)
        if (s.ptr[i] == '*' || s.ptr[i] == '?') return true;
    return false;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// root without trailing separators, so that "C:\data\" is recognised as the folder it names;
// a drive root keeps its separator.
StrRef WithoutTrailingSeparators(StrRef root) {
    uint16_t n = root.len;
    while (n > 1 && IsSeparator(root.ptr[n - 1]) && root.ptr[n - 2] != ':' &&
           !IsSeparator(root.ptr[n - 2]))
        --n;
    return StrRef{root.ptr, n};
}

// First field of names equal to name, compared exactly or without regard to ASCII case.
uint16_t FindField(StrRef names, StrRef name, bool fold) {
    if (!names.ok() || !name.ok() || names.len == 0) return kNpos;
    uint32_t start = 0;
    uint16_t field = 0;
    for (uint32_t i = 0; i <= names.len; ++i) {
        if (i < names.len && names.ptr[i] != '\0') continue;
        uint32_t n = i - start;
        if (n == name.len) {
            const char* p = names.ptr + start;
            bool same = true;
            for (uint32_t j = 0; j < n && same; ++j) {
                unsigned char a = static_cast<unsigned char>(p[j]);
                unsigned char b = static_cast<unsigned char>(name.ptr[j]);
                if (fold) {
                    if (a >= 'a' && a <= 'z') a -= 32;
                    if (b >= 'a' && b <= 'z') b -= 32;
                }
                same = a == b;
            }
            if (same) return field;
        }
        if (field == kNpos - 1) break;
        ++field;
        start = i + 1;
    }
    return kNpos;
}

// Puts the sorted names and their records in the pool as the listing's last two entries.
ErrCode SortListing(FolderListing* l, StrRef unsorted, const TrackedBuffer& table) {
    const uint16_t flags = kSortNulSeparated | kSortTrimItems;
    ListOrder o;
    ErrCode err = BuildOrder(unsorted, flags, &o);
    if (err) return err;
    uint64_t len = JoinedLength(unsorted, o, flags);
    if (len > kMaxText) return kErrOutOfMemory;
    char* names = PoolBuffer(static_cast<uint32_t>(len), &err);
    if (!names) return kErrOutOfMemory;
    WriteJoined(unsorted, o, flags, names);
    l->names = StrRef{names, static_cast<uint16_t>(len)};
    if (l->mask == kListNamesOnly) return 0;
    // The records go straight to their sorted places: a second copy of the table in the pool
    // would halve the number of files a listing can hold.
    FileInfo* records = reinterpret_cast<FileInfo*>(PoolBuffer(o.kept * sizeof(FileInfo), &err));
    if (!records) return kErrOutOfMemory;
    const FileInfo* source = reinterpret_cast<const FileInfo*>(table.data());
    for (uint32_t k = 0; k < o.kept; ++k) {
        uint16_t i = o.At(k);
        uint16_t n = o.Len(i);
        uint16_t from = i;
        uint16_t trimmed = TrimmedLength(unsorted.ptr + o.Start(i), n);
        if (trimmed != n) {
            // The trimmed name is no longer the scanned one: look it up as the text it became.
            from = FindField(unsorted, StrRef{unsorted.ptr + o.Start(i), trimmed}, false);
            if (from == kNpos) {
                RecordError(kErrInternal, kLocationListingOrder);
                return kErrInternal;
            }
        }
        records[k] = source[from];
    }
    l->records = records;
    return 0;
}

}  // namespace

StrRef SortList(StrRef list, uint16_t flags) {
    if (!list.ok()) return list;
    ListOrder o;
    ErrCode err = BuildOrder(list, flags, &o);
    if (err) return StrErr(err);
    uint64_t len = JoinedLength(list, o, flags);
    if (len > kMaxText) return StrErr(kErrOutOfMemory);
    char* out = PoolBuffer(static_cast<uint32_t>(len), &err);
    if (!out) return StrErr(err);
    WriteJoined(list, o, flags, out);
    return StrRef{out, static_cast<uint16_t>(len)};
}

bool ListingTakes(uint16_t mask, uint8_t attributes) {
    return (mask & (attributes ? attributes : kAttrArchive)) != 0;
}

uint16_t ListingIndex(StrRef names, StrRef name) {
    uint16_t at = FindField(names, name, false);
    return at != kNpos ? at : FindField(names, name, true);
}

FolderListing ScanFolder(StrRef root, uint16_t mask, ScanObserver observer) {
    FolderListing l;
    l.mask = mask;
    if (!root.ok()) {
        l.status = StrError(root);
        return l;
    }
    if (observer && observer(root, 1)) return l;

    const uint16_t callerMark = PoolMark();
    if (!HasWildcard(root) && IsFolder(WithoutTrailingSeparators(root))) {
        l.pattern = PathJoin(root, StrRef{"*.*", 3});
        l.folder = root;
    } else {
        l.pattern = root;
        l.folder = PathPart(root, kPathDriveFolder);
    }
    if (!l.pattern.ok() || !l.folder.ok()) {
        l.status = l.pattern.ok() ? StrError(l.folder) : StrError(l.pattern);
        PoolRelease(callerMark);
        l.pattern = l.folder = StrEmpty();
        if (observer) observer(root, 0);
        return l;
    }

    TrackedBuffer names, table;
    {
        DirSearch search;
        DirEntry e;
        ErrCode err = search.First(l.pattern, &e);
        while (!err) {
            if (ListingTakes(mask, static_cast<uint8_t>(e.info.attributes))) {
                uint32_t grown = names.used() + (l.count ? 1 : 0) + e.nameLen;
                if (grown > kMaxText || l.count == kNpos) {
                    err = kErrOutOfMemory;
                    break;
                }
                const char nul = 0;
                if ((l.count && !names.Append(&nul, 1)) || !names.Append(e.name, e.nameLen) ||
                    (mask != kListNamesOnly && !table.Append(&e.info, sizeof(FileInfo)))) {
                    err = kErrOutOfMemory;
                    break;
                }
                ++l.count;
            }
            err = search.Next(&e);
        }
        l.status = err == kCompletion ? 0 : err;
    }
    if (l.status == 0 && mask != 0 && l.count == 0) l.status = kErrFileNotFound;
    if (l.status == 0 && l.count) {
        const uint16_t listMark = PoolMark();
        StrRef unsorted{names.used() ? names.data() : "", static_cast<uint16_t>(names.used())};
        l.status = SortListing(&l, unsorted, table);
        if (l.status) PoolRelease(listMark);
    }
    if (l.status) {
        l.count = 0;
        l.names = StrEmpty();
        l.records = nullptr;
    }
    if (observer) observer(root, 0);
    return l;
}

}  // namespace rt
