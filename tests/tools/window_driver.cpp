// window_driver.exe: answers another program's windows in scripted scenarios, step by step.
//
// Steps, in order: pid=N (only that process's windows), timeout=MS (per step, default 10000),
// wait=TITLE, gone=TITLE, texts=TITLE (each text on its own line, as Windows-1252 bytes),
// press=TITLE|LABEL, key=TITLE|NAME[,NAME...] (enter, esc, up, down, tab, space, home, end,
// back, del, a letter), type=TITLE|TEXT (typed into the window's focused control as a keyboard
// delivers it), sleep=MS, windows=PROGRAM (the titles of the visible windows of every process
// whose program file is PROGRAM, one per line), shot=TITLE|FILE (a 24-bit BMP picture of the
// window), fits=TITLE (a line "misfit: TITLE: WHAT" for each title, label, button or list item
// wider than the room it has, and each pair of controls that overlap). The exit code is 0, or the
// number of the first step that failed. A TITLE ending in '*' matches every title that begins
// with the rest; "class:NAME" matches a window of that class.
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "tests/support/window_driver.h"

using namespace rt_test;

namespace {

bool Fail(int step, const std::wstring& why) {
    std::fprintf(stderr, "step %d: %s\n", step, Cp1252Of(why).c_str());
    return false;
}

bool RunStep(int step, const std::wstring& arg, DWORD& pid, DWORD& timeout) {
    const size_t eq = arg.find(L'=');
    if (eq == std::wstring::npos) return Fail(step, L"not a step: " + arg);
    const std::wstring verb = arg.substr(0, eq);
    std::wstring value = arg.substr(eq + 1);
    std::wstring title = value, rest;
    if (const size_t bar = value.find(L'|'); bar != std::wstring::npos) {
        title = value.substr(0, bar);
        rest = value.substr(bar + 1);
    }
    if (verb == L"pid") {
        pid = static_cast<DWORD>(_wtoi(value.c_str()));
        return true;
    }
    if (verb == L"timeout") {
        timeout = static_cast<DWORD>(_wtoi(value.c_str()));
        return true;
    }
    if (verb == L"sleep") {
        Sleep(static_cast<DWORD>(_wtoi(value.c_str())));
        return true;
    }
    if (verb == L"windows") {
        for (const std::wstring& t : VisibleWindowsOf(value)) std::printf("%s\n", Cp1252Of(t).c_str());
        std::fflush(stdout);
        return true;
    }
    if (verb == L"gone") return WaitGone(title, pid, timeout) ? true : Fail(step, L"still open: " + title);
    HWND top = FindTopWindow(title, pid, timeout);
    if (!top) return Fail(step, L"no window: " + title);
    if (verb == L"wait") return true;
    if (verb == L"texts") {
        for (const std::wstring& t : WindowTexts(top)) std::printf("%s\n", Cp1252Of(t).c_str());
        std::fflush(stdout);
        return true;
    }
    if (verb == L"fits") {
        // Reported, not failed: the run goes on to the next window, so one run names every fault.
        for (const std::wstring& p : FitProblems(top)) std::printf("misfit: %s: %s\n", Cp1252Of(title).c_str(), Cp1252Of(p).c_str());
        std::fflush(stdout);
        return true;
    }
    if (verb == L"shot") return SaveWindowPicture(top, Cp1252Of(rest)) ? true : Fail(step, L"no picture: " + rest);
    if (verb == L"type") {
        TypeText(top, rest);
        return true;
    }
    if (verb == L"press") {
        HWND button = FindButton(top, rest);
        if (!button || !PressButton(top, rest)) return Fail(step, L"no button: " + rest);
        // A message box always goes with its button. Under Xvfb its click is sometimes lost while
        // the box is not yet the active window; then the button's command is given to it directly,
        // as its click would have.
        wchar_t cls[16] = {};
        GetClassNameW(top, cls, 16);
        if (std::wstring(cls) == L"#32770") {
            for (int i = 0; i < 100 && IsWindow(top); ++i) Sleep(20);
            if (IsWindow(top))
                PostMessageW(top, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
        }
        return true;
    }
    if (verb == L"key") {
        size_t at = 0;
        while (at <= rest.size()) {
            size_t comma = rest.find(L',', at);
            if (comma == std::wstring::npos) comma = rest.size();
            const std::wstring name = rest.substr(at, comma - at);
            const WORD vk = KeyOfName(name);
            if (!vk) return Fail(step, L"no key: " + name);
            SendKey(top, vk);
            at = comma + 1;
        }
        return true;
    }
    return Fail(step, L"unknown step: " + verb);
}

}  // namespace

int main() {
    // The texts go out as the bytes they are, each line ended by LF alone.
    _setmode(_fileno(stdout), _O_BINARY);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 1;
    DWORD pid = 0;
    DWORD timeout = 10000;
    int result = 0;
    for (int i = 1; i < argc && result == 0; ++i) {
        if (!RunStep(i, argv[i], pid, timeout)) result = i;
    }
    LocalFree(argv);
    return result;
}
