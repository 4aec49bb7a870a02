// The last-write time of a copy, taken from its source with the file-time calls.
#include <windows.h>

#include "net/file_copy.h"

namespace rt {

namespace {

struct Handle {
    HANDLE h;
    explicit Handle(HANDLE v) : h(v) {}
    ~Handle() { if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

}  // namespace

ErrCode OsCopyWriteTime(FsFile& from, FsFile& to) {
    FILETIME written;
    if (!::GetFileTime(reinterpret_cast<HANDLE>(from.native()), nullptr, nullptr, &written)) return kErrFileIo;
    return ::SetFileTime(reinterpret_cast<HANDLE>(to.native()), nullptr, nullptr, &written) ? 0 : kErrFileIo;
}

ErrCode OsCopyWriteTime(const char* from, const char* to) {
    Handle src(::CreateFileA(from, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (src.h == INVALID_HANDLE_VALUE) return kErrFileNotFound;
    FILETIME written;
    if (!::GetFileTime(src.h, nullptr, nullptr, &written)) return kErrFileIo;
    Handle dst(::CreateFileA(to, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (dst.h == INVALID_HANDLE_VALUE) return kErrFileIo;
    return ::SetFileTime(dst.h, nullptr, nullptr, &written) ? 0 : kErrFileIo;
}

}  // namespace rt
