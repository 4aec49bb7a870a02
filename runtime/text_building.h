// Small pieces shared by the routines that build new texts in the pool.
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {

// A new pool text of exactly n bytes, written through the returned pointer. Null, with *out the
// error value, when n exceeds the one-piece limit (kErrOutOfMemory) or the pool is full.
inline char* NewText(uint64_t n, StrRef* out) {
    if (n > kMaxText) {
        *out = StrErr(kErrOutOfMemory);
        return nullptr;
    }
    ErrCode err = 0;
    char* buf = PoolBuffer(static_cast<uint32_t>(n), &err);
    *out = buf ? StrMake(buf, static_cast<uint16_t>(n)) : StrErr(err ? err : kErrOutOfMemory);
    return buf;
}

// Copies s at w and moves w past it.
inline void Put(char*& w, StrRef s) {
    if (s.len) std::memcpy(w, s.ptr, s.len);
    w += s.len;
}

// Membership table of the bytes of a text.
struct ByteSet {
    bool has[256] = {};
    explicit ByteSet(StrRef set) {
        for (uint16_t i = 0; i < set.len; ++i) has[set.at(i)] = true;
    }
};

}  // namespace rt
