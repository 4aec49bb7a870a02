// Temporary files with unique names, created exclusively, and replacement files beside a target.
#include "runtime/temp_file.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "runtime/paths.h"
#include "runtime/temp_pool.h"

namespace rt {

ErrCode CreateTempFile(StrRef folder, const char* prefix, char* out, uint16_t capacity, FsFile* open) {
    static uint32_t serial = 0;
    uint16_t mark = PoolMark();
    StrRef dir = folder.ok() && folder.len ? folder : TempFolder();
    if (!dir.ok() || dir.len == 0) dir = CurrentFolder();
    ErrCode result = kErrFileIo;
    // Processes differ in the address of this function's static (address-space layout) and in the
    // clock; the serial separates the files of one process.
    uint32_t salt = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&serial) >> 4) ^
                    static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() / 1000);
    for (int tries = 0; tries < 64 && result == kErrFileIo; ++tries) {
        char name[48];
        std::snprintf(name, sizeof name, "%s%08lx%04lx.tmp", prefix ? prefix : "kv",
                      static_cast<unsigned long>(salt), static_cast<unsigned long>(++serial & 0xFFFF));
        StrRef path = PathJoin(dir, StrFromLiteral(name));
        if (!path.ok()) {
            result = StrError(path);
            break;
        }
        if (path.len + 1u > capacity) {
            result = kErrOutOfMemory;
            break;
        }
        std::memcpy(out, path.ptr, path.len);
        out[path.len] = '\0';
        // Created only when the name is free: another process's file is never emptied.
        FsFile local;
        FsFile& file = open ? *open : local;
        if (file.Open(out, kFsRead | kFsWrite | kFsCreate | kFsExclusive) == 0) result = 0;
    }
    PoolRelease(mark);
    if (result != 0 && capacity) out[0] = '\0';
    return result;
}

ReplacementFile::~ReplacementFile() {
    file_.Close();
    if (temp_[0]) FsRemoveFile(temp_);
}

ErrCode ReplacementFile::Begin(StrRef target, const char* prefix) {
    if (!target.ok()) return StrError(target);
    if (target.len == 0) return kErrBadInput;
    if (target.len + 1u > sizeof target_) return kErrOutOfMemory;
    std::memcpy(target_, target.ptr, target.len);
    target_[target.len] = '\0';
    PoolScope scope;
    StrRef folder = PathPart(target, kPathDriveFolder);
    // Beside the target, never in the temporary folder: a rename cannot cross volumes.
    if (folder.ok() && folder.len == 0) folder = StrFromLiteral(".");
    if (!folder.ok()) return StrError(folder);
    return CreateTempFile(folder, prefix, temp_, sizeof temp_, &file_);
}

ErrCode ReplacementFile::Finish() {
    if (finished_) return kOk;
    finished_ = true;
    ErrCode err = file_.Flush();
    const ErrCode closed = file_.Close();
    return err ? err : closed;
}

ErrCode ReplacementFile::Commit() {
    if (!temp_[0]) return kErrFileIo;
    ErrCode err = Finish();
    if (!err) err = FsReplaceFile(temp_, target_);
    if (err) FsRemoveFile(temp_);
    temp_[0] = '\0';
    return err;
}

}  // namespace rt
