// Searches in texts, optionally skipping text between quotes.
//
// Quoted mode (plain = false) skips everything between a quote (' or ") and the next occurrence
// of the same quote character, so it never finds a quote itself. Results are 0-based positions,
// kNpos (0xFFFF) for "not found" and for invalid inputs.
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/strref.h"

namespace rt {

// The run-time's two quote characters.
inline bool IsQuote(unsigned char c) { return c == '\'' || c == '"'; }

// Position of the quote that closes the one at pos (the next occurrence of the same character),
// or kNpos when none does. A closing quote always lies before the end, so kNpos is never a
// position here.
inline uint16_t ClosingQuote(StrRef s, uint32_t pos) {
    if (!s.ok() || pos >= s.len) return kNpos;
    const void* close = std::memchr(s.ptr + pos + 1, s.at(static_cast<uint16_t>(pos)), s.len - pos - 1);
    return close ? static_cast<uint16_t>(static_cast<const char*>(close) - s.ptr) : kNpos;
}

// The one quote-aware scan: the first position >= from whose byte pred(byte, position) accepts,
// with every quoted part skipped whole, so that pred is never offered a quote or anything between
// a pair. An unclosed quote hides the rest of the text and sets *unclosed (when given; it is
// cleared otherwise). kNpos when nothing is accepted and for an error value.
template <class Pred>
uint16_t ScanUnquoted(StrRef s, uint32_t from, Pred pred, bool* unclosed = nullptr) {
    if (unclosed) *unclosed = false;
    if (!s.ok()) return kNpos;
    for (uint32_t i = from; i < s.len; ++i) {
        const unsigned char c = s.at(static_cast<uint16_t>(i));
        if (IsQuote(c)) {
            const uint16_t close = ClosingQuote(s, i);
            if (close == kNpos) {
                if (unclosed) *unclosed = true;
                return kNpos;
            }
            i = close;
            continue;
        }
        if (pred(c, static_cast<uint16_t>(i))) return static_cast<uint16_t>(i);
    }
    return kNpos;
}

// First position >= from of ch.
uint16_t FindChar(StrRef s, uint16_t from, char ch, bool plain);
// Smallest position of any character of set.
uint16_t FindAny(StrRef s, StrRef set, bool plain);
// First position of pattern; the first character is found in the given mode, the rest compared
// byte for byte. An empty pattern, or one longer than s, is not found.
uint16_t FindStr(StrRef s, StrRef pattern, bool plain);
// Last position: mode 0 any character of the set `pattern`, 1 the character pattern[0],
// 2 the substring pattern.
uint16_t FindLast(StrRef s, StrRef pattern, int mode, bool plain);
// Smallest position among several (quoted mode): mode 0 each character of list, 1 each field of
// the comma list as a set of characters, 2 each field as a substring.
uint16_t FindFirstOf(StrRef s, StrRef list, int mode);
// Number of non-overlapping occurrences; 0 for invalid inputs.
uint16_t CountStr(StrRef s, StrRef pattern, bool plain);

}  // namespace rt
