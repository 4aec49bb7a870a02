// File-information records, folder listings sorted by name, and the NUL-separated list sort.
//
// Paths may hold the wildcards `*` and `?`; the platform search (script/dir_search.h) resolves
// them. Texts handed back live in the caller's temporary pool; a listing holds its names and records.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/strref.h"

namespace rt {

// Low byte of the platform's file attributes.
inline constexpr uint8_t kAttrReadOnly = 0x01;
inline constexpr uint8_t kAttrHidden = 0x02;
inline constexpr uint8_t kAttrSystem = 0x04;
inline constexpr uint8_t kAttrFolder = 0x10;
inline constexpr uint8_t kAttrArchive = 0x20;

// One file's record: nine 32-bit fields in this order (server lists and copies rely on it).
// Dates are YYYYMMDD numbers and times milliseconds since midnight in whole seconds, both local.
// A time stamp outside 1970-01-01 .. 2038-01-19 (a signed 32-bit count of seconds) gives date 0
// and time 0. When status is not 0 only the status means anything.
struct FileInfo {
    uint32_t status = 0;                 // ErrCode in the low 16 bits
    uint32_t size = 0;                   // bytes; files of 4 GiB and more read 0xFFFFFFFF
    uint32_t attributes = 0;             // kAttr* bits
    int32_t creationDate = 0;
    int32_t creationTime = 0;
    int32_t accessDate = 0;
    int32_t accessTime = 0;
    int32_t writeDate = 0;
    int32_t writeTime = 0;
};
static_assert(sizeof(FileInfo) == 36, "FileInfo is nine 32-bit fields");

// Milliseconds by which two last-write times may differ and still be the same time.
inline constexpr int32_t kTimeTolerance = 50;
// How a source's last-write date and time stand to a target's.
enum class StampOrder : uint8_t { Equal, SourceNewer, TargetNewer };
// A later target date is newer; on the same date a source time within tolerance of the
// target's is equal, one earlier than that is older; everything else makes the source newer.
StampOrder CompareStamps(int32_t sourceDate, int32_t sourceTime, int32_t targetDate, int32_t targetTime,
                         int32_t tolerance);

// The record of the first entry matching path. kErrFileNotFound in status when nothing matches; an
// error value as path comes back as the status. Uses no pool space.
FileInfo FileInfoOf(StrRef path);
// The attribute byte of the first match, or kErrFileNotFound when nothing matches (never an
// attribute byte: the platform's "normal" bit 0x80 only occurs alone). An error value gives its
// code.
uint16_t PathAttributes(StrRef path);
// True when the first match is a folder; a trailing separator ("C:\data\") names the folder too.
bool IsFolder(StrRef path);

// Which time stamp FileTimeOf reads.
inline constexpr int kStampCreation = 0;
inline constexpr int kStampAccess = 1;
inline constexpr int kStampWrite = 2;
// The chosen local time stamp of the first match of path: *date YYYYMMDD, *ms since midnight.
// kErrFileNotFound when nothing matches (outputs left alone), kErrBadInput for another `which`.
ErrCode FileTimeOf(StrRef path, int which, int32_t* date, int32_t* ms);

// Asked with (root, 1) before a scan, where a non-zero answer skips the scan, and with (root, 0)
// after it.
using ScanObserver = int (*)(StrRef root, int starting);

// A NUL-separated names block, which may be longer than a StrRef can be: a listing of thousands
// of files easily passes 32764 bytes of names.
struct NameBlock {
    const char* ptr = "";
    uint32_t len = 0;
    NameBlock() = default;
    NameBlock(const char* p, uint32_t n) : ptr(p), len(n) {}
    // An error value gives the empty block.
    NameBlock(StrRef s) : ptr(s.ok() ? s.ptr : ""), len(s.ok() ? s.len : 0) {}  // NOLINT: implicit
};

// The heap blocks a listing made for its names and records; they live as long as the listing.
struct ListingStore {
    std::unique_ptr<char[]> names;
    std::unique_ptr<FileInfo[]> records;
};

// Most names a listing holds: the count is 16 bits and 0xFFFF means "not found".
inline constexpr uint32_t kMaxListingNames = 0xFFFE;

// The names of a folder (or of a wildcard pattern's matches), sorted by byte value, each with its
// record. The pattern and the folder are texts in the caller's pool (or the root itself); the names
// and the records are held by the listing on the heap, so that folders of many thousands of files
// fit beside everything else a run keeps in its pool. A listing is moved, never copied.
struct FolderListing {
    StrRef pattern = StrEmpty();     // the text handed to the platform search
    StrRef folder = StrEmpty();      // the folder the names are relative to
    uint16_t mask = 0;               // attribute mask of the scan
    StrRef exclusions = StrEmpty();  // lower-case comma list used by the comparison; scans leave it empty
    ErrCode status = 0;
    uint16_t count = 0;
    NameBlock names;                      // `count` names separated by NUL, no folder
    const FileInfo* records = nullptr;    // `count` records in the order of names; null with kListNamesOnly
    ListingStore store;                   // what names and records point into, when the listing made them
    // Every entry directly in the folder is listed: a name without a folder part that is not in
    // the listing does not exist there. Set by callers that scanned with kListEveryEntry.
    bool complete = false;
    // The listing holds the subfolders' files too (ScanFolderTree): with complete, a name with a
    // folder part that is not in it does not exist either.
    bool tree = false;
};

// Mask that takes every entry and keeps no records.
inline constexpr uint16_t kListNamesOnly = 0xFFFF;
// Mask of the updater: files with the archive bit or with no attributes at all.
inline constexpr uint16_t kListArchive = kAttrArchive;
// Mask that takes every entry, folders and "." included, each with its record.
inline constexpr uint16_t kListEveryEntry = 0x00FF;

// True when an entry with these attributes belongs in a scan with `mask` (attributes 0 count as
// the archive bit alone).
bool ListingTakes(uint16_t mask, uint8_t attributes);

// Scans root: an existing folder (without wildcards) is listed whole ("*.*" inside it), anything
// else is the search pattern itself and its names are relative to its drive and folder. Status:
// kErrFileNotFound no match, or a mask other than 0 that takes nothing of what matched;
// kErrOutOfMemory more than kMaxListingNames names or memory exhausted; kErrInternal a sorted name
// not found again; 0 and an empty listing when the observer skips the scan. A listing with a
// non-zero status has no names and no records.
FolderListing ScanFolder(StrRef root, uint16_t mask, ScanObserver observer);
// The files of the folder root and of its subfolders (16 levels down, never through a link),
// named relative to root with "\" between folders, sorted as ScanFolder sorts; folders themselves
// are not listed. Status: kErrFileNotFound when root is no folder; an empty folder lists nothing
// with status 0; otherwise as ScanFolder.
FolderListing ScanFolderTree(StrRef root, uint16_t mask);

// 0-based position of name among the NUL-separated names: the first exact match, else the first
// match ignoring ASCII case; 0xFFFF when there is none or name is an error value. One pass over
// the names: for many lookups in one listing, see ListingLookup.
uint16_t ListingIndex(NameBlock names, StrRef name);

// Repeated lookups in one listing's names, as ListingIndex answers them, in logarithmic time: a
// comparison of two folders of thousands of files would otherwise read the one block thousands of
// times. Holds positions only: the names must outlive it.
class ListingLookup {
public:
    ListingLookup(NameBlock names, uint16_t count);
    // False when memory for the index ran out: Find then falls back on ListingIndex.
    bool indexed() const { return indexed_; }
    uint16_t Find(StrRef name) const;

private:
    NameBlock names_;
    std::unique_ptr<uint32_t[]> starts_;  // count + 1 offsets (the last one past the block)
    std::unique_ptr<uint16_t[]> exact_;   // positions sorted by bytes, then by position
    std::unique_ptr<uint16_t[]> folded_;  // positions sorted ignoring ASCII case, then by position
    uint16_t count_ = 0;
    bool indexed_ = false;
};

}  // namespace rt
