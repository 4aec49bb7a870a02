// Searches in texts, optionally skipping text between quotes.
//
// Quoted mode (plain = false) skips everything between a quote (' or ") and the next occurrence
// of the same quote character, so it never finds a quote itself. Results are 0-based positions,
// kNpos (0xFFFF) for "not found" and for invalid inputs.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

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
