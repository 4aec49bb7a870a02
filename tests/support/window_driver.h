// Driving real windows as a person would, for Windows tests and tools: find a top-level window by
// its title, read its texts as Windows-1252, press a button by its label, send keys, list the
// windows a program shows, save a picture of a window.
//
// Under Xvfb without a window manager Wine delivers keys to its own active window and drops them
// after a window closes until another one is made active, so every key first activates its window.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace rt_test {

inline std::wstring WideOf(const std::string& cp1252) {
    if (cp1252.empty()) return std::wstring();
    const int n = MultiByteToWideChar(1252, 0, cp1252.data(), static_cast<int>(cp1252.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(1252, 0, cp1252.data(), static_cast<int>(cp1252.size()), out.data(), n);
    return out;
}

inline std::string Cp1252Of(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int n = WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, "?", nullptr);
    return out;
}

inline std::wstring WindowTextOf(HWND h) {
    const int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), n + 1)));
    return text;
}

inline std::wstring ClassOf(HWND h) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

// A label as a person reads it: without the '&' that marks its access key.
inline std::wstring Plain(std::wstring label) {
    std::wstring out;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == L'&' && i + 1 < label.size()) ++i;
        out += label[i];
    }
    return out;
}

// True when title is wanted, or begins with wanted less its last character when that is '*'.
inline bool TitleMatches(const std::wstring& title, const std::wstring& wanted) {
    if (!wanted.empty() && wanted.back() == L'*') return title.compare(0, wanted.size() - 1, wanted, 0, wanted.size() - 1) == 0;
    return title == wanted;
}

// A window wanted by title, or, written "class:NAME", by its class: a box without a title (the
// status box) has nothing else to be found by.
inline bool WindowMatches(HWND h, const std::wstring& wanted) {
    static const std::wstring kByClass = L"class:";
    if (wanted.compare(0, kByClass.size(), kByClass) == 0) return _wcsicmp(ClassOf(h).c_str(), wanted.c_str() + kByClass.size()) == 0;
    return TitleMatches(WindowTextOf(h), wanted);
}

// The visible top-level window titled `title` (of process pid when not 0; a title ending in '*'
// matches every title that begins with the rest; "class:NAME" a window of that class), waiting up
// to timeoutMs.
inline HWND FindTopWindow(const std::wstring& title, DWORD pid = 0, DWORD timeoutMs = 10000) {
    struct Search {
        const std::wstring* title;
        DWORD pid;
        HWND found;
    } search{&title, pid, nullptr};
    const DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(
            [](HWND h, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(h, &owner);
                if (!IsWindowVisible(h) || (s->pid && owner != s->pid) || !WindowMatches(h, *s->title))
                    return TRUE;
                s->found = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount() - start >= timeoutMs) return search.found;
        Sleep(20);
    }
}

