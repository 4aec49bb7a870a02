// Where windows go: alignment, the cascade of new windows, clamping to the work area, grid units.
#include "ui/window_place.h"

#include <algorithm>
#include <cstdint>

namespace rt {

namespace {

int gCascade = 0;

int AlignAxis(int container, int object, bool toEnd, bool centre) {
    if (object > container) return 0;
    if (toEnd) return container - object;
    if (centre) return (container - object) / 2;
    return 0;
}

uint16_t Saturate(int64_t v) { return static_cast<uint16_t>(v < 0 ? 0 : std::min<int64_t>(v, 0xFFFF)); }

}  // namespace

Point Align(int containerW, int containerH, int objectW, int objectH, unsigned flags) {
    return Point{AlignAxis(containerW, objectW, flags & kAlignRight, flags & kAlignCentreX),
                 AlignAxis(containerH, objectH, flags & kAlignBottom, flags & kAlignCentreY)};
}

Point NextWindowPosition(const PlaceInput& in, unsigned flags) {
    Point p;
    if (!in.hasTop) {
        p = Align(in.workW, in.workH, in.gridW, in.gridH, kAlignCentre);
        if (!in.cascadeFirst) return p;
    } else if ((flags & kPlaceByFocus) && in.hasFocus) {
        p = Point{in.focus.left + in.focusClientW, in.focus.top};
        if (in.maxRows != 0) p.y = std::min(p.y, in.top.top + in.maxRows * in.lineHeight);
        return p;
    } else {
        p = Point{in.top.left, in.top.top};
        if (flags & kPlaceRight) p.x = in.workW;
    }
    ++gCascade;
    p.x += 100 * gCascade;
    p.y += 60 * gCascade;
    if (p.x > in.workW / 2 || p.y > in.workH / 2) gCascade = 0;
    return p;
}

Point ClampToWork(Point p, int width, int height, int workW, int workH) {
    if (p.x + width > workW) p.x = std::max(0, workW - width - 24);
    if (p.y + height > workH) p.y = std::max(0, workH - height);
    return p;
}

int CascadeCount() { return gCascade; }
void CascadeReset() { gCascade = 0; }

uint16_t ColumnsToPixels(int columns, int cell) { return Saturate(int64_t{columns} * cell); }

uint16_t RowsToPixels(int rows, int line, int spacingPercent) {
    return Saturate(int64_t{rows} * line * (100 + spacingPercent) / 100);
}

}  // namespace rt
