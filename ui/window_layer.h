// The window layer: kind windows, the message pump and modal loop, fonts and brushes, sizes.
//
// Handles are opaque (HWND is HWND__*), so platform-free callers can hold them; the calls
// themselves exist on Windows only.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/font_stack.h"
#include "ui/status_window.h"
#include "ui/window_place.h"
#include "ui/window_stack.h"

namespace rt {

#ifdef _WIN32
#define KELVANE_WINAPI __stdcall
#else
#define KELVANE_WINAPI
#endif
// A window procedure (WNDPROC's shape).
using WindowProcedure = intptr_t(KELVANE_WINAPI*)(WindowHandle, unsigned, uintptr_t, intptr_t);

// The program instance every class and window is made for: the one the window layer's start kept
// (ui/window_start.h), else the process's own module.
void* LayerInstance();
// Sets the base font from the system's fixed OEM font and loads the common controls. Idempotent.
void WindowLayerInit();
// The assertion report as a box (the program installs it as its assertion presenter).
void AssertionBox(const char* text);
// Shut-down: deletes every cached font and brush. Returns how many there were.
uint16_t WindowLayerClose();

// Creates a window of a class: the class (kind name, with the colour number appended when one is
// given) is registered on first use with proc, or with the layer's own procedure when proc is
// null, which keeps the WindowStack right when the window is destroyed. The modal bit of style
// disables the top window first. The window is owned by the top window, brought to the top and
// registered on the WindowStack with value -1. Null on failure (the system's last error kept).
WindowHandle CreateKindWindow(StrRef className, StrRef title, uint32_t style, int x, int y, int width, int height,
                              int colour, uintptr_t menuOrId, WindowProcedure proc);
// A "STATIC" child: right-aligned with flag 1, centred with flag 2.
WindowHandle CreateLabel(WindowHandle parent, int x, int y, int width, int height, StrRef text, unsigned flags, int id);
// 0, or 0xFFFF when the window could not be destroyed.
uint16_t DestroyLayerWindow(WindowHandle w);
// Flag 1 enables (and, without flag 2, focuses), otherwise disables; only when the state differs.
void EnableLayerWindow(WindowHandle w, unsigned flags);
// The WM_DESTROY bookkeeping every kind's procedure calls: off the WindowStack, and the window
// below enabled and focused unless _AUXSTAT bit 0x4000 is set.
void WindowDestroyed(WindowHandle w);
inline constexpr uint16_t kAuxStatKeepDisabled = 0x4000;

// Dispatches what is queued for w (or the whole thread) without waiting; 1 when a WM_QUIT was met
// or no window is left on the stack, else 0.
int DrainMessages(WindowHandle w);
// Shows the top window and pumps until a WM_QUIT, until w leaves the top of the stack, or until the
// stack is empty, sleeping in the system between messages; then drains what is left.
void RunModal(WindowHandle w);
// Posts WM_CLOSE to w (the top window when null); WM_QUIT to w.
void CloseLayerWindow(WindowHandle w);
void QuitLayerWindow(WindowHandle w);
// Request 1 stores show state 0; 2 shows normally; -1 shows maximised when the stored state is 4,
// else plainly, and updates; other requests are stored.
void ShowTop(int request);

// The font of a FontSpec, created once (GDI object cache).
void* FontHandle(const FontSpec& font);
// A solid brush of palette colour index, created once.
void* PaletteBrush(uint16_t index);
// Sends WM_SETFONT with the top font (when asked and there is one) or the stock system font.
// kErrBadInput without a control, 179 without a font.
ErrCode SetControlFont(WindowHandle control, bool useStackFont);
// Pixels the widest line of text takes in the top font (the stock system font when the stack is
// empty): what a label, button or item must have to show it whole.
int TextPixels(StrRef text);
// Client width a window of kind needs for its caption to show title whole: the title in the
// system's caption font, its icon and its caption buttons. 0 for a kind without a caption.
int CaptionPixels(StrRef title, uint16_t kind);
// Widens a window whose caption cannot show its title whole (a system box sizes itself for its
// text and buttons only), moving its controls by half the growth.
void WidenToCaption(WindowHandle w);
// Size of the desktop work area, or the client size of w.
BoxSize WorkAreaSize(WindowHandle w);
// Window size for a client size by the kind's frame style.
BoxSize OuterSize(int clientW, int clientH, uint16_t kind, bool hasMenu);
// NextWindowPosition with what the desktop and the top window say.
Point NextPosition(unsigned flags);
// Paints text once over a grey fill, centred both ways, transparent, in palette colour 0, with the
// top font. kErrDeviceIo when the drawing fails.
ErrCode PaintCentredText(WindowHandle w, StrRef text);

}  // namespace rt
