// The window layer on Win32: kind windows, the pump and the waiting modal loop, fonts and brushes.
#include "ui/window_layer.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "ui/colours.h"
#include "ui/gdi_cache.h"
#include "ui/wide_text.h"
#include "ui/window_kinds.h"
#include "ui/window_start.h"

namespace rt {

namespace {

bool gInitialised = false;
constexpr uint16_t kFixedPitchFaces = 6;  // "Terminal" to "Dejavu Sans Mono" in the face list
constexpr int kScrStat = 21;  // _SCRSTAT
// IDI_ASTERISK and IDC_ARROW in their wide form (<windows.h> spells them narrow without UNICODE).
const wchar_t* const kInfoIcon = MAKEINTRESOURCEW(32516);
const wchar_t* const kArrowCursor = MAKEINTRESOURCEW(32512);

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }
WindowHandle W(HWND h) { return reinterpret_cast<WindowHandle>(h); }

// A full cache keeps nothing new: the new object is deleted and a stock one stands in, so that no
// object is left without an owner to free it.
void* FontFallback(void* handle) {
    DeleteObject(static_cast<HGDIOBJ>(handle));
    return GetStockObject(DEFAULT_GUI_FONT);
}
void* BrushFallback(void* handle) {
    DeleteObject(static_cast<HGDIOBJ>(handle));
    return GetStockObject(GRAY_BRUSH);
}

LRESULT CALLBACK LayerProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) WindowDestroyed(W(h));
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

void AssertionBox(const char* text) {
    MessageBoxW(nullptr, Wide(text).c_str(), L"Assertion Fail:", MB_OK | MB_ICONERROR);
}

void* LayerInstance() {
    void* kept = ProgramInstance();
    return kept ? kept : static_cast<void*>(GetModuleHandleW(nullptr));
}

void WindowLayerInit() {
    if (gInitialised) return;
    gInitialised = true;
    LOGFONTW oem{};
    if (GetObjectW(GetStockObject(OEM_FIXED_FONT), sizeof oem, &oem)) {
        SetBaseFont(oem.lfHeight < 0 ? -oem.lfHeight : oem.lfHeight, oem.lfWidth);
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

uint16_t WindowLayerClose() {
    return GdiFreeAll([](uint16_t, void* handle) { DeleteObject(static_cast<HGDIOBJ>(handle)); });
}

void* FontHandle(const FontSpec& f) {
    const uint32_t key1 = (static_cast<uint32_t>(f.height) << 16) | f.width;
    const uint32_t key2 = (static_cast<uint32_t>(f.attrs) << 8) | f.face;
    if (void* cached = GdiLookup(kGdiKindFont, key1, key2)) return cached;
    PoolScope scope;
    const std::wstring face = Wide(FontName(f.face));
    // The first six faces are fixed-pitch, as the character cell assumes: where one is missing the
    // system must stand in another fixed-pitch face, or texts outgrow the cells laid out for them.
    const BYTE pitch = f.face >= 1 && f.face <= kFixedPitchFaces ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH;
    HFONT font = CreateFontW(f.height, f.width, 0, 0, FontWeight(f.attrs), (f.attrs & kFontItalic) ? TRUE : FALSE,
                             (f.attrs & kFontUnderline) ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch, face.c_str());
    if (!font) return nullptr;
    return GdiStore(kGdiKindFont, key1, key2, font, FontFallback);
}

void* PaletteBrush(uint16_t index) {
    if (void* cached = GdiLookup(kGdiKindBrush, index, 0)) return cached;
    HBRUSH brush = CreateSolidBrush(PaletteColour(index, 0, false, nullptr));
    if (!brush) return nullptr;
    return GdiStore(kGdiKindBrush, index, 0, brush, BrushFallback);
}

WindowHandle CreateKindWindow(StrRef className, StrRef title, uint32_t style, int x, int y, int width, int height,
                              int colour, uintptr_t menuOrId, WindowProcedure proc) {
    WindowLayerInit();
    std::wstring cls = Wide(className);
    if (colour >= 0) cls += std::to_wstring(colour);
    HINSTANCE instance = static_cast<HINSTANCE>(LayerInstance());
    WNDCLASSEXW wc{};
    bool registered = GetClassInfoExW(instance, cls.c_str(), &wc);
    if (!registered) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = proc ? reinterpret_cast<WNDPROC>(proc) : LayerProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(nullptr, kInfoIcon);
        wc.hIconSm = LoadIconW(nullptr, kInfoIcon);
        wc.hCursor = LoadCursorW(nullptr, kArrowCursor);
        wc.hbrBackground = colour >= 0 ? static_cast<HBRUSH>(PaletteBrush(static_cast<uint16_t>(colour)))
                                       : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = cls.c_str();
        registered = RegisterClassExW(&wc) != 0;
    }
    HWND owner = H(StackTop());
    if (registered && (style & kStyleModal) && owner) EnableWindow(owner, FALSE);
    HWND h = CreateWindowExW(WS_EX_DLGMODALFRAME, cls.c_str(), Wide(title).c_str(), style & ~kStyleModal,
                             x == -1 ? CW_USEDEFAULT : x, y == -1 ? CW_USEDEFAULT : y,
                             width == -1 ? CW_USEDEFAULT : width, height == -1 ? CW_USEDEFAULT : height, owner,
                             reinterpret_cast<HMENU>(menuOrId), instance, nullptr);
    if (!h) {
        // A modal window that never came leaves its owner as it found it.
        if ((style & kStyleModal) && owner) EnableWindow(owner, TRUE);
        return nullptr;
    }
    SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    StackRegister(W(h), -1);
    return W(h);
}

WindowHandle CreateLabel(WindowHandle parent, int x, int y, int width, int height, StrRef text, unsigned flags, int id) {
    DWORD style = WS_CHILD | WS_VISIBLE | ((flags & 1) ? SS_RIGHT : (flags & 2) ? SS_CENTER : SS_LEFT);
    return W(CreateWindowExW(0, L"STATIC", Wide(text).c_str(), style, x, y, width, height, H(parent),
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), static_cast<HINSTANCE>(LayerInstance()),
                             nullptr));
}

