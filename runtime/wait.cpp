// The millisecond wait: sleeps in short steps on a steady clock and polls the caller's callback.
#include "runtime/clock.h"
#include "runtime/wait.h"

namespace rt {

ErrCode WaitMs(uint32_t ms, WaitCallback callback, void* arg) {
    // A steady clock, so that a change of the wall clock neither ends a wait early nor stretches it.
    const uint64_t start = ClockSteadyMicros();
    const uint64_t want = static_cast<uint64_t>(ms) * 1000u;
    for (;;) {
        if (callback) {
            if (const int code = callback(arg)) return static_cast<ErrCode>(code);
        }
        const uint64_t elapsed = ClockSteadyMicros() - start;
        if (elapsed >= want) return 0;
        const uint64_t leftMs = (want - elapsed + 999) / 1000;
        ClockSleepMs(leftMs < kWaitStepMs ? static_cast<uint32_t>(leftMs) : kWaitStepMs);
    }
}

}  // namespace rt
