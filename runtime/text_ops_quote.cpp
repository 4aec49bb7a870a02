// Bracket partners, text between brackets, and wrapping texts in brackets or quotes.
#include <cstring>

#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

constexpr char kBrackets[] = "[](){}<>";

bool Contains(StrRef s, char c) {
    return s.len && std::memchr(s.ptr, static_cast<unsigned char>(c), s.len) != nullptr;
}

// Occurrences of c in s[from, to), in the given search mode.
uint32_t CountIn(StrRef s, uint32_t from, uint32_t to, char c, bool plain) {
    const StrRef part = StrMake(s.ptr + from, static_cast<uint16_t>(to - from));
    uint32_t n = 0;
    for (uint16_t p = FindChar(part, 0, c, plain); p != kNpos;
         p = FindChar(part, static_cast<uint16_t>(p + 1), c, plain)) {
        ++n;
    }
    return n;
}

StrRef Wrapped(StrRef s, char open, char close) {
    if (uint32_t{s.len} + 2 > kMaxText) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* w = PoolBuffer(uint32_t{s.len} + 2, &err);
    if (!w) return StrErr(kErrOutOfMemory);
    w[0] = open;
    if (s.len) std::memcpy(w + 1, s.ptr, s.len);
    w[s.len + 1] = close;
    return StrMake(w, static_cast<uint16_t>(s.len + 2));
}

}  // namespace

char Partner(char ch) {
    for (int i = 0; i < 8; i += 2) {
        if (kBrackets[i] == ch) return kBrackets[i + 1];
    }
    return ch;
}

StrRef Between(StrRef s, char open, bool plain) {
    if (!s.ok()) return s;
    const StrRef none = StrMake(s.ptr, 0);
    const uint16_t start = FindChar(s, 0, open, plain);
    if (start == kNpos) return none;
    const char close = Partner(open);
    const uint32_t inner = uint32_t{start} + 1;
    for (uint16_t end = FindChar(s, static_cast<uint16_t>(inner), close, plain); end != kNpos;
         end = FindChar(s, static_cast<uint16_t>(end + 1), close, plain)) {
        if (open == close || CountIn(s, inner, end, open, plain) == CountIn(s, inner, end, close, plain)) {
            return StrMake(s.ptr + inner, static_cast<uint16_t>(end - inner));
        }
    }
    return none;
}

StrRef Wrap(StrRef s, char ch) {
    if (!s.ok()) return s;
    return Wrapped(s, ch, Partner(ch));
}

char QuoteFor(StrRef s, char q) {
    if (!Contains(s, q)) return q;
    const char other = q == '"' ? '\'' : '"';
    return Contains(s, other) ? '\0' : other;
}

StrRef Quote(StrRef s, char q) {
    if (!s.ok()) return s;
    const char use = QuoteFor(s, q);
    return use ? Wrapped(s, use, use) : StrErr(kErrBadInput);
}

StrRef QuoteAny(StrRef s, char q) {
    if (!s.ok()) return s;
    const StrRef quoted = Quote(s, q);
    if (StrError(quoted) != kErrBadInput) return quoted;
    const StrRef out = Wrapped(s, '"', '"');
    if (!out.ok()) return out;
    char* w = MutPtr(out);
    for (uint16_t i = 1; i + 1 < out.len; ++i) {
        if (w[i] == '"') w[i] = '\'';
    }
    return out;
}

}  // namespace rt
