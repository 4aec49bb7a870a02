// The operating-system seam for files and folders: open files, folders, the working folder, the
// environment and the one-step replacement of a file. Platform errors become ErrCodes here, once.
//
// Paths are NUL-terminated texts in the process code page. Nothing here uses the temporary pool
// except the routines that say so.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Open modes of FsFile::Open, combined by bits.
inline constexpr uint16_t kFsRead = 1;      // read access
inline constexpr uint16_t kFsWrite = 2;     // write access
inline constexpr uint16_t kFsCreate = 4;    // create the file when it is missing
inline constexpr uint16_t kFsTruncate = 8;  // empty an existing file (with kFsWrite)
inline constexpr uint16_t kFsAppend = 16;   // every write goes to the end (with kFsWrite)
inline constexpr uint16_t kFsExclusive = 32;  // with kFsCreate: kErrFileExist when the file exists
inline constexpr uint16_t kFsNoShare = 64;    // while open, no other open of the file (a lock)

// Codes that the seam gives:
//   kErrFileNotFound  the file or a folder of its path is missing
//   kErrFileExist     the entry already exists (FsMakeFolder)
//   kErrPermission    access denied, in use by another process, read-only medium
//   kErrFileIo        a short write or a full disk
//   kErrDiskIo        any other read or seek failure
//   kErrFileOpening   any other open failure
//   kErrDeviceIo      any other failure

// One open file, closed by the destructor. The three standard streams are wrapped without being
// owned, so closing them does nothing.
class FsFile {
public:
    FsFile() = default;
    ~FsFile() { Close(); }
    FsFile(const FsFile&) = delete;
    FsFile& operator=(const FsFile&) = delete;
    FsFile(FsFile&& other) noexcept;
    FsFile& operator=(FsFile&& other) noexcept;

    // Opens path with the kFs* mode bits; closes what was open before.
    ErrCode Open(const char* path, uint16_t mode);
    // Wraps standard stream n (0 input, 1 output, 2 error) without owning it.
    ErrCode OpenStandard(int n);
    bool IsOpen() const { return handle_ != kNoHandle; }
    // The platform's handle (HANDLE on Windows, descriptor elsewhere), for the run-time's own
    // platform code that works on an open file.
    intptr_t native() const { return handle_; }
    bool IsStandard() const { return IsOpen() && !owned_; }

    // Reads up to n bytes at the current position; *got may be less at the end of the file.
    ErrCode Read(void* buffer, uint32_t n, uint32_t* got);
    // Writes n bytes (at the end in append mode); *put short of n gives kErrFileIo.
    ErrCode Write(const void* data, uint32_t n, uint32_t* put);
    ErrCode Seek(uint64_t position);
    ErrCode SeekEnd();
    // Current position; kErrDiskIo when the handle cannot tell (a console or pipe).
    ErrCode Position(uint64_t* out);
    ErrCode Length(uint64_t* out);
    // Cuts the file to length bytes (or extends it with zeros); the position is left at length.
    ErrCode SetLength(uint64_t length);
    // Forces written data to the disk.
    ErrCode Flush();
    ErrCode Close();

private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle_ = kNoHandle;  // HANDLE on Windows, descriptor elsewhere
    bool owned_ = false;
    bool append_ = false;
};

// 0 when the directory entry exists (file or folder), kErrFileNotFound when it does not.
ErrCode FsExists(const char* path);
// 0 for an existing folder, kErrFileNotFound otherwise.
ErrCode FsIsFolder(const char* path);
// The size of an existing file in *size; kErrFileNotFound when there is no such entry.
ErrCode FsFileSize(const char* path, uint64_t* size);
// Creates one folder; its parent must exist (kErrFileNotFound otherwise); kErrFileExist when it
// exists already.
ErrCode FsMakeFolder(const char* path);
// Removes an empty folder.
ErrCode FsRemoveFolder(const char* path);
// Removes one file; kErrFileNotFound when it is missing.
ErrCode FsRemoveFile(const char* path);

