// The file seam on Windows: CreateFileA handles, MoveFileExA for the one-step replacement and
// FindFirstFileExA for folder walks.
#include <windows.h>

#include <cstring>

#include "runtime/fs.h"
#include "runtime/temp_pool.h"

namespace rt {

namespace {

const char* ReasonOf(DWORD e) {
    switch (e) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return kFsReasonInUse;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return kFsReasonDiskFull;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
        case ERROR_INVALID_NAME:  // what a name longer than a folder entry takes gives on some systems
            return kFsReasonNameTooLong;
        case ERROR_ACCESS_DENIED:
            return kFsReasonAccessDenied;
        case ERROR_WRITE_PROTECT:
            return kFsReasonWriteProtected;
        default:
            return "";
    }
}

ErrCode FromWin(DWORD e, ErrCode other) {
    FsNoteFailure(ReasonOf(e));
    switch (e) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_NAME:
        case ERROR_DIRECTORY:
            return kErrFileNotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return kErrPermission;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return kErrFileExist;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return kErrFileIo;
        default:
            return other;
    }
}

HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// Search handle closed on every path out of a walk.
class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() { if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }
private:
    HANDLE h_;
};

}  // namespace

ErrCode FsFile::Open(const char* path, uint16_t mode) {
    Close();
    if (!path || !*path) return kErrBadInput;
    if (ErrCode f = FsFault(kFaultOpen, path)) return f;
    bool w = mode & (kFsWrite | kFsAppend);
    DWORD access = 0;
    if (mode & kFsRead) access |= GENERIC_READ;
    if (w) access |= GENERIC_WRITE;
    if (!access) access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    bool truncate = (mode & kFsTruncate) && w;
    if ((mode & kFsCreate) && (mode & kFsExclusive)) disposition = CREATE_NEW;
    else if (mode & kFsCreate) disposition = truncate ? CREATE_ALWAYS : OPEN_ALWAYS;
    else if (truncate) disposition = TRUNCATE_EXISTING;
    // Others may read and even replace the file while it is open, as with the C library.
    const DWORD share = (mode & kFsNoShare) ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = ::CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FromWin(::GetLastError(), kErrFileOpening);
    // A file this call created cannot be a folder; only an existing entry needs the check. The
    // basic information alone: the whole record (GetFileInformationByHandle) asks for the volume's
    // serial number too, which costs Wine a round trip to its mount manager for every file.
    FILE_BASIC_INFO info;
    if (disposition != CREATE_NEW && ::GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info) &&
        (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(h);
        return kErrPermission;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    owned_ = true;
    append_ = (mode & kFsAppend) != 0;
    return 0;
}

ErrCode FsFile::OpenStandard(int n) {
    Close();
    static const DWORD kIds[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    if (n < 0 || n > 2) return kErrBadInput;
    HANDLE h = ::GetStdHandle(kIds[n]);
    // A program without a console has no standard handles; the slot stays usable and empty.
    handle_ = (h == nullptr || h == INVALID_HANDLE_VALUE) ? kNoHandle - 1 : reinterpret_cast<intptr_t>(h);
    owned_ = false;
    append_ = false;
    return 0;
}

ErrCode FsFile::Read(void* buffer, uint32_t n, uint32_t* got) {
    *got = 0;
    if (!IsOpen()) return kErrBadFileNumber;
    if (handle_ == kNoHandle - 1) return 0;
    char* p = static_cast<char*>(buffer);
    while (*got < n) {
        DWORD k = 0;
        if (!::ReadFile(H(handle_), p + *got, n - *got, &k, nullptr)) {
            DWORD e = ::GetLastError();
            if (e == ERROR_BROKEN_PIPE || e == ERROR_HANDLE_EOF) break;
            return FromWin(e, kErrDiskIo);
        }
        if (k == 0) break;
        *got += k;
    }
    return 0;
}

ErrCode FsFile::Write(const void* data, uint32_t n, uint32_t* put) {
    *put = 0;
    if (!IsOpen()) return kErrBadFileNumber;
    if (ErrCode f = FsFault(kFaultWrite, nullptr)) return f;
    if (handle_ == kNoHandle - 1) return kErrFileIo;
    if (append_ && owned_) {
        LARGE_INTEGER zero{};
        if (!::SetFilePointerEx(H(handle_), zero, nullptr, FILE_END)) return FromWin(::GetLastError(), kErrDiskIo);
    }
    const char* p = static_cast<const char*>(data);
    while (*put < n) {
        DWORD k = 0;
        if (!::WriteFile(H(handle_), p + *put, n - *put, &k, nullptr)) return FromWin(::GetLastError(), kErrFileIo);
        if (k == 0) return kErrFileIo;
        *put += k;
    }
    return 0;
}

ErrCode FsFile::Seek(uint64_t position) {
    if (!IsOpen() || handle_ == kNoHandle - 1) return kErrBadFileNumber;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!::SetFilePointerEx(H(handle_), to, nullptr, FILE_BEGIN)) return FromWin(::GetLastError(), kErrDiskIo);
    return 0;
}

ErrCode FsFile::SeekEnd() {
    if (!IsOpen() || handle_ == kNoHandle - 1) return kErrBadFileNumber;
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(H(handle_), zero, nullptr, FILE_END)) return FromWin(::GetLastError(), kErrDiskIo);
    return 0;
}

