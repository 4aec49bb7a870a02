// Folder searches and file time stamps on POSIX systems, matching the Windows search's records.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/dir_search.h"

namespace rt {

namespace {

unsigned char Fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

// `*` any run, `?` one character, without regard to ASCII case.
bool WildMatch(const char* p, const char* n) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p == '?' || (*p && Fold(*p) == Fold(*n))) {
            ++p;
            ++n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == 0;
}

// The Windows search lets a final ".*" also match names without a dot ("*.*" is every name).
bool NameMatches(const char* pattern, const char* name) {
    if (WildMatch(pattern, name)) return true;
    size_t n = std::strlen(pattern);
    if (n >= 2 && pattern[n - 2] == '.' && pattern[n - 1] == '*' && !std::strchr(name, '.')) {
        char stem[kDirNameMax * 2 + 2];
        std::memcpy(stem, pattern, n - 2);
        stem[n - 2] = 0;
        return WildMatch(stem, name);
    }
    return false;
}

bool HasWildcard(const char* s) { return std::strpbrk(s, "*?") != nullptr; }

ErrCode ErrnoCode(int e) {
    switch (e) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return kErrFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrPermission;
    default:
        return kErrDiskIo;
    }
}

uint32_t Attributes(const struct stat& st, const char* name) {
    if (S_ISDIR(st.st_mode)) return kAttrFolder;
    uint32_t a = kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
    // Dot files are what a Unix user hides; "." and ".." are folders and never get here.
    if (name[0] == '.') a |= kAttrHidden;
    return a;
}

// Fills out from the entry `name` of the folder open as dirFd; false when it vanished.
bool Describe(int dirFd, const char* name, DirEntry* out) {
    struct stat st;
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    out->link = S_ISLNK(st.st_mode);
    // A link describes its target; a dangling one describes itself.
    if (out->link) fstatat(dirFd, name, &st, 0);
    size_t len = std::strlen(name);
    if (len > kDirNameMax) return false;
    std::memcpy(out->name, name, len + 1);
    out->nameLen = static_cast<uint16_t>(len);
    FileInfo& f = out->info;
    f = FileInfo{};
    f.attributes = Attributes(st, name);
    if (!S_ISDIR(st.st_mode))
        f.size = st.st_size > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<uint32_t>(st.st_size);
    // There is no portable birth time; the status-change time stands in for it.
    LocalStamp(st.st_ctime, &f.creationDate, &f.creationTime);
    LocalStamp(st.st_atime, &f.accessDate, &f.accessTime);
    LocalStamp(st.st_mtime, &f.writeDate, &f.writeTime);
    return true;
}

// A NUL-terminated pool copy of path with `\` turned into `/`.
char* NativePath(StrRef path) {
    const char* c = CString(path);
    if (!c[0] && path.len) return nullptr;
    char* p = const_cast<char*>(c);
    for (char* q = p; *q; ++q)
        if (*q == '\\') *q = '/';
    return p;
}

}  // namespace

ErrCode DirSearch::First(StrRef pattern, DirEntry* out) {
    Close();
    if (!pattern.ok()) return kErrBadInput;
    PoolScope scope;
    char* path = NativePath(pattern);
    if (!path) return kErrOutOfMemory;
    char* slash = std::strrchr(path, '/');
    const char* folder = ".";
    const char* name = path;
    if (slash) {
        *slash = 0;
        folder = slash == path ? "/" : path;
        name = slash + 1;
    }
    if (!name[0]) return kErrFileNotFound;
    // No entry name is that long, so nothing can match.
    if (std::strlen(name) >= sizeof namePattern_) return kErrFileNotFound;
    std::strcpy(namePattern_, name);
    DIR* dir = opendir(folder);
    if (!dir) return ErrnoCode(errno);
    handle_ = dir;
    // A plain name is looked up directly; the walk below finds it in another case, as the
    // Windows search would.
    if (!HasWildcard(namePattern_) && Describe(dirfd(dir), namePattern_, out)) {
        namePattern_[0] = 0;  // nothing follows a plain name
        return 0;
    }
    ErrCode err = Next(out);
    return err == kCompletion ? kErrFileNotFound : err;
}

ErrCode DirSearch::Next(DirEntry* out) {
    DIR* dir = static_cast<DIR*>(handle_);
    if (!dir || !namePattern_[0]) return kCompletion;
    for (;;) {
        errno = 0;
        struct dirent* d = readdir(dir);
        if (!d) return errno ? ErrnoCode(errno) : kCompletion;
        if (!NameMatches(namePattern_, d->d_name)) continue;
        if (Describe(dirfd(dir), d->d_name, out)) return 0;
    }
}

void DirSearch::Close() {
    if (handle_) closedir(static_cast<DIR*>(handle_));
    handle_ = nullptr;
    namePattern_[0] = 0;
}

void LocalStamp(int64_t unixSeconds, int32_t* date, int32_t* ms) {
    *date = 0;
    *ms = 0;
    if (unixSeconds < 0 || unixSeconds > INT32_MAX) return;
    time_t t = static_cast<time_t>(unixSeconds);
    struct tm tm;
    if (!localtime_r(&t, &tm)) return;
    *date = (tm.tm_year + 1900) * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
    *ms = ((tm.tm_hour * 60 + tm.tm_min) * 60 + tm.tm_sec) * 1000;
}

int64_t LocalSeconds(int32_t date, int32_t ms) {
    struct tm tm {};
    tm.tm_year = date / 10000 - 1900;
    tm.tm_mon = date / 100 % 100 - 1;
    tm.tm_mday = date % 100;
    tm.tm_hour = ms / 3600000;
    tm.tm_min = ms / 60000 % 60;
    tm.tm_sec = ms / 1000 % 60;
    tm.tm_isdst = -1;  // whatever daylight rule applied on that day
    return static_cast<int64_t>(mktime(&tm));
}

namespace {

// The local date and time as the two stamps utimensat takes (access left alone).
void LocalToTimes(int32_t date, int32_t ms, struct timespec times[2]) {
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(LocalSeconds(date, ms));
    times[1].tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
}

}  // namespace

ErrCode SetFileWriteTimeLocal(StrRef path, int32_t date, int32_t ms) {
    if (!path.ok() || !StampPartsValid(date, ms)) return kErrBadInput;
    PoolScope scope;
    char* p = NativePath(path);
    if (!p) return kErrOutOfMemory;
    struct timespec times[2];
    LocalToTimes(date, ms, times);
    if (utimensat(AT_FDCWD, p, times, 0) != 0) {
        ErrCode e = ErrnoCode(errno);
        return e == kErrDiskIo ? kErrFileIo : e;
    }
    return 0;
}

ErrCode SetFileWriteTimeLocal(FsFile& file, int32_t date, int32_t ms) {
    if (!StampPartsValid(date, ms)) return kErrBadInput;
    if (!file.IsOpen() || file.IsStandard()) return kErrBadFileNumber;
    struct timespec times[2];
    LocalToTimes(date, ms, times);
    if (futimens(static_cast<int>(file.native()), times) != 0) {
        ErrCode e = ErrnoCode(errno);
        return e == kErrDiskIo ? kErrFileIo : e;
    }
    return 0;
}

}  // namespace rt

#endif  // !_WIN32
