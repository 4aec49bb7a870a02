// Edit masks: laying a value out for display, and the default mask of a field type.
//
// Mask characters: '\' text position filled in order, '?' text position filled from the same
// position, '#' digit position with suppression, '0' digit position always shown. In a numeric
// mask '.' marks the decimal point and ',' a thousands separator; any other character is literal.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Mode 1 shows the separator pair ".," (decimal point '.', thousands ','); every other mode,
// 255 being the usual one, shows ",." (decimal ',', thousands '.').
inline constexpr int kMaskModePoint = 1;
inline constexpr int kMaskModeComma = 255;

// Lays value out with mask. A mask without '\', '?', '#', '0' comes back unchanged. A mask whose
// first placeholder is '#' or '0' lays the trimmed value out as a number when the mode is 1 or
// the value holds only ".-0123456789,D "; otherwise it comes back unchanged unless it also holds
// '\' or '?', which make it a text mask. Integer digits that do not fit widen the mask (its
// thousands separators are dropped); extra decimals are rounded half away from zero; missing
// decimals are written as 0. A pool text (or the mask itself when unchanged); kErrOutOfMemory when
// too long.
StrRef MaskFormat(StrRef mask, StrRef value, int mode);

// Default mask of a field type and width: 'A', 'B', 'D', 'L' give width '\'; 'N' and '1'..'9'
// give width '#', a digit n with the decimal separator at position width - (n+1) when n+1 is less
// than the width; other types give width '0'. The separator is '.' when pointPair is set (the ".,"
// pair of the field-type conversions), else ','. A width below 1 gives the empty text. A pool text.
StrRef DefaultMask(char type, int width, bool pointPair);

}  // namespace rt
