// Field types: width fitting, display text from a stored value and stored value from a display
// text, by the field's type letter.
//
// Types: 'A', 'B', 'C', 'P', 'S', 'T' text-like ('T' a time); 'D', 'F' dates; 'L' logical; 'N',
// 'O' and '1'..'9' numeric (a digit gives that many decimals); 'R' hyperlink; 'V' blank; 'X' and
// any other letter text. A type character below 'A' other than a digit counts as 'N'.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// The type a field's type character stands for: a character below 'A' other than '1'..'9' is 'N'.
inline char FieldTypeOf(char type) {
    return (static_cast<unsigned char>(type) < 'A' && !(type >= '1' && type <= '9')) ? 'N' : type;
}

// The value fitted to width for its type: 'V' width blanks; text types left-aligned, padded or
// cut; dates as text, except that 8 characters into width 6 lose the first two; numeric types
// trimmed and right-aligned, or when longer laid out with a '#' mask of the width (mode 1) with
// as many decimals as fit. kErrDataOutBound when the integer part is longer than the width. A
// negative width leaves the value. A pool text.
StrRef FitWidth(char type, StrRef value, int width);

// Display text of a field of the given type and width from its stored value. 'D', 'F', 'T' go
// through the date seam (kErrFeatureRemoved while it is empty). A pool text.
StrRef FieldDisplay(char type, int width, StrRef stored);

// Stored value of a field from its display text, fitted to the width (except 'R'). A pool text.
StrRef FieldStored(char type, int width, StrRef display);

// The logical-answer message: the language definition kept as run-time parameter 0 (field 1 the
// one-letter answers, field 2 the answer words, separated by ';'); "NY;,NO,YES" when it is empty.
StrRef LogicalAnswerMessage();

}  // namespace rt
