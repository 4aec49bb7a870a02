// Identity of the calling thread, for per-thread context slots.
#pragma once

#include <cstdint>

namespace rt {

// A number that identifies the calling thread among the live threads of the process.
uint64_t CurrentThreadId();

}  // namespace rt
