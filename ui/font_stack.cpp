// The FontStack: up to seven font descriptions, and the character cell that sizes every window.
#include "ui/font_stack.h"

#include "ui/colours.h"

namespace rt {

namespace {

// Extra cell width per face, in percent of the height, by face number 0..11.
constexpr int kFacePercent[] = {5, 5, 6, 6, 7, 5, 8, 7, 15, 15, 16, 20};

FontSpec gStack[kFontStackDepth];
uint16_t gTop = kFontStackEmpty;
FontSpec gBase = DeriveFont(12, 8, 0, 1, FontSpec{});

}  // namespace

FontSpec DeriveFont(int height, int width, int attrs, int face, const FontSpec& below) {
    FontSpec f;
    f.height = static_cast<uint16_t>(height == -1 || height == 0 ? below.height : height);
    f.width = static_cast<uint16_t>(width == -1 ? below.width : width);
    f.attrs = static_cast<uint8_t>(attrs == 0xFF ? below.attrs : attrs);
    f.face = static_cast<uint8_t>(face == 255 ? below.face : face);
    if (width == 0) f.width = static_cast<uint16_t>(f.height / 2);
    if (f.face == 0 || f.face > kFontFaces) f.face = 1;
    const int h = f.height;
    const int spacing = h > 20 ? h / 6 : 15 - h / 2;
    f.line = static_cast<uint16_t>(h + spacing - 1);
    const int percent = kFacePercent[f.face < 12 ? f.face : 0];
    const int extra = h * percent / 100;
    f.cell = static_cast<uint16_t>(f.width + (extra > 1 ? extra : 1));
    return f;
}

int FontWeight(uint8_t attrs) {
    const bool stronger = attrs & kFontStronger;
    if (attrs & kFontBold) return stronger ? 900 : 700;
    if (attrs & kFontLight) return stronger ? 200 : 300;
    return 400;
}

void SetBaseFont(int height, int width) { gBase = DeriveFont(height, width, 0, 1, FontSpec{}); }

FontSpec BaseFont() { return gBase; }

uint16_t PushFont(int height, int width, int attrs, int face) {
    if (gTop != kFontStackEmpty && gTop + 1 >= kFontStackDepth) return gTop;
    const FontSpec& below = gTop == kFontStackEmpty ? gBase : gStack[gTop];
    const uint16_t next = gTop == kFontStackEmpty ? 0 : static_cast<uint16_t>(gTop + 1);
    gStack[next] = DeriveFont(height, width, attrs, face, below);
    gTop = next;
    return gTop;
}

const FontSpec* TopFont() { return gTop == kFontStackEmpty ? nullptr : &gStack[gTop]; }

uint16_t FontStackTop() { return gTop; }

CellSize FontCell() {
    const FontSpec* top = TopFont();
    const FontSpec& f = top && top->height ? *top : gBase;
    return CellSize{f.cell, f.line};
}

void FontStackReset() { gTop = kFontStackEmpty; }

}  // namespace rt
