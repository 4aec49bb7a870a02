// Temporary files with names no other file has, created exclusively so that nothing is ever
// emptied, and the one way every writer replaces a file: a new file beside it, renamed over it.
#pragma once

#include <cstdint>

#include "runtime/fs.h"
#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kTempPathMax = 512;

// Creates a new, empty file named prefix + a unique part + ".tmp" in folder (the system's
// temporary folder when folder is empty, the working folder when that is unset too) and writes its
// NUL-terminated path into out. With `open`, the file is left open there for reading and writing.
// kErrFileIo when no file can be made, kErrOutOfMemory when the path does not fit. Uses the pool
// only during the call.
ErrCode CreateTempFile(StrRef folder, const char* prefix, char* out, uint16_t capacity, FsFile* open = nullptr);

// A file's new contents, written to a temporary file beside it and put in its place in one step:
// the target holds its old or its new contents, never a part. Without Commit the temporary file
// is removed.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file in target's folder (the working folder for a bare name), open
    // for writing. kErrFileIo when it cannot be made, kErrOutOfMemory when a path does not fit.
    ErrCode Begin(StrRef target, const char* prefix = "~kv");
    FsFile& file() { return file_; }
    // The temporary file's path (empty before Begin), for stamping it before Commit.
    const char* path() const { return temp_; }
    // Flushes and closes the temporary file; Commit does it too when it has not been done.
    ErrCode Finish();
    // Finish, then the rename over the target; the temporary file is gone afterwards whatever
    // happened.
    ErrCode Commit();

private:
    FsFile file_;
    char temp_[kTempPathMax] = {};
    char target_[kTempPathMax] = {};
    bool finished_ = false;
};

}  // namespace rt
