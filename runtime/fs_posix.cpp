// The file seam on POSIX systems (the host build): descriptors, rename with fsync, opendir and
// fnmatch; backslashes in paths are taken as separators.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/fs.h"
#include "runtime/temp_pool.h"

namespace rt {

namespace {

const char* ReasonOf(int e) {
    switch (e) {
        case ETXTBSY:
        case EBUSY:
            return kFsReasonInUse;
        case ENOSPC:
        case EDQUOT:
            return kFsReasonDiskFull;
        case ENAMETOOLONG:
            return kFsReasonNameTooLong;
        case EACCES:
        case EPERM:
            return kFsReasonAccessDenied;
        case EROFS:
            return kFsReasonWriteProtected;
        default:
            return "";
    }
}

ErrCode FromErrno(int e, ErrCode other) {
    FsNoteFailure(ReasonOf(e));
    switch (e) {
        case ENOENT:
        case ENOTDIR:
            return kErrFileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
        case EISDIR:
            return kErrPermission;
        case EEXIST:
            return kErrFileExist;
        case ENOSPC:
        case EDQUOT:
            return kErrFileIo;
        default:
            return other;
    }
}

// Descriptor closed on every path out of a routine.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { if (fd_ >= 0) ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
private:
    int fd_;
};

class Dir {
public:
    explicit Dir(DIR* d) : d_(d) {}
    ~Dir() { if (d_) ::closedir(d_); }
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;
    DIR* get() const { return d_; }
private:
    DIR* d_;
};

// The run-time speaks Windows paths; here a backslash separates folders as '/' does.
std::string Native(const char* path) {
    std::string s(path);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

// The folder part of path, "." when it has none.
std::string ParentOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (!slash) return ".";
    if (slash == path) return "/";
    return std::string(path, static_cast<size_t>(slash - path));
}

}  // namespace

ErrCode FsFile::Open(const char* path, uint16_t mode) {
    Close();
    if (!path || !*path) return kErrBadInput;
    if (ErrCode f = FsFault(kFaultOpen, path)) return f;
    int flags = O_CLOEXEC;
    bool r = mode & kFsRead, w = mode & (kFsWrite | kFsAppend);
    flags |= r && w ? O_RDWR : (w ? O_WRONLY : O_RDONLY);
    if (mode & kFsCreate) flags |= O_CREAT;
    if ((mode & kFsCreate) && (mode & kFsExclusive)) flags |= O_EXCL;
    if ((mode & kFsTruncate) && w) flags |= O_TRUNC;
    int fd = ::open(Native(path).c_str(), flags, 0666);
    if (fd < 0) return FromErrno(errno, kErrFileOpening);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kErrPermission;
    }
    // Advisory here, where the system has no share modes: every open of such a file asks for it.
    if ((mode & kFsNoShare) && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return FromErrno(e, kErrFileOpening);
    }
    handle_ = fd;
    owned_ = true;
    append_ = (mode & kFsAppend) != 0;
    return 0;
}

ErrCode FsFile::OpenStandard(int n) {
    Close();
    if (n < 0 || n > 2) return kErrBadInput;
    handle_ = n;
    owned_ = false;
    append_ = false;
    return 0;
}

ErrCode FsFile::Read(void* buffer, uint32_t n, uint32_t* got) {
    *got = 0;
    if (!IsOpen()) return kErrBadFileNumber;
    char* p = static_cast<char*>(buffer);
    while (*got < n) {
        ssize_t k = ::read(static_cast<int>(handle_), p + *got, n - *got);
        if (k < 0) {
            if (errno == EINTR) continue;
            return FromErrno(errno, kErrDiskIo);
        }
        if (k == 0) break;
        *got += static_cast<uint32_t>(k);
    }
    return 0;
}

