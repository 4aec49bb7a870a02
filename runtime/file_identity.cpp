// The identity seam: the platform's answers unless a test supplies its own.
#include "runtime/file_identity.h"

#include "runtime/fs.h"
#include "runtime/temp_pool.h"

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

bool FsIsRunningProgram(const char* path) {
    PoolScope scope;
    const StrRef self = FsProgramPath();
    if (!path || !self.ok()) return false;
    FileIdentity a, b;
    return FsIdentityOf(path, &a) == 0 && FsIdentityOf(std::string(self.ptr, self.len).c_str(), &b) == 0 && a == b;
}

}  // namespace rt