ErrCode FsFile::Position(uint64_t* out) {
    *out = 0;
    if (!IsOpen() || handle_ == kNoHandle - 1) return kErrDiskIo;
    if (::GetFileType(H(handle_)) != FILE_TYPE_DISK) return kErrDiskIo;
    LARGE_INTEGER zero{}, at{};
    if (!::SetFilePointerEx(H(handle_), zero, &at, FILE_CURRENT)) return kErrDiskIo;
    *out = static_cast<uint64_t>(at.QuadPart);
    return 0;
}

ErrCode FsFile::Length(uint64_t* out) {
    *out = 0;
    if (!IsOpen() || handle_ == kNoHandle - 1) return kErrDiskIo;
    if (::GetFileType(H(handle_)) != FILE_TYPE_DISK) return kErrDiskIo;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(H(handle_), &size)) return FromWin(::GetLastError(), kErrDiskIo);
    *out = static_cast<uint64_t>(size.QuadPart);
    return 0;
}

ErrCode FsFile::SetLength(uint64_t length) {
    if (!IsOpen() || handle_ == kNoHandle - 1) return kErrBadFileNumber;
    if (ErrCode f = FsFault(kFaultWrite, nullptr)) return f;
    if (ErrCode err = Seek(length)) return err;
    if (!::SetEndOfFile(H(handle_))) return FromWin(::GetLastError(), kErrFileIo);
    return 0;
}

ErrCode FsFile::Flush() {
    if (!IsOpen()) return kErrBadFileNumber;
    if (ErrCode f = FsFault(kFaultFlush, nullptr)) return f;
    if (!owned_) return 0;
    if (!::FlushFileBuffers(H(handle_))) return FromWin(::GetLastError(), kErrFileIo);
    return 0;
}

ErrCode FsFile::Close() {
    if (!IsOpen()) return 0;
    HANDLE h = H(handle_);
    bool owned = owned_;
    handle_ = kNoHandle;
    owned_ = false;
    append_ = false;
    if (owned && !::CloseHandle(h)) return FromWin(::GetLastError(), kErrFileIo);
    return 0;
}

ErrCode FsExists(const char* path) {
    if (!path || !*path) return kErrFileNotFound;
    return ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? kErrFileNotFound : 0;
}

ErrCode FsIsFolder(const char* path) {
    if (!path || !*path) return kErrFileNotFound;
    DWORD a = ::GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? 0 : kErrFileNotFound;
}

ErrCode FsFileSize(const char* path, uint64_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !*path || !::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return kErrFileNotFound;
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return 0;
}

ErrCode FsMakeFolder(const char* path) {
    if (!path || !*path) return kErrBadInput;
    if (!::CreateDirectoryA(path, nullptr)) return FromWin(::GetLastError(), kErrDeviceIo);
    return 0;
}

ErrCode FsRemoveFolder(const char* path) {
    if (!path || !*path) return kErrBadInput;
    if (!::RemoveDirectoryA(path)) return FromWin(::GetLastError(), kErrDeviceIo);
    return 0;
}

ErrCode FsRemoveFile(const char* path) {
    if (!path || !*path) return kErrBadInput;
    if (!::DeleteFileA(path)) return FromWin(::GetLastError(), kErrDeviceIo);
    return 0;
}

