// Menus without windows: the item list, the menu's key numbers, the pushed-button walk and the sizing.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/key_numbers.h"
#include "ui/window_place.h"

namespace rt {

// Flags of a selection menu.
inline constexpr uint16_t kMenuNewWindow = 0x01;
inline constexpr uint16_t kMenuListBox = 0x02;
inline constexpr uint16_t kMenuByFocus = 0x04;
inline constexpr uint16_t kMenuDestroyAfter = 0x08;
inline constexpr uint16_t kMenuMargin = 0x10;
inline constexpr uint16_t kMenuRefill = 0x20;

inline constexpr uint16_t kMenuFirstButton = 1500;
inline constexpr uint16_t kMenuMaxButtons = 200;
inline constexpr uint16_t kListBoxId = 3350;
inline constexpr uint16_t kListBoxLastId = 3499;

// The key number a menu acts on and offers its selection hook: KeyNumber, except that Delete
// gives 18 (F8's number) so that the hook sees it. Forms leave Delete key 4 for their edit fields;
// a menu has none.
uint16_t MenuKeyNumber(uint16_t vk);

// Items: a ',' list, or a NUL list when the text holds a NUL. Number of items (0 when empty).
uint16_t MenuItemCount(StrRef items);
// Item n (1-based) without enclosing quotes; a piece of the input.
StrRef MenuItem(StrRef items, uint16_t n);
// The initial choice: n when it lies in 1..count, else 1.
uint16_t InitialChoice(int n, uint16_t count);
// The button pushed after key (Up or Down) when `pushed` (0 none) of count buttons is: Down goes
// to the next and wraps to the first, Up to the previous and wraps to the last; with none pushed
// Up pushes the first and Down the last. Other keys keep `pushed`.
uint16_t WalkPushed(uint16_t pushed, uint16_t count, uint16_t key);

// Geometry of a new menu window, in pixels of the client area.
struct MenuLayout {
    int clientW, clientH;
    uint16_t columns;      // button columns (1 for a list box)
    uint16_t perColumn;    // buttons per column, or visible list rows
    Rect list;             // the list box
    int buttonW, buttonH;  // one button
};
struct MenuMetrics {
    int cell, line;     // the character cell
    int workH;          // work-area height
    int screenRows;     // rows of the screen grid
    int itemPx = 0;     // the widest item as drawn in the menu's font (0: counted in cells)
    int captionPx = 0;  // client width the caption needs to show the title whole (0: none)
};
// Sizes a menu for title and items with the menu flags. The column is the longest item (in cells,
// or its drawn width when that is more), at least (title length x 5) / cell, plus 4 columns; the
// client area is then widened to captionPx, so that neither an item nor the title is cut.
MenuLayout LayoutMenu(StrRef title, StrRef items, uint16_t flags, const MenuMetrics& m);
// Position of button n (1-based) in the client area.
Point MenuButtonAt(const MenuLayout& layout, uint16_t n, int line);

}  // namespace rt