// True once no visible window has the title (waiting up to timeoutMs).
inline bool WaitGone(const std::wstring& title, DWORD pid = 0, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (FindTopWindow(title, pid, 0)) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

// The texts of a window's static texts and buttons, then of its list items, in window order.
inline std::vector<std::wstring> WindowTexts(HWND top) {
    std::vector<std::wstring> texts;
    EnumChildWindows(
        top,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* out = reinterpret_cast<std::vector<std::wstring>*>(lp);
            const std::wstring cls = ClassOf(h);
            if (_wcsicmp(cls.c_str(), L"ListBox") == 0) {
                const LRESULT n = SendMessageW(h, LB_GETCOUNT, 0, 0);
                for (LRESULT i = 0; i < n; ++i) {
                    std::wstring item(static_cast<size_t>(SendMessageW(h, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
                    item.resize(static_cast<size_t>(SendMessageW(h, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
                    out->push_back(item);
                }
            } else if (_wcsicmp(cls.c_str(), L"Static") == 0 || _wcsicmp(cls.c_str(), L"Button") == 0) {
                const std::wstring text = WindowTextOf(h);
                if (!text.empty()) out->push_back(Plain(text));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// Makes the window the active one, as a click on its title bar would.
inline void Activate(HWND top) {
    for (int i = 0; i < 50 && GetForegroundWindow() != top; ++i) {
        SetForegroundWindow(top);
        if (GetForegroundWindow() != top) Sleep(10);
    }
}

// The child button labelled label (access-key marks ignored), or null.
inline HWND FindButton(HWND top, const std::wstring& label) {
    struct Search {
        const std::wstring* label;
        HWND found;
    } search{&label, nullptr};
    EnumChildWindows(
        top,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (_wcsicmp(ClassOf(h).c_str(), L"Button") != 0 || Plain(WindowTextOf(h)) != *s->label) return TRUE;
            s->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Presses the button labelled label: the window is made active, then the button clicked.
inline bool PressButton(HWND top, const std::wstring& label) {
    HWND button = FindButton(top, label);
    if (!button) return false;
    Activate(top);
    PostMessageW(button, BM_CLICK, 0, 0);
    return true;
}

// Presses and releases a virtual key in the window, made active first.
inline void SendKey(HWND top, WORD vk) {
    Activate(top);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Sleep(30);
}

// Presses keys together and lets them go in the reverse order (Shift+Tab: {VK_SHIFT, VK_TAB}),
// the window made active first.
inline void SendChord(HWND top, std::initializer_list<WORD> keys) {
    Activate(top);
    std::vector<INPUT> in;
    for (WORD vk : keys) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        in.push_back(i);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *--it;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    Sleep(30);
}

// Types text into the focused control of the window, one character at a time as a keyboard
// would deliver it (any character, so Spanish letters and quotes arrive as they are).
inline void TypeText(HWND top, const std::wstring& text) {
    Activate(top);
    for (wchar_t ch : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = ch;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
    Sleep(50);
}

// The visible dialog owned by owner (a chooser, a message box), waiting up to timeoutMs.
inline HWND FindOwnedDialog(HWND owner, DWORD timeoutMs = 10000) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    const DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(
            [](HWND h, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                if (!IsWindowVisible(h) || GetWindow(h, GW_OWNER) != s->owner || ClassOf(h) != L"#32770") return TRUE;
                s->found = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount() - start >= timeoutMs) return search.found;
        Sleep(20);
    }
}

// Virtual key of a key name: enter, esc, up, down, tab, space, home, end, back (Backspace), del,
// or a single letter or digit.
inline WORD KeyOfName(const std::wstring& name) {
    if (name == L"enter") return VK_RETURN;
    if (name == L"home") return VK_HOME;
    if (name == L"end") return VK_END;
    if (name == L"back") return VK_BACK;
    if (name == L"del") return VK_DELETE;
    if (name == L"esc") return VK_ESCAPE;
    if (name == L"up") return VK_UP;
    if (name == L"down") return VK_DOWN;
    if (name == L"tab") return VK_TAB;
    if (name == L"space") return VK_SPACE;
    if (name.size() == 1) return static_cast<WORD>(towupper(name[0]));
    return 0;
}

// The titles of the visible top-level windows of every process whose program file name ends with
// program (any case), such as L"kelvaner.exe".
inline std::vector<std::wstring> VisibleWindowsOf(const std::wstring& program) {
    struct Search {
        const std::wstring* program;
        std::vector<std::wstring> titles;
    } search{&program, {}};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (!IsWindowVisible(h)) return TRUE;
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
            if (!process) return TRUE;
            wchar_t image[MAX_PATH];
            DWORD n = MAX_PATH;
            const bool named = QueryFullProcessImageNameW(process, 0, image, &n);
            CloseHandle(process);
            const std::wstring file(image, named ? n : 0);
            const std::wstring& want = *s->program;
            if (file.size() >= want.size() && _wcsicmp(file.c_str() + file.size() - want.size(), want.c_str()) == 0)
                s->titles.push_back(WindowTextOf(h));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.titles;
}

// Width in pixels of a line of text drawn in font.
inline int TextWidth(const std::wstring& text, HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// The pixels of a rectangle of the screen, as a person sees them.
class ScreenPixels {
public:
    explicit ScreenPixels(const RECT& r) : origin_{r.left, r.top}, w_(r.right - r.left), h_(r.bottom - r.top) {
        if (w_ <= 0 || h_ <= 0) return;
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, w_, h_);
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w_, h_, screen, r.left, r.top, SRCCOPY);
        SelectObject(mem, old);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w_;
        bi.bmiHeader.biHeight = -h_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        px_.resize(static_cast<size_t>(w_) * h_);
        GetDIBits(mem, bmp, 0, static_cast<UINT>(h_), px_.data(), &bi, DIB_RGB_COLORS);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
    }
    // The colour at screen point (x, y); 0 outside.
    DWORD At(int x, int y) const {
        x -= origin_.x;
        y -= origin_.y;
        return x >= 0 && y >= 0 && x < w_ && y < h_ ? px_[static_cast<size_t>(y) * w_ + x] & 0xFFFFFF : 0;
    }
private:
    POINT origin_;
    int w_, h_;
    std::vector<DWORD> px_;
};

// Whether the ink of a text drawn inside r (screen coordinates) reaches the column x: a pixel there
// that differs clearly from the most common colour of its row within r. A text cut by its box is
// drawn up to the box's edge, one that fits stops short of it.
inline bool InkInColumn(const ScreenPixels& shot, const RECT& r, int x) {
    for (int y = r.top; y < r.bottom; ++y) {
        std::vector<std::pair<DWORD, int>> counts;
        for (int i = r.left; i < r.right; ++i) {
            const DWORD c = shot.At(i, y);
            auto it = std::find_if(counts.begin(), counts.end(), [c](const auto& e) { return e.first == c; });
            if (it == counts.end()) counts.push_back({c, 1});
            else ++it->second;
        }
        const DWORD ground = std::max_element(counts.begin(), counts.end(),
                                              [](const auto& a, const auto& b) { return a.second < b.second; })->first;
        const DWORD c = shot.At(x, y);
        const int diff = std::abs(static_cast<int>(c & 0xFF) - static_cast<int>(ground & 0xFF)) +
                         std::abs(static_cast<int>((c >> 8) & 0xFF) - static_cast<int>((ground >> 8) & 0xFF)) +
                         std::abs(static_cast<int>((c >> 16) & 0xFF) - static_cast<int>((ground >> 16) & 0xFF));
        if (diff > 96) return true;
    }
    return false;
}

inline bool IsGroupBox(HWND h) {
    return _wcsicmp(ClassOf(h).c_str(), L"Button") == 0 && (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// What a person cannot read whole in a window, one line per fault (none when everything fits):
// a title wider than its caption leaves room for (beside the icon and the caption's buttons), a
// label, button, check box or list item whose text is drawn up to the edge of its box (cut), a
// control reaching out of the window's client area, and two controls that overlap. Edit fields
// are left out: a value keeps its field's width and scrolls. The controls' fonts live in the
// program that made them, so their texts are judged by the pixels on the screen.
inline std::vector<std::wstring> FitProblems(HWND top) {
    std::vector<std::wstring> problems;
    const LONG style = GetWindowLongW(top, GWL_STYLE);
    const std::wstring title = WindowTextOf(top);
    RECT outer{}, client{};
    GetWindowRect(top, &outer);
    GetClientRect(top, &client);
    if ((style & WS_CAPTION) == WS_CAPTION && !title.empty()) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        HFONT caption = CreateFontIndirectW(&metrics.lfCaptionFont);
        int buttons = 0;
        if (style & WS_SYSMENU) buttons += 1 + ((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) ? 2 : 0);
        const int frame = (outer.right - outer.left) - (client.right - client.left);
        const int icon = (style & WS_SYSMENU) && !(GetWindowLongW(top, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME)
                             ? GetSystemMetrics(SM_CXSMICON) + 4 : 4;
        const int room = (outer.right - outer.left) - frame - icon - buttons * metrics.iCaptionWidth;
        const int need = TextWidth(title, caption);
        if (need > room)
            problems.push_back(L"title \"" + title + L"\" needs " + std::to_wstring(need) + L" px, has " + std::to_wstring(room));
        DeleteObject(caption);
    }
    const ScreenPixels shot(outer);
    struct Control {
        HWND h;
        RECT r;  // in the window's client coordinates
        std::wstring cls;
    };
    std::vector<Control> controls;
    for (HWND h = GetWindow(top, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (!IsWindowVisible(h)) continue;
        RECT r{};
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
        controls.push_back({h, r, ClassOf(h)});
    }
    for (const Control& c : controls) {
        const LONG cs = GetWindowLongW(c.h, GWL_STYLE);
        const std::wstring text = Plain(WindowTextOf(c.h));
        RECT screen{};
        GetWindowRect(c.h, &screen);
        const bool isButton = _wcsicmp(c.cls.c_str(), L"Button") == 0;
        const bool isStatic = _wcsicmp(c.cls.c_str(), L"Static") == 0;
        const bool isList = _wcsicmp(c.cls.c_str(), L"ListBox") == 0;
        const LONG kind = cs & BS_TYPEMASK;
        const bool isCheck = isButton && (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                                          kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE);
        const LONG staticKind = cs & SS_TYPEMASK;
        const bool textStatic = isStatic && (staticKind <= SS_RIGHT || staticKind == SS_SIMPLE || staticKind == SS_LEFTNOWORDWRAP);
        // Where the text is drawn: a push button's face inside its border, a check box's label
        // beside its box, a list's rows beside its scroll bar.
        RECT inside = screen;
        bool centred = false;
        if (isButton && !isCheck && !IsGroupBox(c.h)) {
            InflateRect(&inside, -5, -5);  // border, default frame and focus rectangle
            centred = (cs & BS_CENTER) == BS_CENTER || (cs & BS_CENTER) == 0;
        } else if (isCheck) {
            inside.left += GetSystemMetrics(SM_CXMENUCHECK);
        } else if (isList) {
            InflateRect(&inside, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
            if (cs & WS_VSCROLL) inside.right -= GetSystemMetrics(SM_CXVSCROLL);
        } else if (textStatic) {
            centred = staticKind == SS_CENTER;
        }
        const bool judged = ((isButton && !IsGroupBox(c.h)) || textStatic) ? !text.empty() : isList;
        if (judged && inside.right > inside.left && inside.bottom > inside.top) {
            const bool cutRight = InkInColumn(shot, inside, inside.right - 1);
            const bool cutLeft = (centred || (isStatic && staticKind == SS_RIGHT)) && InkInColumn(shot, inside, inside.left);
            if (cutRight || cutLeft)
                problems.push_back(c.cls + L" \"" + (isList ? std::wstring(L"(items)") : text) + L"\" is cut at its " +
                                   (cutRight ? L"right" : L"left") + L" edge, " + std::to_wstring(inside.right - inside.left) +
                                   L" px wide");
        }
        if (c.r.left < client.left || c.r.top < client.top || c.r.right > client.right || c.r.bottom > client.bottom)
            problems.push_back(c.cls + L" \"" + text + L"\" reaches out of the window");
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            RECT both{};
            if (IsGroupBox(controls[i].h) || IsGroupBox(controls[j].h)) continue;  // a frame holds others
            if (!IntersectRect(&both, &controls[i].r, &controls[j].r)) continue;
            const auto at = [](const RECT& r) {
                return L" (" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L")-(" + std::to_wstring(r.right) +
                       L"," + std::to_wstring(r.bottom) + L")";
            };
            problems.push_back(controls[i].cls + L" \"" + Plain(WindowTextOf(controls[i].h)) + L"\"" + at(controls[i].r) +
                               L" overlaps " + controls[j].cls + L" \"" + Plain(WindowTextOf(controls[j].h)) + L"\"" +
                               at(controls[j].r));
        }
    }
    return problems;
}

// Copies the window's rectangle from the screen into a bottom-up 24-bit BMP file.
inline bool SaveWindowPicture(HWND w, const std::string& file) {
    RECT r;
    if (!w || !GetWindowRect(w, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    const ScreenPixels shot(r);
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<unsigned char> bits(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const DWORD c = shot.At(r.left + x, r.top + y);
            unsigned char* p = &bits[static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x) * 3];
            p[0] = c & 0xFF;
            p[1] = (c >> 8) & 0xFF;
            p[2] = (c >> 16) & 0xFF;
        }
    }
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = width;
    bi.biHeight = height;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(bits.size());
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&bi, sizeof bi, 1, f) == 1 &&
                         std::fwrite(bits.data(), 1, bits.size(), f) == bits.size();
    std::fclose(f);
    return written;
}

}  // namespace rt_test
