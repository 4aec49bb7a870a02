// Selection menus on Win32: the MnuSel window, its buttons or list box, and its procedure.
#include "ui/menu.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "runtime/catalogue.h"
#include "runtime/host_hooks.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "runtime/params.h"
#include "ui/colours.h"
#include "ui/font_stack.h"
#include "ui/form_definition.h"
#include "ui/wide_text.h"
#include "ui/window_kinds.h"
#include "ui/window_layer.h"

namespace rt {

namespace {

constexpr DWORD kListStyle = 0x50A00401;  // child, visible, border, v-scroll, notify, wants keys
constexpr int kOkId = IDOK;
constexpr int kCancelId = IDCANCEL;
constexpr int kDoubleClickWaitMs = 1000;

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }
WindowHandle W(HWND h) { return reinterpret_cast<WindowHandle>(h); }

void Choose(HWND w, int choice) {
    if (choice == 0) return;
    IntSet(kSysStat, static_cast<int16_t>(choice));
    PostMessageW(w, WM_QUIT, 0, 0);
}

void Dismiss(HWND w) {
    IntSet(kSysStat, 0);
    PostMessageW(w, WM_CLOSE, 0, 0);
    PostMessageW(w, WM_QUIT, 0, 0);
}

// Lets the release of a double click land before the choice ends the menu, so that it does not
// reach the window below. Only the menu's own release (its list's) ends the wait, and it is
// delivered, so that the list lets go of the mouse; a release meant for another window stays
// where it is.
bool TakeRelease(HWND w) {
    MSG msg;
    if (!PeekMessageW(&msg, w, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE)) return false;
    DispatchMessageW(&msg);
    return true;
}

void AwaitButtonRelease(HWND menu) {
    const DWORD start = GetTickCount();
    for (;;) {
        // A window filter takes only that window's messages, not its children's: the menu and
        // each of its controls are asked in turn.
        bool released = TakeRelease(menu);
        for (HWND c = GetWindow(menu, GW_CHILD); c && !released; c = GetWindow(c, GW_HWNDNEXT)) released = TakeRelease(c);
        if (released) return;
        const DWORD spent = GetTickCount() - start;
        if (spent >= static_cast<DWORD>(kDoubleClickWaitMs)) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, kDoubleClickWaitMs - spent, QS_MOUSEBUTTON | QS_POSTMESSAGE, 0);
    }
}

// 124 when the key is left to the default handling.
ErrCode OfferToHook(HWND w, uint16_t key) {
    auto hook = HookAs<SelectionHook>(kHookSelection);
    if (!hook) return kErrUndefWarning;
    PoolScope scope;
    return hook(key, ListCurrentIndex(W(w), kListBoxId), ListCurrentText(W(w), kListBoxId));
}

void PushButton(HWND w, uint16_t n, bool on) {
    if (n) SendMessageW(GetDlgItem(w, kMenuFirstButton + n - 1), BM_SETSTATE, on ? TRUE : FALSE, 0);
}

intptr_t KELVANE_WINAPI MenuProc(WindowHandle handle, unsigned msg, uintptr_t wp, intptr_t lp) {
    HWND w = H(handle);
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id >= kListBoxId && id <= kListBoxLastId && HIWORD(wp) == LBN_DBLCLK) {
            AwaitButtonRelease(w);
            Choose(w, static_cast<int>(SendMessageW(reinterpret_cast<HWND>(lp), LB_GETCURSEL, 0, 0)) + 1);
        } else if (id >= kMenuFirstButton && id < kMenuFirstButton + kMenuMaxButtons) {
            Choose(w, id - kMenuFirstButton + 1);
        } else if (id == kOkId) {
            Choose(w, 1);
        } else if (id == kCancelId) {
            Dismiss(w);
        }
        break;
    }
    case WM_KEYDOWN:
    case WM_VKEYTOITEM: {
        const bool fromList = msg == WM_VKEYTOITEM;
        const uint16_t key = MenuKeyNumber(LOWORD(wp));
        if (key == kKeyEscape) {
            Dismiss(w);
            return fromList ? -2 : 0;
        }
        if (key == kKeyEnter) {
            Choose(w, fromList ? HIWORD(wp) + 1 : PushedButton(handle));
            return fromList ? -2 : 0;
        }
        if (OfferToHook(w, key) != kErrUndefWarning) return fromList ? -2 : 0;
        if (fromList) return -1;
        if (key == kKeyUp || key == kKeyDown) {
            const uint16_t pushed = PushedButton(handle);
            PushButton(w, pushed, false);
            PushButton(w, WalkPushed(pushed, CountButtons(handle), key), true);
        }
        return 0;
    }
    case WM_DESTROY: WindowDestroyed(handle); break;
    default: break;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

