// Replacement of every occurrence of one text by another, sized exactly before copying.
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

StrRef Tail(StrRef s, uint32_t from) {
    return StrMake(s.ptr + from, static_cast<uint16_t>(s.len - from));
}

// Next occurrence at or after `from`, as an absolute position, or kNpos.
uint32_t NextHit(StrRef s, uint32_t from, StrRef old, bool plain) {
    if (from >= s.len) return kNpos;
    const uint16_t p = FindStr(Tail(s, from), old, plain);
    return p == kNpos ? kNpos : from + p;
}

}  // namespace

StrRef Replace(StrRef s, StrRef old, StrRef repl, bool plain) {
    if (!s.ok()) return s;
    if (!old.ok()) return old;
    if (!repl.ok()) return repl;
    if (old.len == 0) return Copy(s);
    // Quoted mode can never find a quote itself, which would make the call pointless.
    if (old.len == 1 && (old.ptr[0] == '\'' || old.ptr[0] == '"')) plain = true;

    uint32_t hits = 0;
    for (uint32_t p = NextHit(s, 0, old, plain); p != kNpos; p = NextHit(s, p + old.len, old, plain)) {
        ++hits;
    }
    const int64_t length = int64_t{s.len} - int64_t{hits} * (int64_t{old.len} - int64_t{repl.len});
    if (length > kMaxText) return FailStr(true, kModStrConcat, kErrOutOfMemory, StrErr(kErrOutOfMemory));
    // Checked here so that a full pool is recorded against this routine, not the pool.
    const PoolStats pool = PoolInfo();
    const uint32_t rounded = (static_cast<uint32_t>(length) + 3u) & ~3u;
    if (uint32_t{pool.current} + 1 >= pool.capacity || rounded > PoolFreeBytes()) {
        return FailStr(true, kModStrConcat, kErrOutOfMemory, StrErr(kErrOutOfMemory));
    }
    ErrCode err = 0;
    char* w = PoolBuffer(static_cast<uint32_t>(length), &err);
    if (!w) return FailStr(true, kModStrConcat, kErrOutOfMemory, StrErr(kErrOutOfMemory));
    const StrRef out = StrMake(w, static_cast<uint16_t>(length));

    uint32_t done = 0;
    for (uint32_t p = NextHit(s, 0, old, plain); p != kNpos; p = NextHit(s, p + old.len, old, plain)) {
        std::memcpy(w, s.ptr + done, p - done);
        w += p - done;
        if (repl.len) std::memcpy(w, repl.ptr, repl.len);
        w += repl.len;
        done = p + old.len;
    }
    if (s.len > done) std::memcpy(w, s.ptr + done, s.len - done);
    return out;
}

}  // namespace rt
