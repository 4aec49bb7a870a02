// Temporary files with names no other file has, created exclusively so that nothing is ever
// emptied, and the one way every writer replaces a file: a new file beside it, renamed over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/fs.h"
#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kTempPathMax = 512;
// The longest path the system's file calls take (its MAX_PATH, less the final NUL, is the last
// length refused), and the longest name of one folder entry.
inline constexpr uint16_t kMaxPathLength = 260;
inline constexpr uint16_t kMaxNameLength = 255;

// Creates a new, empty file named prefix + a unique part + ".tmp" in folder (the system's
// temporary folder when folder is empty, the working folder when that is unset too) and writes its
// NUL-terminated path into out. With `open`, the file is left open there for reading and writing.
// kErrFileIo when no file can be made, kErrOutOfMemory when the path does not fit. Uses the pool
// only during the call.
ErrCode CreateTempFile(StrRef folder, const char* prefix, char* out, uint16_t capacity, FsFile* open = nullptr);

// This program's own names in a folder it updates, the one table that the recovery, the sweep and
// the name checks read. A temporary file is named its prefix, kTempDigits lower-case hexadecimal
// digits and kTempSuffix.
inline constexpr size_t kTempDigits = 12;
inline constexpr char kTempSuffix[] = ".tmp";
inline constexpr char kStagePrefix[] = "~kv";   // a replacement beside its target; a staged file
inline constexpr char kAsidePrefix[] = "~kvo";  // a target's old file renamed aside during a commit
inline constexpr char kCopyPrefix[] = "~kc";    // a folder source's copy of a file, staged like a download
inline constexpr char kProbePrefix[] = "~kw";   // the probe of whether a folder is writable
inline constexpr char kBackupPrefix[] = "~kb";  // a backup copy being written
// Every prefix, with those of HTTP bodies, downloads and lists ("kvh", "kvd", "kvl").
inline constexpr const char* kOwnTempPrefixes[] = {kStagePrefix, kAsidePrefix, kCopyPrefix, kProbePrefix,
                                                   kBackupPrefix, "kvh", "kvd", "kvl"};
// The journal of a commit in progress and the lock of a folder while a run updates it (FolderLock).
inline constexpr char kJournalName[] = "~kvjournal.tmp";
inline constexpr char kLockName[] = "~kvlock.tmp";
// Where staged files wait.
inline constexpr char kStagingFolder[] = "~kvstage";
// Older than this, a temporary file of this program belongs to no live run: the longest fetch a
// run allows (4 GiB at its minimum rate) ends well within it.
inline constexpr uint32_t kStaleTempSeconds = 2 * 24 * 3600;
// Removes the temporary files of this program in folder whose last write is more than ageSeconds
// ago (a run killed half-way leaves them; none is that old while its run lives). Other names are
// never touched. Returns how many were removed.
uint32_t RemoveStaleTempFiles(StrRef folder, uint32_t ageSeconds);
// True for a name of prefix's temporary files.
bool IsTempOf(std::string_view name, std::string_view prefix);
// True for a name of the temporary files of any of kOwnTempPrefixes.
bool IsOwnTempName(const char* name, uint16_t len);
// True for a name (one component) of this program's own in a folder it updates, in any case, as
// Windows folds names: one that begins like a kOwnTempPrefixes entry starting with "~" (the
// journal, the lock, the staging folders, staged, aside, copy, probe and backup files all do),
// or one of kOwnTempPrefixes' pattern. No source may bring such a name: the commit, its recovery
// and the start-up sweep take such a file for their own.
bool IsOwnPatternName(const char* name, uint16_t len);

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
    // folder, when given, holds the temporary file instead (it must be on target's volume).
    ErrCode Begin(StrRef target, const char* prefix = kStagePrefix, const char* folder = nullptr);
    FsFile& file() { return file_; }
    // The temporary file's path (empty before Begin), for stamping it before Commit.
    const char* path() const { return temp_; }
    // Flushes and closes the temporary file; Commit does it too when it has not been done.
    ErrCode Finish();
    // Finish, then the rename over the target; the temporary file is gone afterwards whatever
    // happened.
    ErrCode Commit();
    // The target given to Begin.
    const char* target() const { return target_; }
    // Gives the finished temporary file up to a caller that puts it in place later: it is no
    // longer removed here.
    void Release() { temp_[0] = '\0'; }

private:
    FsFile file_;
    char temp_[kTempPathMax] = {};
    char target_[kTempPathMax] = {};
    bool finished_ = false;
};

}  // namespace rt
