// Fonts and colours named in text: the face list, the colour palette, COLORREF values and their texts.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// A Windows colour value: 0x00BBGGRR.
using ColourRef = uint32_t;

inline constexpr uint16_t kFontFaces = 11;
inline constexpr uint16_t kPaletteSize = 14;
// Palette indexes the window layer paints with.
inline constexpr uint16_t kPaletteWhite = 0;
inline constexpr uint16_t kPaletteBlack = 10;
// Option bit of PaletteColour: the muted form of the colour.
inline constexpr uint16_t kColourMuted = 256;

// The face list "Terminal,Lucida Console,...": name of face index (1..11), else the empty text.
// A static text.
StrRef FontName(uint16_t index);
// Index (1..11) of a face name, exact bytes; 0 when absent.
uint16_t FontIndex(StrRef name);

// Colour index of a text: a text starting with a digit is read as the number; otherwise the
// lower-cased text is looked up in the palette names. -1 when absent, empty or invalid.
int16_t ColourIndex(StrRef text);
// Field n (1-based) of a comma list holds "fg;bg": the background index in the high 16 bits,
// the foreground index in the low 16 bits; a missing part is 0xFFFF.
uint32_t ColourPair(StrRef list, uint16_t n);

// Called for palette indexes above 13 when given.
using ColourCallback = ColourRef (*)(uint16_t index);
// Colour of palette index: 0..13 from the palette; beyond, the callback, else white with
// `alternate` set and black without. Option kColourMuted mutes the result.
ColourRef PaletteColour(uint16_t index, uint16_t options, bool alternate, ColourCallback callback);
// Colour of a text: empty asks for index 17 (black without a callback); "#RRGGBB" (either case)
// the value it spells; anything else its ColourIndex in the palette. A "#" text that is not six
// hexadecimal digits is read as an unknown name (black).
ColourRef ColourFromText(StrRef text, ColourCallback callback);
// Palette index of the text colour that reads on background index; 0xFFFF above 13.
uint16_t ContrastIndex(uint16_t index);
// Six lower-case hexadecimal digits, red, green, blue, no '#'. A pool text.
StrRef ColourText(ColourRef colour);
// The muted form: each channel drawn towards the colour's mean and lightened.
ColourRef MutedColour(ColourRef colour);
// Four bytes in one 32-bit value, the first byte highest.
uint32_t PackBytes(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);

// A font reference "name/#n": n, with *name the part before "/#"; a text starting with '/' is
// read on its first comma field. Without "/#" the size is 0 and *name the (field) text. Pieces
// of the input.
uint16_t FontRefSize(StrRef text, StrRef* name);

}  // namespace rt
