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

std::string RuntimeGuard::CatalogueName(ErrCode code) {
    // Windows-1252: 0x80..0x9F are its own letters and signs, the rest is Latin-1.
    static const uint16_t kHigh[32] = {0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x2C6, 0x2030, 0x160, 0x2039, 0x152, 0x8D, 0x17D, 0x8F,
                                       0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x2DC, 0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178};
    const StrRef name = rt::ErrorName(code);
    std::string out;
    for (uint16_t i = 0; name.ok() && i < name.len; ++i) {
        const unsigned char c = static_cast<unsigned char>(name.ptr[i]);
        const uint32_t u = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
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
