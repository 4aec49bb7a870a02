// The platform-free part of the file seam: the fault-injection hook and moving open files.
#include "runtime/fs.h"

namespace rt {

namespace {
FsSeams gSeams{};
thread_local const char* tFailureReason = "";
}  // namespace

const char* FsFailureReason() { return tFailureReason; }
void FsNoteFailure(const char* reason) { tFailureReason = reason ? reason : ""; }

void SetFsSeams(const FsSeams& seams) { gSeams = seams; }

ErrCode FsFault(FsFaultPoint point, const char* path) {
    const ErrCode injected = gSeams.fault ? gSeams.fault(point, path) : 0;
    if (injected) FsNoteFailure("");
    return injected;
}

FsFile::FsFile(FsFile&& other) noexcept
    : handle_(other.handle_), owned_(other.owned_), append_(other.append_) {
    other.handle_ = kNoHandle;
    other.owned_ = false;
}

FsFile& FsFile::operator=(FsFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        owned_ = other.owned_;
        append_ = other.append_;
        other.handle_ = kNoHandle;
        other.owned_ = false;
    }
    return *this;
}

}  // namespace rt
