// The last-write time of a copy, taken from its source with stat and utimensat.
#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "net/file_copy.h"

namespace rt {

namespace {

// The run-time spells paths with backslashes on every platform.
std::string Native(const char* path) {
    std::string s(path);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

}  // namespace

ErrCode OsCopyWriteTime(FsFile& from, FsFile& to) {
    struct stat st;
    if (::fstat(static_cast<int>(from.native()), &st) != 0) return kErrFileIo;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = st.st_mtim;
    return ::futimens(static_cast<int>(to.native()), times) == 0 ? 0 : kErrFileIo;
}

ErrCode OsCopyWriteTime(const char* from, const char* to) {
    struct stat st;
    if (::stat(Native(from).c_str(), &st) != 0) return kErrFileNotFound;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = st.st_mtim;
    return ::utimensat(AT_FDCWD, Native(to).c_str(), times, 0) == 0 ? 0 : kErrFileIo;
}

}  // namespace rt
