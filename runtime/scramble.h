// Reversible scrambling of texts kept in files (stored passwords).
#pragma once

#include "runtime/strref.h"

namespace rt {

// Two base-32 characters per byte, keyed by the byte sum of keytext.
StrRef Scramble(StrRef s, StrRef keytext);
// Inverse of Scramble. An odd-length input gives blanks, half its length rounded down.
StrRef Unscramble(StrRef t, StrRef keytext);

}  // namespace rt