HWND MakeButton(HWND parent, int id, StrRef text, int x, int y, int width, int height) {
    HWND b = CreateWindowExW(0, L"BUTTON", Wide(text).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x,
                             y, width, height, parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                             static_cast<HINSTANCE>(LayerInstance()), nullptr);
    if (b) SetControlFont(W(b), true);
    return b;
}

// A new MnuSel window for the layout, placed automatically or at position; null on failure.
HWND MakeMenuWindow(StrRef title, const MenuLayout& layout, uint16_t flags, const Point* position, int extraH) {
    const BoxSize outer = OuterSize(layout.clientW, layout.clientH + extraH, kKindMnuSel, false);
    const BoxSize work = WorkAreaSize(nullptr);
    Point at = position ? *position : NextPosition((flags & kMenuByFocus) ? kPlaceByFocus : 0);
    if (!position) at = ClampToWork(at, outer.width, outer.height, work.width, work.height);
    PoolScope scope;
    // The run-time's default colour setting gives the background, as it does for forms.
    const int16_t colour = ColourIndex(WindowColourOf(RunParam(kParamDefaultColours)));
    return H(CreateKindWindow(KindName(kKindMnuSel), title, kFrameDialog, at.x, at.y, outer.width, outer.height,
                              colour >= 0 && colour < static_cast<int16_t>(kPaletteSize) ? colour : -1, 0, MenuProc));
}

// The cells and what the title and the items measure as drawn, so that neither is cut.
MenuMetrics Metrics(StrRef title, StrRef items) {
    const CellSize cell = FontCell();
    MenuMetrics m{cell.cell, cell.line, WorkAreaSize(nullptr).height, IntGet(kSysDevHig)};
    const uint16_t count = MenuItemCount(items);
    for (uint16_t n = 1; n <= count; ++n) m.itemPx = std::max(m.itemPx, TextPixels(MenuItem(items, n)));
    m.captionPx = CaptionPixels(title, kKindMnuSel);
    return m;
}

// Lines of the cell's height; the list is sized again so that its rows are counted with them.
void SetListLines(HWND list, const Rect& r, int line) {
    SendMessageW(list, LB_SETITEMHEIGHT, 0, line);
    SetWindowPos(list, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

void SelectInitial(HWND list, StrRef items, int initial) {
    SendMessageW(list, LB_SETCURSEL, InitialChoice(initial, MenuItemCount(items)) - 1, 0);
}

}  // namespace

void FillList(WindowHandle list, StrRef items, bool clearFirst) {
    if (!list) return;
    if (clearFirst) SendMessageW(H(list), LB_RESETCONTENT, 0, 0);
    const uint16_t count = MenuItemCount(items);
    for (uint16_t n = 1; n <= count; ++n) {
        SendMessageW(H(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(MenuItem(items, n)).c_str()));
    }
}

WindowHandle MakeListBox(WindowHandle parent, Rect r, uint16_t idOffset, StrRef items) {
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", kListStyle, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                H(parent), reinterpret_cast<HMENU>(static_cast<intptr_t>(kListBoxId + idOffset)),
                                static_cast<HINSTANCE>(LayerInstance()), nullptr);
    if (!list) return nullptr;
    SetControlFont(W(list), true);
    FillList(W(list), items, false);
    return W(list);
}

StrRef ListCurrentText(WindowHandle w, int id) {
    HWND list = GetDlgItem(H(w), id);
    const LRESULT index = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : LB_ERR;
    if (index == LB_ERR) return StrEmpty();
    const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (len == LB_ERR || len > kMaxText) return StrEmpty();
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    const std::string narrow = Narrow(text.c_str());
    return PoolCopy(StrMake(narrow.data(), static_cast<uint16_t>(narrow.size())));
}

int ListCurrentIndex(WindowHandle w, int id) {
    HWND list = GetDlgItem(H(w), id);
    return list ? static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)) : -1;
}

void ListSetIndex(WindowHandle w, int id, int index) {
    if (HWND list = GetDlgItem(H(w), id)) SendMessageW(list, LB_SETCURSEL, index, 0);
}

uint16_t CountButtons(WindowHandle w) {
    uint16_t n = 0;
    while (n < kMenuMaxButtons && GetDlgItem(H(w), kMenuFirstButton + n)) ++n;
    return n;
}

