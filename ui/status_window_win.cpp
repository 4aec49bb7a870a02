// The StatusWindow on Win32: a top-most grey box without a title that shows one text.
#include "ui/status_window.h"

#include <windows.h>

#include <string>

#include "ui/font_stack.h"
#include "ui/window_layer.h"
#include "ui/window_place.h"

namespace rt {

namespace {

HWND gStatus = nullptr;
// The text the box shows: kept, so that every repaint the system asks for gives the same look
// (white on grey in the top font) as the first painting.
std::string gText;
WNDPROC gStaticProc = nullptr;

LRESULT CALLBACK StatusProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
        PaintCentredText(reinterpret_cast<WindowHandle>(h), StrMake(gText.data(), static_cast<uint16_t>(gText.size())));
        return 0;
    default: return CallWindowProcW(gStaticProc, h, msg, wp, lp);
    }
}

}  // namespace

uint32_t ShowStatus(StrRef text) {
    // A new text reuses the box: destroying and making a top-most window for every step of an
    // update is churn that Wine's X11 driver does not always survive (a late unmap of a window
    // already gone ends the process).
    const uint32_t replaced = (gStatus && IsWindow(gStatus)) ? 0xFFFF : 0;
    if (!replaced) gStatus = nullptr;
    WindowLayerInit();
    const CellSize cell = FontCell();
    const BoxSize work = WorkAreaSize(nullptr);
    const BoxSize size = StatusBoxSize(text, cell.cell, cell.line, work.width, work.height);
    const Point at = Align(work.width, work.height, size.width, size.height, kAlignCentre);
    gText.assign(text.ok() ? text.ptr : "", text.ok() ? text.len : 0);
    if (gStatus) {
        SetWindowPos(gStatus, HWND_TOPMOST, at.x, at.y, size.width, size.height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    } else {
        // No title: the box is no named window for the task list, only a text in the middle.
        gStatus = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_DLGFRAME, at.x, at.y, size.width,
                                  size.height, nullptr, nullptr, static_cast<HINSTANCE>(LayerInstance()), nullptr);
        if (!gStatus) return replaced;
        gStaticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(gStatus, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusProc)));
        ShowWindow(gStatus, SW_SHOWNOACTIVATE);
    }
    InvalidateRect(gStatus, nullptr, FALSE);
    UpdateWindow(gStatus);
    return replaced;
}

void CloseStatus() {
    if (gStatus && !DestroyWindow(gStatus)) ShowWindow(gStatus, SW_HIDE);
    gStatus = nullptr;
}

bool StatusShown() { return gStatus != nullptr; }

}  // namespace rt
