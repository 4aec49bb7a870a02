// The millisecond wait that keeps no processor busy.
#pragma once

#include <cstdint>

#include "runtime/errcode.h"

namespace rt {

// Waits ms milliseconds without keeping a processor busy: it sleeps in steps of a few
// milliseconds and calls callback(arg) (when given) before each step, so the callback runs at
// least every 10 ms and once even for a wait of 0. A non-zero callback result ends the wait and is
// returned; otherwise 0.
using WaitCallback = int (*)(void* arg);
ErrCode WaitMs(uint32_t ms, WaitCallback callback, void* arg);
// Longest sleep between two callback calls.
inline constexpr uint32_t kWaitStepMs = 4;

}  // namespace rt
