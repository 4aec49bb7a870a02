// Folder scans into sorted listings with their records, and name lookup in a listing.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "runtime/block_table.h"
#include "runtime/error_record.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/dir_search.h"
#include "runtime/file_info.h"
#include "runtime/tracked_buffer.h"

namespace rt {

namespace {

// Tag of the heap blocks a scan or a sort holds while it works; none outlives the call.
constexpr uint16_t kTagListing = 20;
// Error location of a sorted name that cannot be matched to its record.
constexpr uint32_t kLocationListingOrder = 2002;

uint16_t TrimmedLength(const char* p, uint16_t n) {
    while (n && p[n - 1] == ' ') --n;
    return n;
}

bool HasWildcard(StrRef s) {
    for (uint16_t i = 0; i < s.len; ++i)
        if (s.ptr[i] == '*' || s.ptr[i] == '?') return true;
    return false;
}

unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

// First name of the block equal to the n bytes at name, compared exactly or without regard to
// ASCII case.
uint16_t FindName(NameBlock names, const char* name, uint32_t n, bool fold) {
    if (names.len == 0) return kNpos;
    uint32_t start = 0;
    uint16_t field = 0;
    for (uint32_t i = 0; i <= names.len; ++i) {
        if (i < names.len && names.ptr[i] != '\0') continue;
        if (i - start == n) {
            const char* p = names.ptr + start;
            bool same = true;
            for (uint32_t j = 0; j < n && same; ++j) {
                const unsigned char a = static_cast<unsigned char>(p[j]);
                const unsigned char b = static_cast<unsigned char>(name[j]);
                same = fold ? Upper(a) == Upper(b) : a == b;
            }
            if (same) return field;
        }
        if (field == kNpos - 1) break;
        ++field;
        start = i + 1;
    }
    return kNpos;
}

// Compares two names as the listing sorts them: by byte value, the shorter as if padded with
// blanks to the longer one's length.
int ComparePadded(const char* a, uint32_t an, const char* b, uint32_t bn) {
    const uint32_t n = an > bn ? an : bn;
    for (uint32_t i = 0; i < n; ++i) {
        const unsigned char x = i < an ? static_cast<unsigned char>(a[i]) : ' ';
        const unsigned char y = i < bn ? static_cast<unsigned char>(b[i]) : ' ';
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

struct ScannedName {
    uint32_t start;
    uint32_t len;      // without trailing blanks
    uint32_t fullLen;  // as scanned
};

// The scanned names sorted, trimmed and joined, with their records in the same order, in heap
// blocks the listing keeps.
ErrCode SortListing(FolderListing* l, const TrackedBuffer& names, const TrackedBuffer& table) {
    const char* block = names.data();
    std::unique_ptr<ScannedName[]> items(new (std::nothrow) ScannedName[l->count]);
    if (!items) return kErrOutOfMemory;
    uint32_t start = 0;
    for (uint32_t i = 0, k = 0; i <= names.used(); ++i) {
        if (i < names.used() && block[i] != '\0') continue;
        const uint32_t n = i - start;
        items[k++] = ScannedName{start, TrimmedLength(block + start, n), n};
        start = i + 1;
    }
    std::unique_ptr<uint16_t[]> order(new (std::nothrow) uint16_t[l->count]);
    if (!order) return kErrOutOfMemory;
    for (uint16_t i = 0; i < l->count; ++i) order[i] = i;
    std::stable_sort(order.get(), order.get() + l->count, [&](uint16_t x, uint16_t y) {
        return ComparePadded(block + items[x].start, items[x].fullLen, block + items[y].start,
                             items[y].fullLen) < 0;
    });

    uint32_t joined = 0;
    for (uint16_t i = 0; i < l->count; ++i) joined += items[i].len + (i ? 1 : 0);
    l->store.names.reset(new (std::nothrow) char[joined ? joined : 1]);
    if (!l->store.names) return kErrOutOfMemory;
    char* out = l->store.names.get();
    for (uint16_t k = 0; k < l->count; ++k) {
        if (k) *out++ = '\0';
        const ScannedName& it = items[order[k]];
        std::memcpy(out, block + it.start, it.len);
        out += it.len;
    }
    l->names = NameBlock(l->store.names.get(), joined);
    if (l->mask == kListNamesOnly) return 0;

    l->store.records.reset(new (std::nothrow) FileInfo[l->count]);
    if (!l->store.records) return kErrOutOfMemory;
    const FileInfo* source = reinterpret_cast<const FileInfo*>(table.data());
    for (uint16_t k = 0; k < l->count; ++k) {
        uint16_t from = order[k];
        const ScannedName& it = items[from];
        if (it.len != it.fullLen) {
            // The trimmed name is no longer the scanned one: look it up as the text it became.
            from = FindName(NameBlock(block, names.used()), block + it.start, it.len, false);
            if (from == kNpos) {
                RecordError(kErrInternal, kLocationListingOrder);
                return kErrInternal;
            }
        }
        l->store.records[k] = source[from];
    }
    l->records = l->store.records.get();
    return 0;
}

// Nested folders a tree scan still enters; deeper ones are left out.
constexpr int kMaxTreeDepth = 16;

// Appends the entries of folder (and, with depth left, of its subfolders, not through links) to
// the scan's blocks, each name after prefix.
ErrCode ScanTreeInto(StrRef folder, const std::string& prefix, uint16_t mask, int depth, TrackedBuffer& names,
                     TrackedBuffer& table, uint16_t* count) {
    std::vector<std::string> subfolders;
    {
        PoolScope scope;
        DirSearch search;
        DirEntry e;
        ErrCode err = search.First(PathJoin(folder, StrRef{"*.*", 3}), &e);
        if (err == kErrFileNotFound) return 0;
        for (; !err; err = search.Next(&e)) {
            const bool dots = (e.nameLen == 1 && e.name[0] == '.') || (e.nameLen == 2 && e.name[0] == '.' && e.name[1] == '.');
            if (dots) continue;
            if (e.info.attributes & kAttrFolder) {
                if (!e.link && depth < kMaxTreeDepth) subfolders.emplace_back(e.name, e.nameLen);
                continue;
            }
            if (!ListingTakes(mask, static_cast<uint8_t>(e.info.attributes))) continue;
            if (*count == kMaxListingNames) return kErrOutOfMemory;
            const char nul = 0;
            if ((*count && !names.Append(&nul, 1)) || !names.Append(prefix.data(), static_cast<uint32_t>(prefix.size())) ||
                !names.Append(e.name, e.nameLen) || !table.Append(&e.info, sizeof(FileInfo)))
                return kErrOutOfMemory;
            ++*count;
        }
        if (err != kCompletion) return err;
    }
    for (const std::string& sub : subfolders) {
        PoolScope scope;
        const StrRef path = PathJoin(folder, StrMake(sub.data(), static_cast<uint16_t>(sub.size())));
        if (!path.ok()) return StrError(path);
        if (ErrCode err = ScanTreeInto(path, prefix + sub + "\\", mask, depth + 1, names, table, count)) return err;
    }
    return 0;
}

}  // namespace

FolderListing ScanFolderTree(StrRef root, uint16_t mask) {
    FolderListing l;
    l.mask = mask;
    if (!root.ok() || !IsFolder(root)) {
        l.status = root.ok() ? kErrFileNotFound : StrError(root);
        return l;
    }
    l.folder = root;
    l.tree = true;
    TrackedBuffer names(kTagListing), table(kTagListing);
    l.status = ScanTreeInto(root, std::string(), mask, 0, names, table, &l.count);
    if (l.status == 0 && l.count) l.status = SortListing(&l, names, table);
    if (l.status) {
        l.count = 0;
        l.names = NameBlock();
        l.records = nullptr;
        l.store = ListingStore();
    }
    return l;
}

bool ListingTakes(uint16_t mask, uint8_t attributes) {
    return (mask & (attributes ? attributes : kAttrArchive)) != 0;
}

uint16_t ListingIndex(NameBlock names, StrRef name) {
    if (!name.ok()) return kNpos;
    uint16_t at = FindName(names, name.ptr, name.len, false);
    return at != kNpos ? at : FindName(names, name.ptr, name.len, true);
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
    if (!HasWildcard(root) && IsFolder(root)) {
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

    TrackedBuffer names(kTagListing), table(kTagListing);
    {
        DirSearch search;
        DirEntry e;
        ErrCode err = search.First(l.pattern, &e);
        while (!err) {
            if (ListingTakes(mask, static_cast<uint8_t>(e.info.attributes))) {
                if (l.count == kMaxListingNames) {
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
        l.status = SortListing(&l, names, table);
    }
    if (l.status) {
        l.count = 0;
        l.names = NameBlock();
        l.records = nullptr;
        l.store = ListingStore();
    }
    if (observer) observer(root, 0);
    return l;
}

}  // namespace rt
