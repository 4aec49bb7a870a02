// The clock on POSIX systems: clock_gettime, localtime_r and nanosleep.
#include "runtime/clock.h"

#include <cerrno>
#include <ctime>

namespace rt {

ClockTime ClockLocalNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const time_t seconds = now.tv_sec;
    tm local{};
    localtime_r(&seconds, &local);
    return ClockTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min,         local.tm_sec,     static_cast<int32_t>(now.tv_nsec / 1000000)};
}

uint64_t ClockSteadyMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

void ClockSleepMs(uint32_t ms) {
    timespec want{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec left{};
    // A signal cuts the sleep short; the rest is slept, so callers see the step they asked for.
    while (nanosleep(&want, &left) != 0 && errno == EINTR) want = left;
}

}  // namespace rt
