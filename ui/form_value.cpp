// Quoting of user values for form texts: FormQuote, FormUnquote and the one-pass marker fill.
#include "ui/form_value.h"

#include <cstring>

#include "runtime/error_record.h"
#include "runtime/text_list.h"
#include "runtime/text_building.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

bool Holds(StrRef s, char c) { return s.len && std::memchr(s.ptr, c, s.len) != nullptr; }

// Writes the quoted form of v at out (when out is given) and returns its length.
uint32_t WriteQuoted(StrRef v, char* out) {
    if (const char q = QuoteFor(v, '\'')) {
        if (out) {
            out[0] = q;
            if (v.len) std::memcpy(out + 1, v.ptr, v.len);
            out[v.len + 1] = q;
        }
        return uint32_t{v.len} + 2;
    }
    // Both quote characters: runs without a single quote go in single quotes, runs of single
    // quotes in double quotes, joined by '+'.
    uint32_t n = 0;
    for (uint16_t i = 0; i < v.len;) {
        const bool quotes = v.ptr[i] == '\'';
        uint16_t j = i;
        while (j < v.len && (v.ptr[j] == '\'') == quotes) ++j;
        if (i > 0) {
            if (out) out[n] = '+';
            ++n;
        }
        const char q = quotes ? '"' : '\'';
        if (out) {
            out[n] = q;
            std::memcpy(out + n + 1, v.ptr + i, j - i);
            out[n + 1 + (j - i)] = q;
        }
        n += 2u + (j - i);
        i = j;
    }
    return n;
}

// Number of a "[$k]" marker at text[i] and the marker's length; 0 when there is none there.
uint16_t MarkerAt(StrRef text, uint32_t i, uint32_t* markerLen) {
    if (i + 2 >= text.len || text.ptr[i] != '[' || text.ptr[i + 1] != '$') return 0;
    uint32_t j = i + 2;
    uint32_t k = 0;
    while (j < text.len && j < i + 5 && text.ptr[j] >= '0' && text.ptr[j] <= '9') k = k * 10 + (text.ptr[j++] - '0');
    if (j >= text.len || text.ptr[j] != ']') return 0;
    if (j == i + 2) k = 1;  // "[$]"
    *markerLen = j + 1 - i;
    return static_cast<uint16_t>(k);
}

// The fill, measured (out null) or written. Lengths are counted in 64 bits so that a long
// result is noticed before anything is written.
uint64_t Fill(StrRef text, const StrRef* values, uint16_t count, char* out) {
    uint64_t n = 0;
    char open = 0;          // quote character of the quoted part we are in, 0 outside
    uint64_t openAt = 0;    // output position of that part's opening quote
    uint32_t openSrc = 0;   // its input position
    const auto put = [&](char c) {
        if (out) out[n] = c;
        ++n;
    };
    const auto putValue = [&](uint16_t k) {
        const StrRef v = k <= count ? values[k - 1] : StrEmpty();
        n += WriteQuoted(v, out ? out + n : nullptr);
    };
    for (uint32_t i = 0; i < text.len;) {
        const char c = text.ptr[i];
        uint32_t markerLen = 0;
        const uint16_t k = MarkerAt(text, i, &markerLen);
        if (k == 0) {
            if (open && c == open) {
                open = 0;
            } else if (!open && IsQuote(static_cast<unsigned char>(c))) {
                open = c;
                openAt = n;
                openSrc = i;
            }
            put(c);
            ++i;
            continue;
        }
        const uint32_t after = i + markerLen;
        if (!open) {
            putValue(k);
        } else if (openSrc + 1 == i && after < text.len && text.ptr[after] == open) {
            // The marker is the whole quoted part: the value brings its own quotes.
            n = openAt;
            putValue(k);
            open = 0;
            i = after + 1;
            continue;
        } else {
            put(open);
            put('+');
            putValue(k);
            put('+');
            put(open);
        }
        i = after;
    }
    return n;
}

}  // namespace

StrRef FormQuote(StrRef value) {
    if (!value.ok()) return value;
    if (Holds(value, '\0')) return StrErr(kErrBadInput);
    const uint32_t n = WriteQuoted(value, nullptr);
    if (n > kMaxText) return FailStr(true, kModScreens, kErrStringTooLong, value);
    StrRef out;
    char* w = NewText(n, &out);
    if (w) WriteQuoted(value, w);
    return out;
}

namespace {

// Walks a '+'-joined sequence of quoted pieces; false when text is not one. With out given,
// writes the pieces' contents there. *pieces and *length receive the count and total length.
bool Pieces(StrRef text, char* out, uint32_t* pieces, uint32_t* length) {
    *pieces = 0;
    *length = 0;
    uint32_t i = 0;
    while (true) {
        if (i >= text.len || !IsQuote(static_cast<unsigned char>(text.ptr[i]))) return false;
        const char q = text.ptr[i];
        const void* close = std::memchr(text.ptr + i + 1, q, text.len - i - 1);
        if (!close) return false;
        const uint32_t end = static_cast<uint32_t>(static_cast<const char*>(close) - text.ptr);
        if (out) std::memcpy(out + *length, text.ptr + i + 1, end - i - 1);
        *length += end - i - 1;
        ++*pieces;
        i = end + 1;
        if (i == text.len) return true;
        if (text.ptr[i] != '+') return false;
        ++i;
    }
}

}  // namespace

bool IsFormQuoted(StrRef text) {
    uint32_t pieces = 0, length = 0;
    return text.ok() && Pieces(text, nullptr, &pieces, &length);
}

StrRef FormUnquote(StrRef text) {
    if (!text.ok()) return text;
    uint32_t pieces = 0, length = 0;
    if (!Pieces(text, nullptr, &pieces, &length)) return Unquote(text);
    if (pieces == 1) return StrMake(text.ptr + 1, static_cast<uint16_t>(length));
    StrRef out;
    char* w = NewText(length, &out);
    if (w) Pieces(text, w, &pieces, &length);
    return out;
}

StrRef FormQuoteIfNeeded(StrRef value, StrRef separators) {
    if (!value.ok()) return value;
    if (!separators.ok()) return separators;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool edgeBlank = value.len && (blank(value.ptr[0]) || blank(value.ptr[value.len - 1]));
    const bool needed = edgeBlank || FindAny(value, StrFromLiteral("'\""), true) != kNpos ||
                        FindAny(value, separators, true) != kNpos;
    return needed ? FormQuote(value) : value;
}

StrRef FormValueAt(StrRef values, uint16_t n) {
    return FormUnquote(Trim(Field(values, ',', n), kTrimStart | kTrimEnd));
}

StrRef FormFill(StrRef text, const StrRef* values, uint16_t count) {
    if (!text.ok()) return text;
    for (uint16_t k = 0; k < count; ++k) {
        if (!values[k].ok()) return values[k];
        if (Holds(values[k], '\0')) return StrErr(kErrBadInput);
    }
    const uint64_t n = Fill(text, values, count, nullptr);
    if (n > kMaxText) return FailStr(true, kModScreens, kErrStringTooLong, text);
    StrRef out;
    char* w = NewText(n, &out);
    if (w) Fill(text, values, count, w);
    return out;
}

}  // namespace rt
