// Selection menus: a window of buttons or a list box that answers the chosen number through _STAT.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/menu_layout.h"
#include "ui/window_place.h"
#include "ui/window_stack.h"

namespace rt {

// The selection hook (host hook slot 36): offered each navigation key of a list menu with the
// list's current index and text; kErrUndefWarning lets the default handling run, anything else takes the key.
using SelectionHook = ErrCode (*)(uint16_t key, int index, StrRef text);

// Shows a menu of items (flags of ui/menu_layout.h) and returns the chosen number, 0 for none
// (Escape, closed), or 0xFFFF when there is no window (empty items, none made or none to reuse).
uint16_t Select(StrRef title, StrRef items, uint16_t flags, int initial);
// Select with a hook installed for the call and a position (pixels) instead of the automatic one.
uint16_t SelectWithHook(StrRef title, StrRef items, uint16_t flags, int initial, const Point* position,
                        SelectionHook hook);
// A list of items in which several can be chosen, with OK and Cancel: the chosen item numbers as a
// comma list (a pool text; empty when none was marked), or error kErrUserCanceled when cancelled, 0xFFFF when
// no window could be made.
StrRef SelectMany(StrRef title, StrRef items);

// List boxes and buttons of menus and forms.
void FillList(WindowHandle list, StrRef items, bool clearFirst);
WindowHandle MakeListBox(WindowHandle parent, Rect r, uint16_t idOffset, StrRef items);
// Text of the selected item of list id in w (a pool text; empty when none).
StrRef ListCurrentText(WindowHandle w, int id);
int ListCurrentIndex(WindowHandle w, int id);
void ListSetIndex(WindowHandle w, int id, int index);
// Consecutive buttons from id 1500; the first whose state is exactly pushed (0 when none).
uint16_t CountButtons(WindowHandle w);
uint16_t PushedButton(WindowHandle w);

}  // namespace rt
