// Folder searches and file time stamps on Windows, through FindFirstFileExA and the file times.
#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>

#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/dir_search.h"

namespace rt {

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDelta = 116444736000000000LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

// A file handle closed on every way out.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE h) : h_(h) {}
    ~ScopedHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return h_; }
private:
    HANDLE h_;
};

ErrCode LastErrorCode() {
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
        return kErrFileNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return kErrPermission;
    default:
        return kErrDiskIo;
    }
}

int64_t UnixSeconds(const FILETIME& ft) {
    int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) |
                                         ft.dwLowDateTime);
    int64_t since = ticks - kEpochDelta;
    // Round towards minus infinity so that a stamp just before 1970 stays negative.
    return since >= 0 ? since / kTicksPerSecond : -((-since + kTicksPerSecond - 1) / kTicksPerSecond);
}

void Describe(const WIN32_FIND_DATAA& d, DirEntry* out) {
    size_t len = strnlen(d.cFileName, MAX_PATH);
    if (len > kDirNameMax) len = kDirNameMax;
    std::memcpy(out->name, d.cFileName, len);
    out->name[len] = 0;
    out->nameLen = static_cast<uint16_t>(len);
    FileInfo& f = out->info;
    f = FileInfo{};
    f.attributes = d.dwFileAttributes & 0xFF;
    out->link = (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    f.size = d.nFileSizeHigh ? 0xFFFFFFFFu : d.nFileSizeLow;
    LocalStamp(UnixSeconds(d.ftCreationTime), &f.creationDate, &f.creationTime);
    LocalStamp(UnixSeconds(d.ftLastAccessTime), &f.accessDate, &f.accessTime);
    LocalStamp(UnixSeconds(d.ftLastWriteTime), &f.writeDate, &f.writeTime);
}

}  // namespace

ErrCode DirSearch::First(StrRef pattern, DirEntry* out) {
    Close();
    if (!pattern.ok()) return kErrBadInput;
    PoolScope scope;
    const char* c = CString(pattern);
    if (!c[0]) return pattern.len ? kErrOutOfMemory : kErrFileNotFound;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileExA(c, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return LastErrorCode();
    handle_ = h;
    Describe(data, out);
    return 0;
}

ErrCode DirSearch::Next(DirEntry* out) {
    if (!handle_) return kCompletion;
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(static_cast<HANDLE>(handle_), &data))
        return GetLastError() == ERROR_NO_MORE_FILES ? kCompletion : LastErrorCode();
    Describe(data, out);
    return 0;
}

void DirSearch::Close() {
    if (handle_) FindClose(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

void LocalStamp(int64_t unixSeconds, int32_t* date, int32_t* ms) {
    *date = 0;
    *ms = 0;
    if (unixSeconds < 0 || unixSeconds > 0x7FFFFFFF) return;
    uint64_t ticks = static_cast<uint64_t>(unixSeconds * kTicksPerSecond + kEpochDelta);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SYSTEMTIME utc, local;
    // The zone rule of that day, not today's bias, so that a stamp set in winter reads back the
    // same in summer.
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return;
    *date = local.wYear * 10000 + local.wMonth * 100 + local.wDay;
    *ms = ((local.wHour * 60 + local.wMinute) * 60 + local.wSecond) * 1000;
}

namespace {

// The local date and time as the file time of that moment, by the zone rule of that day.
bool LocalToFileTime(int32_t date, int32_t ms, FILETIME* ft) {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(date / 10000);
    local.wMonth = static_cast<WORD>(date / 100 % 100);
    local.wDay = static_cast<WORD>(date % 100);
    local.wHour = static_cast<WORD>(ms / 3600000);
    local.wMinute = static_cast<WORD>(ms / 60000 % 60);
    local.wSecond = static_cast<WORD>(ms / 1000 % 60);
    local.wMilliseconds = static_cast<WORD>(ms % 1000);
    SYSTEMTIME utc;
    return TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) && SystemTimeToFileTime(&utc, ft);
}

ErrCode StampHandle(HANDLE h, const FILETIME& ft) {
    if (SetFileTime(h, nullptr, nullptr, &ft)) return 0;
    ErrCode e = LastErrorCode();
    return e == kErrDiskIo ? kErrFileIo : e;
}

}  // namespace

ErrCode SetFileWriteTimeLocal(StrRef path, int32_t date, int32_t ms) {
    if (!path.ok() || !StampPartsValid(date, ms)) return kErrBadInput;
    PoolScope scope;
    const char* c = CString(path);
    if (!c[0]) return path.len ? kErrOutOfMemory : kErrFileNotFound;
    FILETIME ft;
    if (!LocalToFileTime(date, ms, &ft)) return kErrBadInput;
    // Backup semantics let the same call stamp a folder.
    ScopedHandle h(CreateFileA(c, FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) {
        ErrCode e = LastErrorCode();
        return e == kErrDiskIo ? kErrFileIo : e;
    }
    return StampHandle(h.get(), ft);
}

ErrCode SetFileWriteTimeLocal(FsFile& file, int32_t date, int32_t ms) {
    if (!StampPartsValid(date, ms)) return kErrBadInput;
    if (!file.IsOpen() || file.IsStandard()) return kErrBadFileNumber;
    FILETIME ft;
    if (!LocalToFileTime(date, ms, &ft)) return kErrBadInput;
    return StampHandle(reinterpret_cast<HANDLE>(file.native()), ft);
}

}  // namespace rt

#endif  // _WIN32
