// The run-time's key numbers (what _LASTKEY holds) and the virtual-key codes they are made from:
// the one key map that forms and menus share.
#pragma once

#include <cstdint>

namespace rt {

// Virtual-key codes of the window system that the key numbers are made from.
inline constexpr uint16_t kVkTab = 0x09;
inline constexpr uint16_t kVkReturn = 0x0D;
inline constexpr uint16_t kVkShift = 0x10;
inline constexpr uint16_t kVkControl = 0x11;
inline constexpr uint16_t kVkEscape = 0x1B;
inline constexpr uint16_t kVkSpace = 0x20;
inline constexpr uint16_t kVkPageUp = 0x21;
inline constexpr uint16_t kVkPageDown = 0x22;
inline constexpr uint16_t kVkEnd = 0x23;
inline constexpr uint16_t kVkLeft = 0x25;
inline constexpr uint16_t kVkUp = 0x26;
inline constexpr uint16_t kVkRight = 0x27;
inline constexpr uint16_t kVkDown = 0x28;
inline constexpr uint16_t kVkDelete = 0x2E;
inline constexpr uint16_t kVkF1 = 0x70;
inline constexpr uint16_t kVkF11 = 0x7A;
inline constexpr uint16_t kVkF12 = 0x7B;
inline constexpr uint16_t kVkSpecial = 239;

// Key numbers.
inline constexpr uint16_t kKeyEnter = 0;
inline constexpr uint16_t kKeyEscape = 3;
inline constexpr uint16_t kKeyOther = 4;
inline constexpr uint16_t kKeySpecial = 6;
inline constexpr uint16_t kKeyBackTab = 8;
inline constexpr uint16_t kKeyTab = 9;
inline constexpr uint16_t kKeyF1 = 11;
inline constexpr uint16_t kKeyF8 = 18;
inline constexpr uint16_t kKeyUp = 22;
inline constexpr uint16_t kKeyPageUp = 23;
inline constexpr uint16_t kKeyDown = 28;
inline constexpr uint16_t kKeyPageDown = 29;
inline constexpr uint16_t kKeyCtrlEnd = 32;
inline constexpr uint16_t kKeyCount = 33;

// The run-time's key number of a virtual key: Enter 0, Tab 9, Escape 3, F1-F11 11-21, Up 22,
// Page Up 23, Down 28, Page Down 29, key 239 gives 6; every other key (Left, Right and Delete
// too) 4, so that an edit field keeps the keys it edits with.
uint16_t KeyNumber(uint16_t vk);

}  // namespace rt
