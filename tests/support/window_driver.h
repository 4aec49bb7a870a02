// Driving real windows as a person would, for Windows tests and tools: find a top-level window by
// its title, read its texts as Windows-1252, press a button by its label, send keys, list the
// windows a program shows, save a picture of a window.
//
// Under Xvfb without a window manager Wine delivers keys to its own active window and drops them
// after a window closes until another one is made active, so every key first activates its window.
#pragma once

#include <windows.h>

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

// The visible top-level window titled `title` (of process pid when not 0; a title ending in '*'
// matches every title that begins with the rest), waiting up to timeoutMs.
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
                if (!IsWindowVisible(h) || (s->pid && owner != s->pid) || !TitleMatches(WindowTextOf(h), *s->title))
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

// Copies the window's rectangle from the screen into a bottom-up 24-bit BMP file.
inline bool SaveWindowPicture(HWND w, const std::string& file) {
    RECT r;
    if (!w || !GetWindowRect(w, &r)) return false;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    const bool copied = BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    bool written = false;
    if (copied) {
        if (FILE* f = std::fopen(file.c_str(), "wb")) {
            BITMAPFILEHEADER fh{};
            fh.bfType = 0x4D42;
            fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
            fh.bfSize = fh.bfOffBits + size;
            written = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
                      std::fwrite(bits, 1, size, f) == size;
            std::fclose(f);
        }
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return written;
}

}  // namespace rt_test