uint16_t PushedButton(WindowHandle w) {
    const uint16_t count = CountButtons(w);
    for (uint16_t n = 1; n <= count; ++n) {
        if (SendMessageW(GetDlgItem(H(w), kMenuFirstButton + n - 1), BM_GETSTATE, 0, 0) == BST_PUSHED) return n;
    }
    return 0;
}

uint16_t Select(StrRef title, StrRef items, uint16_t flags, int initial) {
    return SelectWithHook(title, items, flags, initial, nullptr, nullptr);
}

uint16_t SelectWithHook(StrRef title, StrRef items, uint16_t flags, int initial, const Point* position,
                        SelectionHook hook) {
    const uint16_t count = MenuItemCount(items);
    if (count == 0) return 0xFFFF;
    WindowLayerInit();
    const HookFn saved = HookGet(kHookSelection);
    if (hook) HookSet(kHookSelection, reinterpret_cast<HookFn>(hook));
    HWND w = nullptr;
    if (flags & kMenuNewWindow) {
        const MenuLayout layout = LayoutMenu(title, items, flags, Metrics(title, items));
        w = MakeMenuWindow(title, layout, flags, position, 0);
        if (w && (flags & kMenuListBox)) {
            HWND list = H(MakeListBox(W(w), layout.list, 0, items));
            if (list) {
                SetListLines(list, layout.list, FontCell().line);
                SelectInitial(list, items, initial);
                SetFocus(list);
            }
        } else if (w) {
            for (uint16_t n = 1; n <= count && n <= kMenuMaxButtons; ++n) {
                const Point at = MenuButtonAt(layout, n, FontCell().line);
                MakeButton(w, kMenuFirstButton + n - 1, MenuItem(items, n), at.x, at.y, layout.buttonW, layout.buttonH);
            }
        }
    } else {
        w = H(StackTop());
        if (w && (flags & kMenuRefill)) {
            HWND list = GetDlgItem(w, kListBoxId);
            FillList(W(list), items, true);
            SelectInitial(list, items, initial);
        }
    }
    uint16_t result = 0xFFFF;
    if (w) {
        IntSet(kSysStat, 0);
        RunModal(W(w));
        result = static_cast<uint16_t>(IntGet(kSysStat));
        if ((flags & kMenuDestroyAfter) && IsWindow(w)) DestroyWindow(w);
    }
    HookSet(kHookSelection, saved);
    return result;
}

StrRef SelectMany(StrRef title, StrRef items) {
    const uint16_t count = MenuItemCount(items);
    if (count == 0) return StrErr(0xFFFF);
    WindowLayerInit();
    const MenuMetrics m = Metrics(title, items);
    const MenuLayout layout = LayoutMenu(title, items, kMenuNewWindow | kMenuListBox | kMenuMargin, m);
    const int buttonsH = 2 * m.line;
    HWND w = MakeMenuWindow(title, layout, 0, nullptr, buttonsH);
    if (!w) return StrErr(0xFFFF);
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", kListStyle | LBS_MULTIPLESEL,
                                layout.list.left, layout.list.top, layout.list.right - layout.list.left,
                                layout.list.bottom - layout.list.top, w,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(kListBoxId)),
                                static_cast<HINSTANCE>(LayerInstance()), nullptr);
    SetControlFont(W(list), true);
    FillList(W(list), items, false);
    SetListLines(list, layout.list, m.line);
    const int bw = 10 * m.cell;
    const int by = layout.clientH + m.line / 4;
    PoolScope scope;
    MakeButton(w, kOkId, MessageField(41, 1), layout.clientW / 2 - bw - m.cell, by, bw, 3 * m.line / 2);
    MakeButton(w, kCancelId, MessageField(41, 2), layout.clientW / 2 + m.cell, by, bw, 3 * m.line / 2);
    SetFocus(list);
    IntSet(kSysStat, 0);
    RunModal(W(w));
    std::string chosen;
    if (IntGet(kSysStat) != 0 && IsWindow(list)) {
        for (uint16_t n = 0; n < count; ++n) {
            if (SendMessageW(list, LB_GETSEL, n, 0) > 0) chosen += (chosen.empty() ? "" : ",") + std::to_string(n + 1);
        }
    }
    const bool cancelled = IntGet(kSysStat) == 0;
    if (IsWindow(w)) DestroyWindow(w);
    if (cancelled) return scope.Return(StrErr(kErrUserCanceled));
    return scope.Return(chosen.empty() ? StrEmpty() : StrMake(chosen.data(), static_cast<uint16_t>(chosen.size())));
}

}  // namespace rt
