// Window kinds: the class name and frame style of each kind of window the system makes.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kKindCount = 14;
inline constexpr uint16_t kKindMnuSel = 6;
inline constexpr uint16_t kKindProgress = 8;
// Bit of a kind request: thick frame and maximise box.
inline constexpr uint16_t kKindResizable = 0x80;
// Bit of a window style that marks a modal window (no meaning to Win32 for these windows).
inline constexpr uint32_t kStyleModal = 0x80;

inline constexpr uint32_t kFrameMain = 0x00CA0000;      // caption, system menu, minimise box
inline constexpr uint32_t kFrameDialog = 0x80C80080;    // pop-up, caption, system menu, modal bit
inline constexpr uint32_t kFrameResizable = 0x00CF0000;
inline constexpr uint32_t kFrameThickMax = 0x00050000;

// Class name of a kind (number modulo 14): its name in the kind list; kind 0 the application code
// (run-time parameter 2 before ':'). A view or a pool text.
StrRef KindName(uint16_t kind);
// Frame style of a kind request (kKindResizable adds a thick frame and maximise box); 0 for
// FullScr, which cannot frame a form.
uint32_t KindFrameStyle(uint16_t request);

}  // namespace rt
