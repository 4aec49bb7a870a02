// The operating system's clock: local date and time, a steady millisecond counter and sleeping.
#pragma once

#include <cstdint>

namespace rt {

// A local calendar time as the system clock gives it.
struct ClockTime {
    int32_t year;
    int32_t month;        // 1..12
    int32_t day;          // 1..31
    int32_t hour;         // 0..23
    int32_t minute;
    int32_t second;
    int32_t millisecond;
};

// The local date and time now.
ClockTime ClockLocalNow();
// Microseconds of a steady counter that never goes back (not the wall clock), for measuring waits.
uint64_t ClockSteadyMicros();
// Gives the processor away for about ms milliseconds (0: only the rest of the time slice).
void ClockSleepMs(uint32_t ms);

}  // namespace rt
