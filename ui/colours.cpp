// Fonts and colours named in text: the face list, the colour palette, COLORREF values and their texts.
#include "ui/colours.h"

#include "runtime/number_text.h"
#include "runtime/text_building.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {

namespace {

constexpr char kFaceList[] =
    "Terminal,Lucida Console,Courier New,Consolas,Lucida Sans Typewriter,Dejavu Sans Mono,System,"
    "Arial,Tahoma,Times New Roman,Verdana";
constexpr char kColourNames[] =
    "white,blue,green,red,yellow,skyblue,springgreen,salmon,grey,pink,black,lightcyan,lightseagreen,ovgrid";

struct PaletteEntry {
    uint8_t r, g, b;
    uint8_t contrast;
};
constexpr PaletteEntry kPalette[kPaletteSize] = {
    {255, 255, 255, 10}, {0, 0, 255, 0},     {0, 128, 0, 0},      {255, 0, 0, 0},
    {255, 255, 0, 1},    {135, 206, 235, 10}, {0, 255, 127, 10},  {250, 128, 114, 10},
    {128, 128, 128, 0},  {255, 192, 203, 10}, {0, 0, 0, 0},       {224, 255, 255, 10},
    {32, 178, 170, 10},  {255, 224, 224, 10},
};
// Index that an empty colour text asks for: beyond the palette on purpose.
constexpr uint16_t kEmptyColourIndex = 17;

ColourRef Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<ColourRef>(r) | (static_cast<ColourRef>(g) << 8) | (static_cast<ColourRef>(b) << 16);
}

// Division rounded half away from zero, for the non-negative sums of the muting rule.
int RoundDiv(int n, int d) { return (2 * n + d) / (2 * d); }

}  // namespace

StrRef FontName(uint16_t index) {
    if (index < 1 || index > kFontFaces) return StrEmpty();
    return Field(StrFromLiteral(kFaceList), ',', index);
}

uint16_t FontIndex(StrRef name) {
    if (!name.ok() || !name.len) return 0;
    return ListIndex(StrFromLiteral(kFaceList), name, ',');
}

int16_t ColourIndex(StrRef text) {
    if (!text.ok() || !text.len) return -1;
    if (text.at(0) >= '0' && text.at(0) <= '9') return ToInt(text);
    const uint16_t mark = PoolMark();
    StrRef lower = Case(text, 2);
    const uint16_t found = lower.ok() ? ListIndex(StrFromLiteral(kColourNames), lower, ',') : 0;
    PoolRelease(mark);
    return static_cast<int16_t>(found) - 1;
}

uint32_t ColourPair(StrRef list, uint16_t n) {
    StrRef field = Field(list, ',', n);
    if (!field.ok()) return 0xFFFFFFFFu;
    const uint16_t fg = static_cast<uint16_t>(ColourIndex(Field(field, ';', 1)));
    const uint16_t bg = static_cast<uint16_t>(ColourIndex(Field(field, ';', 2)));
    return (static_cast<uint32_t>(bg) << 16) | fg;
}

ColourRef PaletteColour(uint16_t index, uint16_t options, bool alternate, ColourCallback callback) {
    ColourRef colour;
    if (index < kPaletteSize) {
        colour = Rgb(kPalette[index].r, kPalette[index].g, kPalette[index].b);
    } else if (callback) {
        colour = callback(index);
    } else {
        const PaletteEntry& e = kPalette[alternate ? kPaletteWhite : kPaletteBlack];
        colour = Rgb(e.r, e.g, e.b);
    }
    return (options & kColourMuted) ? MutedColour(colour) : colour;
}

ColourRef ColourFromText(StrRef text, ColourCallback callback) {
    if (!text.ok() || !text.len) return PaletteColour(kEmptyColourIndex, 0, false, callback);
    if (text.at(0) == '#' && text.len == 7) {
        int v[6];
        bool hex = true;
        for (int i = 0; i < 6; ++i) hex = hex && (v[i] = HexValue(text.at(static_cast<uint16_t>(i + 1)))) >= 0;
        if (hex) {
            return Rgb(static_cast<uint8_t>(v[0] * 16 + v[1]), static_cast<uint8_t>(v[2] * 16 + v[3]),
                       static_cast<uint8_t>(v[4] * 16 + v[5]));
        }
    }
    return PaletteColour(static_cast<uint16_t>(ColourIndex(text)), 0, false, callback);
}

uint16_t ContrastIndex(uint16_t index) { return index < kPaletteSize ? kPalette[index].contrast : 0xFFFF; }

StrRef ColourText(ColourRef colour) {
    static constexpr char kHex[] = "0123456789abcdef";
    StrRef out;
    char* w = NewText(6, &out);
    if (!w) return out;
    const uint8_t bytes[3] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                              static_cast<uint8_t>(colour >> 16)};
    for (int i = 0; i < 3; ++i) {
        w[2 * i] = kHex[bytes[i] >> 4];
        w[2 * i + 1] = kHex[bytes[i] & 15];
    }
    return out;
}

ColourRef MutedColour(ColourRef colour) {
    const int shifts[3] = {16, 8, 0};
    int sum = 0;
    for (int s : shifts) sum += static_cast<int>((colour >> s) & 0xFF);
    const int mean = RoundDiv(sum, 3);
    ColourRef out = 0;
    for (int s : shifts) {
        const int c = static_cast<int>((colour >> s) & 0xFF);
        int muted = RoundDiv(c + mean + 255, 3);
        const int gap = mean > c ? mean - c : c - mean;
        if (gap < 8 && muted > 64 && muted < 192) muted = 192;
        out |= static_cast<ColourRef>(muted & 0xFF) << s;
    }
    return out;
}

uint32_t PackBytes(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    return (static_cast<uint32_t>(b0) << 24) | (static_cast<uint32_t>(b1) << 16) |
           (static_cast<uint32_t>(b2) << 8) | b3;
}

uint16_t FontRefSize(StrRef text, StrRef* name) {
    if (!text.ok()) {
        if (name) *name = text;
        return 0;
    }
    StrRef ref = text.len && text.at(0) == '/' ? Field(SubStr(text, 1, kNpos), ',', 1) : text;
    for (uint16_t i = 0; i + 1 < ref.len; ++i) {
        if (ref.at(i) == '/' && ref.at(static_cast<uint16_t>(i + 1)) == '#') {
            if (name) *name = StrMake(ref.ptr, i);
            return static_cast<uint16_t>(ToInt(SubStr(ref, i + 2, kNpos)));
        }
    }
    if (name) *name = ref;
    return 0;
}

}  // namespace rt
