// The clock on Windows: GetLocalTime, the performance counter and high-resolution timer waits.
#include "runtime/clock.h"

#include <windows.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace rt {

namespace {

class TimerHandle {
public:
    explicit TimerHandle(HANDLE h) : h_(h) {}
    ~TimerHandle() { if (h_) CloseHandle(h_); }
    TimerHandle(const TimerHandle&) = delete;
    TimerHandle& operator=(const TimerHandle&) = delete;
    HANDLE get() const { return h_; }
private:
    HANDLE h_;
};

// Set once the system has refused a high-resolution timer (before Windows 10 1803).
bool gNoHighResolution = false;

}  // namespace

ClockTime ClockLocalNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return ClockTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

uint64_t ClockSteadyMicros() {
    // GetTickCount64 moves in steps of the 15.6 ms system tick, too coarse for short waits.
    static const uint64_t frequency = [] {
        LARGE_INTEGER f;
        return QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? static_cast<uint64_t>(f.QuadPart) : 0;
    }();
    LARGE_INTEGER count;
    if (!frequency || !QueryPerformanceCounter(&count)) return GetTickCount64() * 1000u;
    const uint64_t c = static_cast<uint64_t>(count.QuadPart);
    return c / frequency * 1000000u + c % frequency * 1000000u / frequency;
}

void ClockSleepMs(uint32_t ms) {
    if (ms == 0) {
        Sleep(0);
        return;
    }
    // Sleep() rounds up to the system tick (15.6 ms unless a program raised the timer rate), which
    // would space a wait's callback calls too far apart; a high-resolution timer keeps the step.
    if (!gNoHighResolution) {
        TimerHandle timer(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                                 TIMER_ALL_ACCESS));
        if (timer.get()) {
            LARGE_INTEGER due;
            due.QuadPart = -static_cast<LONGLONG>(ms) * 10000;  // relative, in 100 ns units
            if (SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) {
                WaitForSingleObject(timer.get(), ms + 1000);
                return;
            }
        }
        gNoHighResolution = true;
    }
    Sleep(ms);
}

}  // namespace rt
