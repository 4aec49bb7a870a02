// Texts built from other texts: joining, copying, repeating, overwriting and character filters.
#include <algorithm>
#include <cstring>

#include "runtime/temp_pool.h"
#include "runtime/text_building.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
StrRef Concat(StrRef a, StrRef b) {
    if (!a.ok()) return a;
    if (!b.ok()) return b;
    StrRef out;
    char* w = NewText(uint64_t{a.len} + b.len, &out);
    if (!w) return out;
    Put(w, a);
    Put(w, b);
    return out;
}

StrRef Join(StrRef a, StrRef sep, StrRef b) {
    if (!a.ok()) return a;
    if (!sep.ok()) return sep;
    if (!b.ok()) return b;
    const bool both = a.len && b.len;
    StrRef out;
    char* w = NewText(uint64_t{a.len} + (both ? sep.len : 0) + b.len, &out);
    if (!w) return out;
    Put(w, a);
    if (both) Put(w, sep);
    Put(w, b);
    return out;
}

StrRef NameValue(StrRef name, StrRef value) {
    if (!name.ok()) return name;
    if (!value.ok()) return value;
    if (name.len == 0 || value.len == 0) return StrErr(kErrBadInput);
    StrRef out;
    char* w = NewText(uint64_t{name.len} + 1 + value.len, &out);
    if (!w) return out;
    Put(w, name);
    *w++ = '=';
    Put(w, value);
    return out;
}

StrRef Copy(StrRef s) {
    if (!s.ok()) return s;
    StrRef out;
    char* w = NewText(s.len, &out);
    if (!w) return out;
    Put(w, s);
    return out;
}

const char* CString(StrRef s) {
    static const char kEmpty[1] = "";
    if (!s.ok()) return kEmpty;
    // Not held to the one-piece limit: the caller needs the whole text or nothing.
    char* buf = PoolBuffer(uint32_t{s.len} + 1);
    if (!buf) return kEmpty;
    if (s.len) std::memcpy(buf, s.ptr, s.len);
    buf[s.len] = '\0';
    return buf;
}

StrRef AppendTo(StrRef s, char* buffer, uint16_t used) {
    if (!s.ok()) return s;
    if (!buffer) return StrErr(kErrBadInput);
    if (uint32_t{used} + s.len > 0xFFFF) return StrErr(kErrOutOfMemory);
    if (s.len) std::memmove(buffer + used, s.ptr, s.len);
    return StrMake(buffer, static_cast<uint16_t>(used + s.len));
}

StrRef Repeat(StrRef s, uint16_t n) {
    if (!s.ok()) return s;
    StrRef out;
    char* w = NewText(uint64_t{s.len} * n, &out);
    if (!w) return out;
    for (uint32_t i = 0; i < n && s.len; ++i) Put(w, s);
    return out;
}

StrRef Overwrite(StrRef s, int32_t pos, StrRef t) {
    if (!s.ok()) return s;
    if (!t.ok()) return t;
    StrRef out;
    char* w = NewText(s.len, &out);
    if (!w) return out;
    Put(w, s);
    // A position before the start (after counting from the end) writes from the start.
    int64_t at = pos < 0 ? int64_t{pos} + s.len : int64_t{pos};
    at = std::max<int64_t>(at, 0);
    if (at < s.len) {
        const uint32_t n = std::min<uint32_t>(t.len, static_cast<uint32_t>(s.len - at));
        if (n) std::memcpy(MutPtr(out) + at, t.ptr, n);
    }
    return out;
}

StrRef CharStr(char ch) {
    StrRef out;
    char* w = NewText(1, &out);
    if (w) *w = ch;
    return out;
}

StrRef KeepChars(StrRef s, StrRef set, bool drop) {
    if (!s.ok()) return s;
    if (!set.ok()) return set;
    const ByteSet table(set);
    StrRef out;
    uint32_t kept = 0;
    for (uint16_t i = 0; i < s.len; ++i) kept += table.has[s.at(i)] != drop;
    char* w = NewText(kept, &out);
    if (!w) return out;
    for (uint16_t i = 0; i < s.len; ++i) {
        if (table.has[s.at(i)] != drop) *w++ = s.ptr[i];
    }
    return out;
}

StrRef Translate(StrRef s, StrRef from, StrRef to) {
    if (!s.ok()) return s;
    if (!from.ok()) return from;
    if (!to.ok()) return to;
    if (from.len == 0) return Copy(s);
    // An empty `to` deletes every character of `from`, one chunk per character.
    const uint32_t fromChunk = to.len ? std::max(1, from.len / to.len) : 1;
    const uint32_t toChunk = std::max(1, to.len / from.len);
    const uint16_t mark = PoolMark();
    StrRef cur = s;
    for (uint32_t off = 0, k = 0; off < from.len; off += fromChunk, ++k) {
        const StrRef f = StrMake(from.ptr + off, static_cast<uint16_t>(std::min<uint32_t>(fromChunk, from.len - off)));
        const uint64_t toOff = uint64_t{k} * toChunk;
        const StrRef r = toOff < to.len
            ? StrMake(to.ptr + toOff, static_cast<uint16_t>(std::min<uint64_t>(toChunk, to.len - toOff)))
            : StrMake(to.ptr, 0);
        const StrRef next = Replace(cur, f, r, true);
        if (!next.ok()) {
            PoolRelease(mark);
            return next;
        }
        cur = PoolReturn(mark, next);
        if (!cur.ok()) return cur;
    }
    return cur;
}

StrRef Squeeze(StrRef s, char ch, bool plain) {
    if (!s.ok()) return s;
    const unsigned char c = static_cast<unsigned char>(ch);
    // Quoted mode never finds a quote character, so such a run is left alone.
    const bool active = plain || !IsQuote(c);
    StrRef out;
    char* w = NewText(s.len, &out);
    if (!w) return out;
    char* const begin = w;
    unsigned char openQuote = 0;
    for (uint16_t i = 0; i < s.len; ++i) {
        const unsigned char b = s.at(i);
        if (!plain) {
            if (openQuote) {
                if (b == openQuote) openQuote = 0;
            } else if (IsQuote(b)) {
                // An unclosed quote hides the rest of the text, as in the quoted search.
                openQuote = b;
            }
        }
        const bool runContinues = active && b == c && !openQuote && i > 0 && s.at(i - 1) == c;
        if (!runContinues) *w++ = static_cast<char>(b);
    }
    return PoolShrinkTop(static_cast<uint16_t>(w - begin));
}

}  // namespace rt
