// The identity seam: the platform's answers unless a test supplies its own.
#include "runtime/file_identity.h"

namespace rt {

namespace {

FileIdentitySeams gSeams;

}  // namespace

void SetFileIdentitySeams(const FileIdentitySeams& seams) { gSeams = seams; }

ErrCode FsIdentityOf(const char* path, FileIdentity* out) {
    return gSeams.identity ? gSeams.identity(path, out) : PlatformIdentityOf(path, out);
}

ErrCode FsShortLeaf(const char* path, std::string* out) {
    return gSeams.shortLeaf ? gSeams.shortLeaf(path, out) : PlatformShortLeaf(path, out);
}

}  // namespace rt
