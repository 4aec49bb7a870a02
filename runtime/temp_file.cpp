// Temporary files with unique names, created exclusively, and replacement files beside a target.
#include "runtime/temp_file.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "runtime/dates.h"
#include "runtime/dir_search.h"
#include "runtime/paths.h"
#include "runtime/text_ops.h"
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
        static_assert(kTempDigits == 8 + 4, "the salt's eight digits and the serial's four");
        std::snprintf(name, sizeof name, "%s%08lx%04lx%s", prefix ? prefix : "kv",
                      static_cast<unsigned long>(salt), static_cast<unsigned long>(++serial & 0xFFFF), kTempSuffix);
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

bool IsTempOf(std::string_view name, std::string_view prefix) {
    const size_t digitsEnd = prefix.size() + kTempDigits;
    if (name.size() != digitsEnd + sizeof kTempSuffix - 1 || !name.starts_with(prefix) || !name.ends_with(kTempSuffix))
        return false;
    for (size_t i = prefix.size(); i < digitsEnd; ++i)
        if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return false;
    return true;
}

bool IsOwnTempName(const char* name, uint16_t len) {
    for (const char* prefix : kOwnTempPrefixes)
        if (IsTempOf(std::string_view(name, len), prefix)) return true;
    return false;
}

// The journal, the lock and the staging folders are caught by the stage prefix they begin with.
static_assert(std::string_view(kJournalName).starts_with(kStagePrefix) &&
              std::string_view(kLockName).starts_with(kStagePrefix) &&
              std::string_view(kStagingFolder).starts_with(kStagePrefix));

bool IsOwnPatternName(const char* name, uint16_t len) {
    char folded[24];
    const uint16_t n = len < sizeof folded ? len : static_cast<uint16_t>(sizeof folded);
    for (uint16_t i = 0; i < n; ++i)
        folded[i] = (name[i] >= 'A' && name[i] <= 'Z') ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
    for (const char* prefix : kOwnTempPrefixes) {
        const size_t p = std::strlen(prefix);
        if (prefix[0] == '~' && n >= p && std::memcmp(folded, prefix, p) == 0) return true;
    }
    return len == n && IsOwnTempName(folded, n);
}

uint32_t RemoveStaleTempFiles(StrRef folder, uint32_t ageSeconds) {
    if (!folder.ok() || folder.len == 0) return 0;
    PoolScope scope;
    const int32_t today = DateValue(Today());
    const int64_t now = DayNumber(today / 10000, today / 100 % 100, today % 100) * 86400 + Now() / 1000;
    DirSearch search;
    DirEntry e;
    uint32_t removed = 0;
    for (ErrCode err = search.First(PathJoin(folder, StrFromLiteral("*.tmp")), &e); err == 0; err = search.Next(&e)) {
        if (e.link || (e.info.attributes & kAttrFolder) || !IsOwnTempName(e.name, e.nameLen)) continue;
        const int32_t d = e.info.writeDate;
        const int64_t written = DayNumber(d / 10000, d / 100 % 100, d % 100) * 86400 + e.info.writeTime / 1000;
        // A stamp in the future (a clock set back) is not proof of age either.
        if (d == 0 || now - written <= static_cast<int64_t>(ageSeconds)) continue;
        PoolScope inner;
        const char* path = CString(PathJoin(folder, StrMake(e.name, e.nameLen)));
        if (*path && FsRemoveFile(path) == 0) ++removed;
    }
    return removed;
}

ReplacementFile::~ReplacementFile() {
    file_.Close();
    if (temp_[0]) FsRemoveFile(temp_);
}

ErrCode ReplacementFile::Begin(StrRef target, const char* prefix, const char* inFolder) {
    if (!target.ok()) return StrError(target);
    if (target.len == 0) return kErrBadInput;
    if (target.len + 1u > sizeof target_) return kErrOutOfMemory;
    // The system takes no longer path, nor a longer name in it; said here, since not every system
    // says so itself (one answers "not found").
    uint16_t longestName = 0;
    for (uint16_t i = 0, run = 0; i < target.len; ++i) {
        run = (target.ptr[i] == '\\' || target.ptr[i] == '/') ? 0 : static_cast<uint16_t>(run + 1);
        if (run > longestName) longestName = run;
    }
    if (target.len >= kMaxPathLength || longestName > kMaxNameLength) {
        FsNoteFailure(kFsReasonNameTooLong);
        return kErrFileIo;
    }
    std::memcpy(target_, target.ptr, target.len);
    target_[target.len] = '\0';
    PoolScope scope;
    StrRef folder = inFolder && *inFolder ? StrFromLiteral(inFolder) : PathPart(target, kPathDriveFolder);
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
