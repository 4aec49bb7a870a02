// The platform-free part of the file seam: the fault-injection hook and moving open files.
#include "runtime/fs.h"

namespace rt {

namespace {
FsFaultHook gFaultHook = nullptr;
}  // namespace

void FsSetFaultHook(FsFaultHook hook) { gFaultHook = hook; }

ErrCode FsFault(FsFaultPoint point, const char* path) {
    return gFaultHook ? gFaultHook(point, path) : 0;
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