uint16_t DestroyLayerWindow(WindowHandle w) { return DestroyWindow(H(w)) ? 0 : 0xFFFF; }

void EnableLayerWindow(WindowHandle w, unsigned flags) {
    if (!w) return;
    const bool enable = flags & 1;
    if ((IsWindowEnabled(H(w)) != FALSE) != enable) EnableWindow(H(w), enable ? TRUE : FALSE);
    if (enable && !(flags & 2)) SetFocus(H(w));
}

void WindowDestroyed(WindowHandle w) {
    bool wasTop = false;
    const bool empty = StackRemove(w, &wasTop);
    if (!empty && wasTop && !FlagTest(kSysAuxStat, kAuxStatKeepDisabled)) EnableLayerWindow(StackTop(), 1);
}

int DrainMessages(WindowHandle w) {
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, H(w), 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (msg.message == WM_QUIT) {
            quit = true;
            break;
        }
    }
    return quit || !StackTop() ? 1 : 0;
}

void RunModal(WindowHandle w) {
    ShowTop(-1);
    while (DrainMessages(nullptr) == 0 && (!w || StackTop() == w)) {
        // The queue is empty now: sleep until something arrives instead of asking again at once.
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void CloseLayerWindow(WindowHandle w) {
    if (!w) w = StackTop();
    if (w) PostMessageW(H(w), WM_CLOSE, 0, 0);
}

void QuitLayerWindow(WindowHandle w) { PostMessageW(H(w), WM_QUIT, 0, 0); }

void ShowTop(int request) {
    WindowHandle top = StackTop();
    switch (request) {
    case 1: StackSetShowState(top, kShowNormal); break;
    case 2:
        if (top) ShowWindow(H(top), SW_SHOWNORMAL);
        break;
    case -1:
        if (top) {
            ShowWindow(H(top), StackShowState(top) == kShowMaximised ? SW_SHOWMAXIMIZED : SW_SHOW);
            UpdateWindow(H(top));
        }
        break;
    default: StackSetShowState(top, static_cast<int16_t>(request)); break;
    }
}

ErrCode SetControlFont(WindowHandle control, bool useStackFont) {
    if (!control) return kErrBadInput;
    const FontSpec* top = TopFont();
    HGDIOBJ font = useStackFont && top ? static_cast<HGDIOBJ>(FontHandle(*top)) : GetStockObject(SYSTEM_FONT);
    if (!font) return 179;
    SendMessageW(H(control), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return 0;
}

BoxSize WorkAreaSize(WindowHandle w) {
    RECT r{};
    if (w) {
        GetClientRect(H(w), &r);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    }
    return BoxSize{r.right - r.left, r.bottom - r.top};
}

BoxSize OuterSize(int clientW, int clientH, uint16_t kind, bool hasMenu) {
    RECT r{0, 0, clientW, clientH};
    AdjustWindowRect(&r, KindFrameStyle(kind) & ~kStyleModal, hasMenu ? TRUE : FALSE);
    return BoxSize{r.right - r.left, r.bottom - r.top};
}

Point NextPosition(unsigned flags) {
    PlaceInput in{};
    const BoxSize work = WorkAreaSize(nullptr);
    const CellSize cell = FontCell();
    in.workW = work.width;
    in.workH = work.height;
    in.gridW = ColumnsToPixels(IntGet(kSysDevWid), cell.cell);
    in.gridH = RowsToPixels(IntGet(kSysDevHig), cell.line, 0);
    in.lineHeight = cell.line;
    in.cascadeFirst = FlagTest(kScrStat, kScrStatCascadeFirst);
    in.maxRows = IntGet(kSysWMaxRow);
    if (HWND top = H(StackTop())) {
        in.hasTop = true;
        RECT r;
        GetWindowRect(top, &r);
        in.top = Rect{r.left, r.top, r.right, r.bottom};
        HWND focus = GetFocus();
        if (focus && IsChild(top, focus)) {
            in.hasFocus = true;
            GetWindowRect(focus, &r);
            in.focus = Rect{r.left, r.top, r.right, r.bottom};
            RECT c;
            GetClientRect(focus, &c);
            in.focusClientW = c.right;
        }
    }
    return NextWindowPosition(in, flags);
}

ErrCode PaintCentredText(WindowHandle w, StrRef text) {
    HWND h = H(w);
    InvalidateRect(h, nullptr, FALSE);
    HDC dc = GetDC(h);
    if (!dc) return kErrDeviceIo;
    RECT r;
    GetClientRect(h, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, PaletteColour(kPaletteWhite, 0, false, nullptr));
    const FontSpec* top = TopFont();
    HGDIOBJ old = top ? SelectObject(dc, static_cast<HGDIOBJ>(FontHandle(*top))) : nullptr;
    const std::wstring wide = Wide(text);
    const int drawn = DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
                                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    ValidateRect(h, nullptr);
    ReleaseDC(h, dc);
    return drawn ? 0 : kErrDeviceIo;
}

}  // namespace rt
