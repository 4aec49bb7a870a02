// Substrings, comparison, trimming, case, joining, replacing, quoting and brackets.
//
// Results that are pieces of an input (SubStr, Trim, Unquote, Between) point into it and
// allocate nothing; new texts are one pool entry above the caller's mark. An error value given
// as input comes back unchanged; pool exhaustion gives (null, kErrOutOfMemory).
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// s from start for count bytes. start < 0 counts from the end and takes the rest (count is
// ignored); a range past the end is cut; count 0xFFFF means "to the end".
StrRef SubStr(StrRef s, int32_t start, uint16_t count);
// 0 equal, 1 a > b, 0xFFFF a < b (bytes; a proper prefix is smaller); kErrStrOutBound for a null
// pointer.
uint16_t Compare(StrRef a, StrRef b);
// Compare after upper-casing both when fold is set.
uint16_t CompareFold(StrRef a, StrRef b, bool fold);

inline constexpr int kTrimStart = 1;
inline constexpr int kTrimEnd = 2;
// Strips characters of set (default blank and tab): flag 1 at the start, 2 at the end.
StrRef Trim(StrRef s, int flags);
StrRef Trim(StrRef s, int flags, StrRef set);
// Strips CR and LF at the end.
StrRef TrimEol(StrRef s);
// Without surrounding matching quotes (at least 2 characters); else s.
StrRef Unquote(StrRef s);
// Flag 1 Unquote, then flag 2 upper case.
StrRef UnquoteUpper(StrRef s, int flags);
// Trim both ends, then Unquote; when neither changed the length the result is an upper-cased
// copy, else a plain copy.
StrRef TrimUnquote(StrRef s);
// Copy with mode 1 upper, 2 lower, 3 lower with the first character >= 'A' upper-cased,
// 0 upper when the first character is above 'Z' and lower otherwise. ASCII letters only.
StrRef Case(StrRef s, int mode);

StrRef Concat(StrRef a, StrRef b);
// a, then sep only when both a and b are non-empty, then b.
StrRef Join(StrRef a, StrRef sep, StrRef b);
// name "=" value; kErrBadInput when either is empty.
StrRef NameValue(StrRef name, StrRef value);
StrRef Copy(StrRef s);
// Pool copy with a NUL appended; an invalid input or a full pool gives a static empty text.
// Not held to the 32764-byte limit.
const char* CString(StrRef s);
// Copies s to buffer + used and returns (buffer, used + length); no pool use. kErrBadInput for a
// null buffer, kErrOutOfMemory when the length would pass 65535.
StrRef AppendTo(StrRef s, char* buffer, uint16_t used);
// Every occurrence of old (left to right, not overlapping) replaced by repl. A one-character old
// that is a quote is always searched in plain mode.
StrRef Replace(StrRef s, StrRef old, StrRef repl, bool plain);
StrRef Repeat(StrRef s, uint16_t n);
// Copy of s with t written over it from pos (negative: from the end, and a position still before
// the start writes from the start), stopping at the end of s.
StrRef Overwrite(StrRef s, int32_t pos, StrRef t);
StrRef CharStr(char ch);
// drop = false keeps only the characters of set; true removes them.
StrRef KeepChars(StrRef s, StrRef set, bool drop);
// Chunk k of from replaced throughout by chunk k of to (chunk sizes from the length ratio), one
// chunk after the other. A chunk of from without a chunk of to (to empty or shorter) is deleted.
StrRef Translate(StrRef s, StrRef from, StrRef to);
// Every run of ch reduced to one ch.
StrRef Squeeze(StrRef s, char ch, bool plain);
// Closing partner of an opening bracket of "[](){}<>"; any other character is its own partner.
char Partner(char ch);
// Text between the first `open` and its partner, with nesting; empty when there is none.
StrRef Between(StrRef s, char open, bool plain);
// ch, s, Partner(ch).
StrRef Wrap(StrRef s, char ch);
// The quote character that can wrap s whole: q when s has no q, else the other quote when s has
// none of that; 0 when s holds both. The one choice of a quote, for Quote and for FormQuote
// (ui/form_value.h), which differ only in what they do when s holds both.
char QuoteFor(StrRef s, char q);
// s in QuoteFor(s, q); kErrBadInput when s holds both quotes.
StrRef Quote(StrRef s, char q);
// Quote; when that fails, double quotes of s become single ones and s is wrapped in double quotes.
StrRef QuoteAny(StrRef s, char q);

// 0 for an empty text; when the first character is at most '@' the decimal value (leading
// blanks, sign, digits) cut to 16 bits; otherwise IsYes(s).
int16_t ToInt(StrRef s);
// False for an empty text; when the first character is above '8' true exactly when the upper-cased
// text is one of "YES,SI,Y,S,ON"; otherwise ToInt(s) != 0.
bool IsYes(StrRef s);

}  // namespace rt
