// Menus without windows: the item list, the menu's key numbers, the pushed-button walk and the sizing.
#include "ui/menu_layout.h"

#include <algorithm>

#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {

namespace {

char ItemSeparator(StrRef items) {
    for (uint16_t i = 0; items.ok() && i < items.len; ++i) {
        if (items.at(i) == 0) return '\0';
    }
    return ',';
}

// Rows a button takes, its gap included.
constexpr int kButtonRows = 3;

}  // namespace

uint16_t MenuKeyNumber(uint16_t vk) { return vk == kVkDelete ? kKeyF8 : KeyNumber(vk); }

uint16_t MenuItemCount(StrRef items) {
    if (!items.ok()) return 0;
    return FieldCount(items, ItemSeparator(items));
}

StrRef MenuItem(StrRef items, uint16_t n) { return Unquote(Field(items, ItemSeparator(items), n)); }

uint16_t InitialChoice(int n, uint16_t count) { return n >= 1 && n <= count ? static_cast<uint16_t>(n) : 1; }

uint16_t WalkPushed(uint16_t pushed, uint16_t count, uint16_t key) {
    if (count == 0) return 0;
    if (key == kKeyDown) return pushed == 0 ? count : (pushed >= count ? 1 : static_cast<uint16_t>(pushed + 1));
    if (key == kKeyUp) return pushed == 0 ? 1 : (pushed <= 1 ? count : static_cast<uint16_t>(pushed - 1));
    return pushed;
}

MenuLayout LayoutMenu(StrRef title, StrRef items, uint16_t flags, const MenuMetrics& m) {
    MenuLayout out{};
    const uint16_t count = MenuItemCount(items);
    const int cell = std::max(m.cell, 1);
    const int line = std::max(m.line, 1);
    int longest = (m.itemPx + cell - 1) / cell;
    for (uint16_t n = 1; n <= count; ++n) longest = std::max<int>(longest, MenuItem(items, n).len);
    const int titleCols = (title.ok() ? title.len : 0) * 5 / cell;
    const int columns = std::max(longest, titleCols) + 4;
    if (flags & kMenuListBox) {
        const bool margin = flags & kMenuMargin;
        const int cols = std::max(columns, 15);
        const int rows = std::max(1, std::min<int>(count, std::max(m.screenRows, 1)));
        out.columns = 1;
        out.perColumn = static_cast<uint16_t>(rows);
        out.clientW = std::max<int>(ColumnsToPixels(cols + (margin ? 6 : 0), cell), m.captionPx);
        out.clientH = RowsToPixels(rows + (margin ? 2 : 0), line, 0) + 3;
        const int listW = ColumnsToPixels(cols, cell);
        const int listH = RowsToPixels(rows, line, 0) + 3;
        const Point at = Align(out.clientW, out.clientH, listW, listH, kAlignCentre);
        out.list = Rect{at.x, at.y, at.x + listW, at.y + listH};
        out.buttonW = out.buttonH = 0;
        return out;
    }
    int colCells = columns;
    int perColumn = std::max<int>(count, 1);
    int cols = 1;
    while (perColumn > 1 && perColumn * kButtonRows * line > m.workH) {
        cols *= 2;
        perColumn = (perColumn + 1) / 2;
    }
    out.columns = static_cast<uint16_t>(cols);
    out.perColumn = static_cast<uint16_t>(perColumn);
    out.buttonW = ColumnsToPixels(colCells - 2, cell);
    out.buttonH = 2 * line;
    out.clientW = std::max<int>(ColumnsToPixels(colCells * cols, cell), m.captionPx);
    out.clientH = perColumn * kButtonRows * line;
    return out;
}

Point MenuButtonAt(const MenuLayout& layout, uint16_t n, int line) {
    const int index = n ? n - 1 : 0;
    const int col = layout.perColumn ? index / layout.perColumn : 0;
    const int row = layout.perColumn ? index % layout.perColumn : 0;
    const int colW = layout.columns ? layout.clientW / layout.columns : layout.clientW;
    return Point{col * colW + (colW - layout.buttonW) / 2, row * kButtonRows * line + line / 2};
}

}  // namespace rt
