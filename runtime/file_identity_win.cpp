// File identities on Windows: the volume serial number and file index of an open handle (a
// folder opened with backup semantics, for its attributes only), and GetShortPathNameA.
#include <windows.h>

#include <memory>

#include "runtime/errcode.h"
#include "runtime/file_identity.h"

namespace rt {

namespace {

ErrCode Missing(DWORD e) {
    return (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_NAME ||
            e == ERROR_BAD_NETPATH || e == ERROR_BAD_NET_NAME || e == ERROR_INVALID_DRIVE)
               ? kErrFileNotFound
               : kErrFileOpening;
}

}  // namespace

ErrCode PlatformIdentityOf(const char* path, FileIdentity* out) {
    HANDLE h = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Missing(GetLastError());
    const std::unique_ptr<void, decltype(&CloseHandle)> open(h, &CloseHandle);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return Missing(GetLastError());
    out->volume = info.dwVolumeSerialNumber;
    out->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return 0;
}

ErrCode PlatformShortLeaf(const char* path, std::string* out) {
    out->clear();
    char buffer[MAX_PATH * 2];
    const DWORD n = GetShortPathNameA(path, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer) return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? kErrFileNotFound : 0;
    std::string whole(buffer, n);
    const size_t cut = whole.find_last_of("\\/");
    *out = cut == std::string::npos ? whole : whole.substr(cut + 1);
    return 0;
}

}  // namespace rt
