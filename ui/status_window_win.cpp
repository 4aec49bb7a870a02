// The StatusWindow on Win32: a top-most grey box painted once with its text.
#include "ui/status_window.h"

#include <windows.h>

#include "ui/font_stack.h"
#include "ui/wide_text.h"
#include "ui/window_layer.h"
#include "ui/window_place.h"

namespace rt {

namespace {
HWND gStatus = nullptr;
}

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
    // The text is the window's own too, centred, so that a repaint the system asks for later still
    // shows it and a test can read it.
    if (gStatus) {
        SetWindowTextW(gStatus, Wide(text).c_str());
        SetWindowPos(gStatus, HWND_TOPMOST, at.x, at.y, size.width, size.height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        InvalidateRect(gStatus, nullptr, TRUE);
    } else {
        gStatus = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", Wide(text).c_str(),
                                  WS_POPUP | WS_DLGFRAME | SS_CENTER | SS_CENTERIMAGE, at.x, at.y, size.width,
                                  size.height, nullptr, nullptr, static_cast<HINSTANCE>(LayerInstance()), nullptr);
        if (!gStatus) return replaced;
        SetControlFont(reinterpret_cast<WindowHandle>(gStatus), true);
        ShowWindow(gStatus, SW_SHOW);
    }
    UpdateWindow(gStatus);
    PaintCentredText(reinterpret_cast<WindowHandle>(gStatus), text);
    return replaced;
}

void CloseStatus() {
    if (gStatus && !DestroyWindow(gStatus)) ShowWindow(gStatus, SW_HIDE);
    gStatus = nullptr;
}

bool StatusShown() { return gStatus != nullptr; }

}  // namespace rt
