// Where windows go: alignment, the cascade of new windows, clamping to the work area, grid units.
#pragma once

#include <cstdint>

namespace rt {

struct Point {
    int x;
    int y;
};
struct Rect {
    int left, top, right, bottom;
};

// Flags of Align: x to the end 0x01, x centred 0x02, y to the end 0x10, y centred 0x20.
inline constexpr unsigned kAlignRight = 0x01;
inline constexpr unsigned kAlignCentreX = 0x02;
inline constexpr unsigned kAlignBottom = 0x10;
inline constexpr unsigned kAlignCentreY = 0x20;
inline constexpr unsigned kAlignCentre = 0x22;
// Offset of an object in a container per axis; 0 when the object is larger or no flag is set.
Point Align(int containerW, int containerH, int objectW, int objectH, unsigned flags);

// Flags of NextWindowPosition.
inline constexpr unsigned kPlaceByFocus = 0x40;  // beside the focused control of the top window
inline constexpr unsigned kPlaceRight = 0x100;   // against the right edge of the work area
// Bit of _SCRSTAT that lets the first window cascade too. "Bit 8" names the bit of value 8, as
// it does for _ADMSTAT (ui/form_window.h): the system's own notation, read the same way everywhere.
inline constexpr uint16_t kScrStatCascadeFirst = 8;

// What the placement of a new window looks at.
struct PlaceInput {
    int workW, workH;      // desktop work area
    int gridW, gridH;      // the whole screen grid in pixels
    bool hasTop;           // a top window exists
    Rect top;              // its window rectangle
    bool hasFocus;         // a control of it has the focus
    Rect focus;            // that control's screen rectangle
    int focusClientW;      // and its client width
    bool cascadeFirst;     // _SCRSTAT bit kScrStatCascadeFirst
    int maxRows;           // _WMAXROW
    int lineHeight;
};
// Position of the next window. Cascaded positions move 100 right and 60 down per count of a
// process-wide counter, which restarts when a position passes half the work area.
Point NextWindowPosition(const PlaceInput& in, unsigned flags);
// Keeps a window of width and height inside the work area (24 pixels off the right edge).
Point ClampToWork(Point p, int width, int height, int workW, int workH);
// The cascade counter (for tests) and its reset.
int CascadeCount();
void CascadeReset();

// Grid to pixels, saturating at 0xFFFF: columns x cell; rows x line x (100 + spacing) / 100.
uint16_t ColumnsToPixels(int columns, int cell);
uint16_t RowsToPixels(int rows, int line, int spacingPercent);

}  // namespace rt
