// Folder scans into sorted listings with their records, and name lookup in a listing.
#include <algorithm>
#include <cstring>

#include "runtime/block_table.h"
#include "runtime/error_record.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/dir_search.h"
#include "runtime/file_info.h"
#include "runtime/text_list_sort.h"
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
    if (ErrCode err = ListOrderOf(unsorted, flags, &o)) return err;
    const StrRef names = JoinInOrder(unsorted, o, flags);
    if (!names.ok()) return StrError(names);
    l->names = names;
    ErrCode err = 0;
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

    TrackedBuffer names(kTagListing), table(kTagListing);
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
