// The operating-system seam for folder searches and file time stamps.
//
// A search walks the entries matching a pattern: a folder path followed by a last component that
// may hold `*` and `?` (matched without regard to ASCII case; "*.*" matches every name). Both
// separators `\` and `/` are accepted. Time stamps come back as local dates and times.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/file_info.h"
#include "runtime/fs.h"

namespace rt {

// Longest entry name the search hands back (the platform's own limit is lower).
inline constexpr uint16_t kDirNameMax = 260;

// One entry of a search: its name (NUL-terminated) and its record with status 0.
struct DirEntry {
    char name[kDirNameMax + 1];
    uint16_t nameLen;
    bool link;      // a symbolic link (a reparse point on Windows); info describes its target
    FileInfo info;
};

// One open search, closed by the destructor. The entries "." and ".." come back when the
// platform lists them.
class DirSearch {
public:
    DirSearch() = default;
    ~DirSearch() { Close(); }
    DirSearch(const DirSearch&) = delete;
    DirSearch& operator=(const DirSearch&) = delete;

    // Starts the search and fills the first match. kErrFileNotFound when nothing matches (or the
    // folder is missing), kErrPermission when the folder may not be read, kErrBadInput for an error
    // value. Closes any earlier search. Uses the pool only during the call.
    ErrCode First(StrRef pattern, DirEntry* out);
    // The next match; kCompletion when there is none, another code on a platform failure.
    ErrCode Next(DirEntry* out);
    void Close();

private:
    void* handle_ = nullptr;  // HANDLE of FindFirstFileExA, or DIR*
    // POSIX keeps the name pattern here; the Windows search keeps it itself.
    char namePattern_[kDirNameMax * 2 + 2] = {};
};

// Converts a count of seconds since 1970 (UTC) to a local date (YYYYMMDD) and milliseconds since
// midnight. A count outside 0 .. 2^31-1 gives 0 and 0: a time stamp is a signed 32-bit value.
void LocalStamp(int64_t unixSeconds, int32_t* date, int32_t* ms);

// The other way (POSIX builds, the server's): seconds since 1970 of a local date and time, by the
// daylight rule of that day.
int64_t LocalSeconds(int32_t date, int32_t ms);

// True for a real calendar date (years 1601 to 9999) and 0 <= ms < 86400000.
bool StampPartsValid(int32_t date, int32_t ms);

// Sets the last-write time of an existing file or folder to the local date (YYYYMMDD) and
// milliseconds since midnight. kErrBadInput for an invalid date or time, kErrFileNotFound when the
// entry is missing, kErrPermission when access is refused, kErrFileIo for any other failure.
ErrCode SetFileWriteTimeLocal(StrRef path, int32_t date, int32_t ms);
// The same on a file open for writing, which spares opening it again by name.
ErrCode SetFileWriteTimeLocal(FsFile& file, int32_t date, int32_t ms);

}  // namespace rt
