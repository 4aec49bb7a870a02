// Trimming, unquoting and ASCII case conversion of texts.
#include <cstring>

#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

bool IsLower(unsigned char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
char ToUpper(unsigned char c) { return static_cast<char>(IsLower(c) ? c - 32 : c); }
char ToLower(unsigned char c) { return static_cast<char>(IsUpper(c) ? c + 32 : c); }

bool InSet(StrRef set, char c) {
    return set.len && std::memchr(set.ptr, static_cast<unsigned char>(c), set.len) != nullptr;
}

}  // namespace

StrRef Trim(StrRef s, int flags) { return Trim(s, flags, StrMake(" \t", 2)); }

StrRef Trim(StrRef s, int flags, StrRef set) {
    if (!s.ok()) return s;
    if (!set.ok()) return set;
    uint16_t from = 0;
    uint16_t to = s.len;
    if (flags & kTrimStart) {
        while (from < to && InSet(set, s.ptr[from])) ++from;
    }
    if (flags & kTrimEnd) {
        while (to > from && InSet(set, s.ptr[to - 1])) --to;
    }
    return StrMake(s.ptr + from, static_cast<uint16_t>(to - from));
}

StrRef TrimEol(StrRef s) { return Trim(s, kTrimEnd, StrMake("\r\n", 2)); }

StrRef Unquote(StrRef s) {
    if (!s.ok() || s.len < 2) return s;
    const char q = s.ptr[0];
    if (!IsQuote(q) || s.ptr[s.len - 1] != q) return s;
    return StrMake(s.ptr + 1, static_cast<uint16_t>(s.len - 2));
}

StrRef UnquoteUpper(StrRef s, int flags) {
    if (flags & 1) s = Unquote(s);
    if (flags & 2) s = Case(s, 1);
    return s;
}

StrRef TrimUnquote(StrRef s) {
    if (!s.ok()) return s;
    const StrRef inner = Unquote(Trim(s, kTrimStart | kTrimEnd));
    return inner.len == s.len ? Case(inner, 1) : Copy(inner);
}

StrRef Case(StrRef s, int mode) {
    if (!s.ok()) return s;
    if (s.len > kMaxText) return StrErr(kErrOutOfMemory);
    const StrRef out = PoolCopy(s);
    if (!out.ok()) return out;
    char* w = MutPtr(out);
    if (mode == 0) mode = (out.len && out.at(0) > 'Z') ? 1 : 2;
    switch (mode) {
        case 1:
            for (uint16_t i = 0; i < out.len; ++i) w[i] = ToUpper(out.at(i));
            break;
        case 2:
        case 3: {
            bool capitalise = mode == 3;
            for (uint16_t i = 0; i < out.len; ++i) {
                const unsigned char c = out.at(i);
                if (capitalise && c >= 'A') {
                    w[i] = ToUpper(c);
                    capitalise = false;
                } else {
                    w[i] = ToLower(c);
                }
            }
            break;
        }
        default:
            break;
    }
    return out;
}

}  // namespace rt
