// The FontStack: up to seven font descriptions, and the character cell that sizes every window.
#pragma once

#include <cstdint>

namespace rt {

inline constexpr uint16_t kFontStackDepth = 7;
inline constexpr uint16_t kFontStackEmpty = 0xFFFF;

// Attribute bits of a FontSpec.
inline constexpr uint8_t kFontUnderline = 0x01;
inline constexpr uint8_t kFontItalic = 0x02;
inline constexpr uint8_t kFontBold = 0x04;
inline constexpr uint8_t kFontLight = 0x20;
inline constexpr uint8_t kFontStronger = 0x40;  // bold 900 instead of 700, light 200 instead of 300

struct FontSpec {
    uint16_t height = 0;  // pixels
    uint16_t width = 0;   // pixels
    uint8_t attrs = 0;
    uint8_t face = 1;     // 1-based in the face list (ui/colours.h)
    uint16_t cell = 0;    // character cell width
    uint16_t line = 0;    // line height
};

// Completes a font description: missing properties (height -1 or 0, width -1, attributes 0xFF,
// face 255) come from `below`; width 0 becomes height / 2; a face of 0 or beyond the list is 1;
// then the cell and line are derived from height, width and face.
FontSpec DeriveFont(int height, int width, int attrs, int face, const FontSpec& below);
// LOGFONT weight of attribute bits: 700/900 bold, 300/200 light, else 400.
int FontWeight(uint8_t attrs);

// The font the first push and an empty stack stand on (the system's fixed OEM font). The window
// layer sets it from the real font; until then a 12 by 8 face-1 font stands in.
void SetBaseFont(int height, int width);
FontSpec BaseFont();

// Pushes a derived font description; returns the new position (0..6). A push beyond position 6 is
// refused and 6 is returned.
uint16_t PushFont(int height, int width, int attrs, int face);
// The top font description, or null when the stack is empty.
const FontSpec* TopFont();
// Position of the top entry, kFontStackEmpty when empty.
uint16_t FontStackTop();
struct CellSize {
    uint16_t cell;
    uint16_t line;
};
// Cell of the top font description; of the base font when the stack is empty or its top has height 0.
CellSize FontCell();
// Empties the stack (start of a test; nothing in the system pops it).
void FontStackReset();

}  // namespace rt
