// The lock of the run-time's context and the server's uses of the context, each under it.
#include "server/runtime_guard.h"

#include "runtime/context.h"
#include "runtime/errors.h"
#include "runtime/scramble.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {
namespace {

std::mutex& ContextLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

RuntimeGuard::RuntimeGuard() : lock_(ContextLock()), mark_(PoolMark()) {}

RuntimeGuard::~RuntimeGuard() { PoolRelease(mark_); }

ErrCode RuntimeGuard::StartContext() {
    const std::lock_guard<std::mutex> lock(ContextLock());
    return ContextInit();
}

std::string RuntimeGuard::ErrorName(ErrCode code) {
    const StrRef name = ErrorNameEnglish(code);
    std::string out = name.ok() ? std::string(name.ptr, name.len) : std::string();
    PoolRelease(mark_);
    return out;
}

ErrCode RuntimeGuard::FirstEntry(DirSearch& search, std::string_view pattern, DirEntry* out) {
    if (pattern.size() > kMaxText) return kErrFileNotFound;
    const ErrCode err = search.First(StrMake(pattern.data(), static_cast<uint16_t>(pattern.size())), out);
    PoolRelease(mark_);
    return err;
}

ErrCode RuntimeGuard::Scrambled(std::string_view password, std::string_view user, std::string* out) {
    if (password.size() > kMaxText || user.size() > kMaxText) return kErrOutOfMemory;
    const StrRef s = Scramble(StrMake(password.data(), static_cast<uint16_t>(password.size())),
                              StrMake(user.data(), static_cast<uint16_t>(user.size())));
    const ErrCode err = StrError(s);
    if (!err) out->assign(s.ptr, s.len);
    PoolRelease(mark_);
    return err;
}

}  // namespace rt