ErrCode FsFile::Write(const void* data, uint32_t n, uint32_t* put) {
    *put = 0;
    if (!IsOpen()) return kErrBadFileNumber;
    if (ErrCode f = FsFault(kFaultWrite, nullptr)) return f;
    if (append_ && owned_ && ::lseek(static_cast<int>(handle_), 0, SEEK_END) < 0)
        return FromErrno(errno, kErrDiskIo);
    const char* p = static_cast<const char*>(data);
    while (*put < n) {
        ssize_t k = ::write(static_cast<int>(handle_), p + *put, n - *put);
        if (k < 0) {
            if (errno == EINTR) continue;
            return FromErrno(errno, kErrFileIo);
        }
        if (k == 0) return kErrFileIo;
        *put += static_cast<uint32_t>(k);
    }
    return 0;
}

ErrCode FsFile::Seek(uint64_t position) {
    if (!IsOpen()) return kErrBadFileNumber;
    if (::lseek(static_cast<int>(handle_), static_cast<off_t>(position), SEEK_SET) < 0)
        return FromErrno(errno, kErrDiskIo);
    return 0;
}

ErrCode FsFile::SeekEnd() {
    if (!IsOpen()) return kErrBadFileNumber;
    if (::lseek(static_cast<int>(handle_), 0, SEEK_END) < 0) return FromErrno(errno, kErrDiskIo);
    return 0;
}

ErrCode FsFile::Position(uint64_t* out) {
    *out = 0;
    if (!IsOpen()) return kErrBadFileNumber;
    off_t at = ::lseek(static_cast<int>(handle_), 0, SEEK_CUR);
    if (at < 0) return kErrDiskIo;
    *out = static_cast<uint64_t>(at);
    return 0;
}

ErrCode FsFile::Length(uint64_t* out) {
    *out = 0;
    if (!IsOpen()) return kErrBadFileNumber;
    struct stat st;
    if (::fstat(static_cast<int>(handle_), &st) != 0) return FromErrno(errno, kErrDiskIo);
    if (!S_ISREG(st.st_mode)) return kErrDiskIo;
    *out = static_cast<uint64_t>(st.st_size);
    return 0;
}

ErrCode FsFile::SetLength(uint64_t length) {
    if (!IsOpen()) return kErrBadFileNumber;
    if (ErrCode f = FsFault(kFaultWrite, nullptr)) return f;
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(length)) != 0) return FromErrno(errno, kErrFileIo);
    return Seek(length);
}

ErrCode FsFile::Flush() {
    if (!IsOpen()) return kErrBadFileNumber;
    if (ErrCode f = FsFault(kFaultFlush, nullptr)) return f;
    if (!owned_) return 0;
    if (::fsync(static_cast<int>(handle_)) != 0) return FromErrno(errno, kErrFileIo);
    return 0;
}

ErrCode FsFile::Close() {
    if (!IsOpen()) return 0;
    int fd = static_cast<int>(handle_);
    bool owned = owned_;
    handle_ = kNoHandle;
    owned_ = false;
    append_ = false;
    if (owned && ::close(fd) != 0) return FromErrno(errno, kErrFileIo);
    return 0;
}

ErrCode FsExists(const char* path) {
    struct stat st;
    if (!path || !*path || ::stat(Native(path).c_str(), &st) != 0) return kErrFileNotFound;
    return 0;
}

