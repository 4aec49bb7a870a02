// Lists: texts whose fields are separated by one character; separators inside quotes do not split.
//
// Field numbers are 1-based. A NUL separator splits in plain mode, every other one in quoted mode.
// Results that are pieces of the input point into it; new texts are one pool entry.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// 0 for an empty list, else separators outside quotes + 1 (a trailing separator adds a field);
// at most 65535.
uint16_t FieldCount(StrRef list, char sep);
// Field n as a piece of the input; n = 0 or n > count gives an empty value.
StrRef Field(StrRef list, char sep, uint16_t n);
struct FieldSpan {
    uint16_t pos;  // kNpos when the field does not exist
    uint16_t len;
};
// Offset and length of field n.
FieldSpan FieldPos(StrRef list, char sep, uint16_t n);
// Everything after the first separator; empty when there is none.
StrRef FieldRest(StrRef list, char sep);
// 1-based number of the first field equal to item; 0 when absent or an input is invalid.
uint16_t ListIndex(StrRef list, StrRef item, char sep);
// Largest (or with `narrowest` the smallest) field length after removing surrounding quotes.
uint16_t FieldWidth(StrRef list, char sep, bool narrowest);
// ToInt of field n after TrimUnquote.
int16_t FieldInt(StrRef list, char sep, uint16_t n);
// n > 0 replaces field n (adding empty fields when the list is shorter); n = 0 appends value as
// a new last field; n < 0 deletes field -n with one separator (no change when it does not exist).
StrRef SetField(StrRef list, StrRef value, char sep, int n);
// a followed by every field of b not already in a or in the result, joined with outSep.
StrRef ListUnion(StrRef a, char sepA, StrRef b, char sepB, char outSep, bool fold);
// The fields of a not in b, without duplicates, joined with outSep.
StrRef ListDifference(StrRef a, char sepA, StrRef b, char sepB, char outSep, bool fold);
// Match function for ListPositions: a value for a field of the first list against the second.
using ListMatchFn = uint16_t (*)(StrRef field, StrRef other);
// For each comma field of a: its ListIndex in b (or match(field, b) when match is given); the
// non-zero values are stored as 2-byte elements in one pool text (*out). Returns their count.
uint16_t ListPositions(StrRef a, StrRef b, ListMatchFn match, StrRef* out);
// True when the comma list is empty or one item matches: a number (equal) or "lo-hi" (inclusive).
bool RangeMatch(StrRef list, int64_t value);
// Each "[$k]" in text replaced by field k of the comma list values (plain search, so markers in
// quotes count too); past the last value, k runs on with empty replacements while "[$" remains
// and k < 64, so "[$63]" is the last marker cleared.
StrRef Placeholders(StrRef text, StrRef values);

}  // namespace rt
