// menu_wait_bench.exe: the processor time a menu costs while it waits for the user, read from the
// process's own times over the wait and printed as a share of one core.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "runtime/context.h"
#include "runtime/system_vars.h"
#include "ui/font_stack.h"
#include "ui/menu.h"

namespace {

double ProcessSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) { return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

const char kTitle[] = "Seleccione su opci\xf3n";

// The peer: a loop that asks for messages again and again without waiting, for `ms` milliseconds.
// It also shows that the process times move at all where the program runs (under Wine much of
// its cost lands in the wine server, outside the process, so it reads lower than a full core).
double PollingShare(DWORD ms) {
    const double cpu0 = ProcessSeconds();
    const ULONGLONG t0 = GetTickCount64();
    MSG msg;
    while (GetTickCount64() - t0 < ms) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return 100.0 * (ProcessSeconds() - cpu0) / ((GetTickCount64() - t0) / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (rt::SystemVarsInit() != 0) return 2;
    rt::PushFont(16, 9, 0, 2);
    double cpuStart = 0;
    ULONGLONG wallStart = 0;
    double cpu = 0;
    double wall = 0;
    // The person at the desk: waits, then leaves the menu with Escape. Its sleep costs nothing.
    std::thread person([&] {
        HWND menu = nullptr;
        for (int i = 0; i < 500 && !menu; ++i) {
            menu = FindWindowW(nullptr, L"Seleccione su opci\u00f3n");
            if (!menu) Sleep(20);
        }
        Sleep(500);  // the menu is up and idle
        cpuStart = ProcessSeconds();
        wallStart = GetTickCount64();
        Sleep(static_cast<DWORD>(seconds) * 1000);
        cpu = ProcessSeconds() - cpuStart;
        wall = (GetTickCount64() - wallStart) / 1000.0;
        PostMessageW(menu, WM_CLOSE, 0, 0);
    });
    const uint16_t choice = rt::Select(rt::StrFromLiteral(kTitle),
                                       rt::StrFromLiteral("Credenciales,Configuraci\xf3n,Preferencias"),
                                       rt::kMenuNewWindow, 0);
    person.join();
    const double share = wall > 0 ? 100.0 * cpu / wall : 100.0;
    const double peer = PollingShare(2000);
    std::printf("polling loop (peer): %.2f%% of one core\n", peer);
    if (peer < 5.0) {
        std::printf("the process times do not move here: no reading\n");
        return 2;
    }
    std::printf("waiting menu: %.3f s of processor time over %.1f s: %.2f%% of one core (target at most 2%%), choice %u\n",
                cpu, wall, share, choice);
    return share <= 2.0 ? 0 : 1;
}