ErrCode FsIsFolder(const char* path) {
    struct stat st;
    if (!path || !*path || ::stat(Native(path).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kErrFileNotFound;
    return 0;
}

ErrCode FsFileSize(const char* path, uint64_t* size) {
    struct stat st;
    if (!path || !*path || ::stat(Native(path).c_str(), &st) != 0) return kErrFileNotFound;
    *size = static_cast<uint64_t>(st.st_size);
    return 0;
}

ErrCode FsMakeFolder(const char* path) {
    if (!path || !*path) return kErrBadInput;
    if (::mkdir(Native(path).c_str(), 0777) != 0) return FromErrno(errno, kErrDeviceIo);
    return 0;
}

ErrCode FsRemoveFolder(const char* path) {
    if (!path || !*path) return kErrBadInput;
    if (::rmdir(Native(path).c_str()) != 0) return FromErrno(errno, kErrDeviceIo);
    return 0;
}

ErrCode FsRemoveFile(const char* path) {
    if (!path || !*path) return kErrBadInput;
    if (FsIsFolder(path) == 0) return kErrPermission;
    if (::unlink(Native(path).c_str()) != 0) return FromErrno(errno, kErrDeviceIo);
    return 0;
}

ErrCode FsFreeSpace(const char* folder, uint64_t* bytes) {
    struct statvfs fs;
    if (!folder || ::statvfs(Native(folder).c_str(), &fs) != 0) return kErrFileNotFound;
    *bytes = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
    return 0;
}

ErrCode FsReplaceFile(const char* source, const char* target) {
    if (!source || !target || !*source || !*target) return kErrBadInput;
    if (ErrCode f = FsFault(kFaultReplace, target)) return f;
    if (::rename(Native(source).c_str(), Native(target).c_str()) != 0) return FromErrno(errno, kErrDeviceIo);
    // The rename itself lives in the folder: without this it could be lost on a crash.
    Fd dir(::open(ParentOf(Native(target).c_str()).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return 0;
}

ErrCode FsLinkFile(const char* existing, const char* link) {
    if (!existing || !link || !*existing || !*link) return kErrBadInput;
    if (ErrCode f = FsFault(kFaultReplace, link)) return f;
    if (::link(Native(existing).c_str(), Native(link).c_str()) != 0) return FromErrno(errno, kErrDeviceIo);
    return 0;
}

StrRef FsProgramPath() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof self) || n > kMaxText) return StrErr(kErrFileNotFound);
    return PoolCopy(StrMake(self, static_cast<uint16_t>(n)));
}

ErrCode FsListFolder(const char* folder, const char* pattern, FsEntryFn fn, void* arg) {
    if (!folder || !pattern || !fn) return kErrBadInput;
    Dir dir(::opendir(*folder ? Native(folder).c_str() : "."));
    if (!dir.get()) return FromErrno(errno, kErrDeviceIo);
    // "*.*" is the Windows spelling of "every name", dotted or not.
    bool all = std::strcmp(pattern, "*.*") == 0 || std::strcmp(pattern, "*") == 0;
    std::string base = *folder ? Native(folder) : std::string(".");
    if (base.back() != '/') base += '/';
    while (struct dirent* e = ::readdir(dir.get())) {
        const char* name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (!all && ::fnmatch(pattern, name, FNM_CASEFOLD | FNM_NOESCAPE) != 0) continue;
        bool isFolder = FsIsFolder((base + name).c_str()) == 0;
        if (ErrCode err = fn(arg, name, isFolder)) return err;
    }
    return 0;
}

StrRef FsCurrentFolder(uint16_t limit) {
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return StrErr(FromErrno(errno, kErrDeviceIo));
    size_t n = std::strlen(buf);
    if (n > limit) return StrErr(kErrOutOfMemory);
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(n)));
}

ErrCode FsSetCurrentFolder(const char* path) {
    if (!path || ::chdir(Native(path).c_str()) != 0) return FromErrno(errno, kErrDeviceIo);
    return 0;
}

StrRef FsEnvironment(const char* name) {
    const char* v = name ? std::getenv(name) : nullptr;
    if (!v) return PoolCopy(StrEmpty());
    size_t n = std::strlen(v);
    if (n > kMaxText) return StrErr(kErrOutOfMemory);
    return PoolCopy(StrMake(v, static_cast<uint16_t>(n)));
}

ErrCode FsSetEnvironment(const char* name, const char* value) {
    if (!name || !*name) return kErrBadInput;
    int rc = value ? ::setenv(name, value, 1) : ::unsetenv(name);
    return rc == 0 ? 0 : kErrDeviceIo;
}

}  // namespace rt
