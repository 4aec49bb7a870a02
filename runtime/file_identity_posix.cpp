// File identities elsewhere: the device and inode numbers; no short names.
#include <sys/stat.h>

#include <cerrno>

#include "runtime/errcode.h"
#include "runtime/file_identity.h"

namespace rt {

ErrCode PlatformIdentityOf(const char* path, FileIdentity* out) {
    struct stat st {};
    if (stat(path, &st) != 0) return (errno == ENOENT || errno == ENOTDIR) ? kErrFileNotFound : kErrFileOpening;
    out->volume = static_cast<uint64_t>(st.st_dev);
    out->index = static_cast<uint64_t>(st.st_ino);
    return 0;
}

ErrCode PlatformShortLeaf(const char* path, std::string* out) {
    out->clear();
    struct stat st {};
    return stat(path, &st) == 0 ? 0 : kErrFileNotFound;
}

}  // namespace rt
