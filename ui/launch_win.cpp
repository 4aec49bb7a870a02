// Starting other programs on Windows: the token's elevation, ShellExecute and the C library's spawn.
#include "ui/launch.h"

#include <windows.h>
#include <process.h>
#include <shellapi.h>

#include <cerrno>
#include <string>

#include "ui/wide_text.h"

namespace rt {

namespace {

// Closes a kernel handle when it goes out of scope.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE h = nullptr) : h_(h) {}
    ~ScopedHandle() {
        if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE* out() { return &h_; }
    HANDLE get() const { return h_; }
private:
    HANDLE h_;
};

// Waits for process while answering the messages of this thread's windows: a program that sends
// to every window (a setting's broadcast) would otherwise wait as long as the process runs.
DWORD WaitAnswering(HANDLE process) {
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) return woke;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

}  // namespace

bool OsIsElevated() {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return false;
    return elevation.TokenIsElevated != 0;
}

intptr_t OsShellExecute(const char* verb, const char* program, const char* parameters, uint32_t* exitCode) {
    const std::wstring params = parameters ? Wide(parameters) : std::wstring();
    const std::wstring wideVerb = Wide(verb), wideProgram = Wide(program);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // The process is asked for only by a caller that waits on it; a failure is the caller's to
    // report (as ShellExecute leaves it), not a box of the shell's.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | (exitCode ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.lpVerb = wideVerb.c_str();
    info.lpFile = wideProgram.c_str();
    info.lpParameters = parameters ? params.c_str() : nullptr;
    info.nShow = SW_SHOW;
    const BOOL started = ShellExecuteExW(&info);
    ScopedHandle process(info.hProcess);
    if (!started) return 0;
    if (exitCode) {
        DWORD code = kExitUnknown;
        if (process.get() && WaitAnswering(process.get()) == WAIT_OBJECT_0 &&
            !GetExitCodeProcess(process.get(), &code))
            code = kExitUnknown;
        *exitCode = code;
    }
    return reinterpret_cast<intptr_t>(info.hInstApp);
}

intptr_t OsSpawn(bool wait, const char* program, const char* const* argv, int* err) {
    const char* args[kSpawnMaxWords + 1];
    int n = 0;
    for (const char* const* a = argv; *a && n < kSpawnMaxWords; ++a) args[n++] = *a;
    args[n] = nullptr;
    errno = 0;
    const intptr_t result = _spawnv(wait ? _P_WAIT : _P_NOWAIT, program, args);
    if (result == -1) {
        *err = errno;
        return -1;
    }
    if (wait) return result;
    // Started: its process handle is not needed by anyone here.
    ScopedHandle started(reinterpret_cast<HANDLE>(result));
    return 0;
}

}  // namespace rt
