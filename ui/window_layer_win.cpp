// The window layer on Win32: kind windows, the pump and the waiting modal loop, fonts and brushes.
#include "ui/window_layer.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
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

namespace {

std::wstring WindowTitle(HWND h) {
    std::wstring title(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(h, title.data(), static_cast<int>(title.size()))));
    return title;
}

int WidestLine(HDC dc, const std::wstring& text) {
    int widest = 0;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find_first_of(L"\r\n", at);
        if (end == std::wstring::npos) end = text.size();
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str() + at, static_cast<int>(end - at), &size);
        widest = std::max<int>(widest, size.cx);
        at = end + 1;
    }
    return widest;
}

int MeasureIn(HGDIOBJ font, StrRef text) {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc, font);
    const int width = WidestLine(dc, Wide(text));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return width;
}

}  // namespace

int TextPixels(StrRef text) {
    if (!text.ok() || text.len == 0) return 0;
    const FontSpec* top = TopFont();
    HGDIOBJ font = top ? static_cast<HGDIOBJ>(FontHandle(*top)) : nullptr;
    return MeasureIn(font ? font : GetStockObject(SYSTEM_FONT), text);
}

namespace {

// Client width a caption of style needs to show title whole: the title in the caption font, the
// icon (none on a modal frame), the caption's buttons and some breathing room.
int CaptionNeed(const std::wstring& title, DWORD style, DWORD exStyle) {
    if ((style & WS_CAPTION) != WS_CAPTION || title.empty()) return 0;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
    HFONT caption = CreateFontIndirectW(&metrics.lfCaptionFont);
    if (!caption) return 0;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, caption);
    const int text = WidestLine(dc, title);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(caption);
    int buttons = 0;
    if (style & WS_SYSMENU) buttons = 1 + ((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) ? 2 : 0);
    const bool icon = (style & WS_SYSMENU) && !(exStyle & WS_EX_DLGMODALFRAME);
    return text + (icon ? GetSystemMetrics(SM_CXSMICON) + 4 : 0) + buttons * metrics.iCaptionWidth +
           metrics.iCaptionHeight;
}

}  // namespace

int CaptionPixels(StrRef title, uint16_t kind) {
    if (!title.ok()) return 0;
    return CaptionNeed(Wide(title), KindFrameStyle(kind), 0);
}

void WidenToCaption(WindowHandle w) {
    HWND h = H(w);
    RECT outer{}, client{};
    if (!GetWindowRect(h, &outer) || !GetClientRect(h, &client)) return;
    const int need = CaptionNeed(WindowTitle(h), static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)),
                                 static_cast<DWORD>(GetWindowLongW(h, GWL_EXSTYLE)));
    const int grow = need - (client.right - client.left);
    if (grow <= 0) return;
    // Everything inside moves by half the growth, so that what was centred stays centred.
    for (HWND child = GetWindow(h, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(child, nullptr, r.left + grow / 2, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(h, nullptr, outer.left - grow / 2, outer.top, outer.right - outer.left + grow, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
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
    in.cascadeFirst = FlagTest(kSysScrStat, kScrStatCascadeFirst);
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