// The bytes the caller may still write on the volume that holds folder; kErrFileNotFound when it
// cannot be told.
ErrCode FsFreeSpace(const char* folder, uint64_t* bytes);

// Why the calling thread's last failed file call failed, in the words the log uses: one of the
// kFsReason texts, or "" for any other cause. The codes fold several causes into one (a file in
// use and a refused one are both kErrPermission); the reason tells the administrator which.
const char* FsFailureReason();
void FsNoteFailure(const char* reason);
inline constexpr char kFsReasonInUse[] = "in use by another program";
inline constexpr char kFsReasonDiskFull[] = "disk full";
inline constexpr char kFsReasonNameTooLong[] = "name too long or not allowed";
inline constexpr char kFsReasonAccessDenied[] = "access denied";
inline constexpr char kFsReasonWriteProtected[] = "write protected";
// Puts `source` in the place of `target` in one step, replacing target when it exists, and makes
// the change durable. The caller has flushed and closed source.
ErrCode FsReplaceFile(const char* source, const char* target);
// Gives the existing file `existing` a second name `link` on its volume (a hard link), so that
// a later replacement of `existing` leaves the old file under `link`. kErrFileExist when link
// exists; another code when the volume or the system keeps one name per file.
ErrCode FsLinkFile(const char* existing, const char* link);
// The path of the file the running program was started from (a pool text), or an error value.
StrRef FsProgramPath();

// Copies count bytes from the current position of src to that of dst (kCopyToEnd: until src
// ends) in blocks of `block` bytes (at most kFsCopyBlock); progress(arg, total, block), when
// given, runs after each block and a non-zero answer stops the copy with that code. kErrFileIo
// for a failed or short read or write; *copied (when given) receives the bytes written. The one
// copy loop of the run-time.
inline constexpr uint64_t kCopyToEnd = UINT64_MAX;
inline constexpr uint32_t kFsCopyBlock = 0x10000;
using FsCopyProgress = ErrCode (*)(void* arg, uint64_t total, uint32_t block);
ErrCode FsCopyBlocks(FsFile& src, FsFile& dst, uint64_t count, FsCopyProgress progress = nullptr,
                     void* arg = nullptr, uint64_t* copied = nullptr, uint32_t block = kFsCopyBlock);

// Calls fn for each entry of folder (not "." and "..") whose name matches pattern (`*` and `?`,
// case-insensitive, "*.*" matching every name); a non-zero result of fn stops the walk and is
// returned. A missing folder gives kErrFileNotFound; no match gives 0.
using FsEntryFn = ErrCode (*)(void* arg, const char* name, bool isFolder);
ErrCode FsListFolder(const char* folder, const char* pattern, FsEntryFn fn, void* arg);

// The working folder as a new pool entry (at most `limit` bytes), or an error value.
StrRef FsCurrentFolder(uint16_t limit);
// Makes path the working folder.
ErrCode FsSetCurrentFolder(const char* path);
// The value of an environment variable as a new pool entry; empty when it is not set.
StrRef FsEnvironment(const char* name);
// Sets (value non-null) or removes an environment variable of this process.
ErrCode FsSetEnvironment(const char* name, const char* value);

// Fault injection for tests: a hook asked before each operation of the kinds below; a non-zero
// answer makes the operation fail with that code, without touching the disk.
enum FsFaultPoint : uint8_t { kFaultOpen, kFaultWrite, kFaultFlush, kFaultReplace };
using FsFaultHook = ErrCode (*)(FsFaultPoint point, const char* path);
struct FsSeams {
    FsFaultHook fault = nullptr;  // null: nothing fails on purpose
};
void SetFsSeams(const FsSeams& seams);
// The hook's answer (0 without a hook).
ErrCode FsFault(FsFaultPoint point, const char* path);

}  // namespace rt