ErrCode FsFreeSpace(const char* folder, uint64_t* bytes) {
    ULARGE_INTEGER available;
    if (!folder || !::GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)) return kErrFileNotFound;
    *bytes = available.QuadPart;
    return 0;
}

ErrCode FsReplaceFile(const char* source, const char* target) {
    if (!source || !target || !*source || !*target) return kErrBadInput;
    if (ErrCode f = FsFault(kFaultReplace, target)) return f;
    // Write-through: the call returns only when the move is on the disk.
    if (!::MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD e = ::GetLastError();
        const ErrCode code = FromWin(e, kErrDeviceIo);
        // The system refuses to replace a file that another program holds open as it refuses a
        // protected one; a look at whether the file could be removed at all tells them apart.
        if (e == ERROR_ACCESS_DENIED) {
            HANDLE probe = ::CreateFileA(target, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (probe != INVALID_HANDLE_VALUE) {
                ::CloseHandle(probe);
            } else if (::GetLastError() == ERROR_SHARING_VIOLATION) {
                FsNoteFailure(kFsReasonInUse);
            }
        }
        return code;
    }
    return 0;
}

ErrCode FsLinkFile(const char* existing, const char* link) {
    if (!existing || !link || !*existing || !*link) return kErrBadInput;
    if (ErrCode f = FsFault(kFaultReplace, link)) return f;
    if (!::CreateHardLinkA(link, existing, nullptr)) return FromWin(::GetLastError(), kErrDeviceIo);
    return 0;
}

StrRef FsProgramPath() {
    char self[MAX_PATH + 1];
    const DWORD n = ::GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self) return StrErr(kErrFileNotFound);
    return PoolCopy(StrMake(self, static_cast<uint16_t>(n)));
}

ErrCode FsListFolder(const char* folder, const char* pattern, FsEntryFn fn, void* arg) {
    if (!folder || !pattern || !fn) return kErrBadInput;
    size_t fl = std::strlen(folder), pl = std::strlen(pattern);
    char query[MAX_PATH + 2];
    bool sep = fl > 0 && folder[fl - 1] != '\\' && folder[fl - 1] != '/' && folder[fl - 1] != ':';
    if (fl + pl + 2 > sizeof query) return kErrBadInput;
    std::memcpy(query, folder, fl);
    if (sep) query[fl++] = '\\';
    std::memcpy(query + fl, pattern, pl + 1);
    WIN32_FIND_DATAA data;
    FindHandle h(::FindFirstFileExA(query, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (h.get() == INVALID_HANDLE_VALUE) {
        DWORD e = ::GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_NO_MORE_FILES) return 0;
        return FromWin(e, kErrDeviceIo);
    }
    do {
        const char* name = data.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (ErrCode err = fn(arg, name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) return err;
    } while (::FindNextFileA(h.get(), &data));
    return 0;
}

StrRef FsCurrentFolder(uint16_t limit) {
    char buf[MAX_PATH * 4];
    DWORD n = ::GetCurrentDirectoryA(sizeof buf, buf);
    if (n == 0 || n >= sizeof buf) return StrErr(n ? kErrOutOfMemory : FromWin(::GetLastError(), kErrDeviceIo));
    if (n > limit) return StrErr(kErrOutOfMemory);
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(n)));
}

ErrCode FsSetCurrentFolder(const char* path) {
    if (!path || !::SetCurrentDirectoryA(path)) return FromWin(::GetLastError(), kErrDeviceIo);
    return 0;
}

StrRef FsEnvironment(const char* name) {
    if (!name || !*name) return PoolCopy(StrEmpty());
    DWORD n = ::GetEnvironmentVariableA(name, nullptr, 0);
    if (n == 0) return PoolCopy(StrEmpty());
    if (n - 1 > kMaxText) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* buf = PoolBuffer(n, &err);
    if (!buf) return StrErr(err ? err : kErrOutOfMemory);
    DWORD got = ::GetEnvironmentVariableA(name, buf, n);
    if (got >= n) got = 0;  // changed between the two calls
    return PoolShrinkTop(static_cast<uint16_t>(got));
}

ErrCode FsSetEnvironment(const char* name, const char* value) {
    if (!name || !*name) return kErrBadInput;
    return ::SetEnvironmentVariableA(name, value) ? 0 : FromWin(::GetLastError(), kErrDeviceIo);
}

}  // namespace rt
