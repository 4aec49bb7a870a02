// The identity of an existing file or folder and the short name the disk keeps for it: what a
// path names, whatever its spelling (another drive letter, a short name, a link or junction, a
// share of the same disk, a "\\?\" prefix, another case).
#pragma once

#include <cstdint>
#include <string>

#include "runtime/strref.h"

namespace rt {

// The volume's serial number and the entry's index on it; two spellings of one entry give one
// identity.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the existing entry at path (NUL-terminated, the process code page):
// kErrFileNotFound when there is none, another code when it cannot be opened to tell.
ErrCode FsIdentityOf(const char* path, FileIdentity* out);
// The 8.3 name the volume keeps for the last component of the existing entry at path, in *out
// (empty when the volume keeps none); kErrFileNotFound when there is no such entry.
ErrCode FsShortLeaf(const char* path, std::string* out);

// True when path names the file the running program was started from, however it is spelled (a
// second link, a short name, another case). False when either cannot be told.
bool FsIsRunningProgram(const char* path);

// Replaces both for tests, which supply the identity and short name of each spelling a desktop can
// have; null fields leave the platform's.
struct FileIdentitySeams {
    ErrCode (*identity)(const char* path, FileIdentity* out) = nullptr;
    ErrCode (*shortLeaf)(const char* path, std::string* out) = nullptr;
};
void SetFileIdentitySeams(const FileIdentitySeams& seams);

// The platform's answers (file_identity_win.cpp, file_identity_posix.cpp).
ErrCode PlatformIdentityOf(const char* path, FileIdentity* out);
ErrCode PlatformShortLeaf(const char* path, std::string* out);

}  // namespace rt
