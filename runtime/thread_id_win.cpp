// Thread identity on Windows.
#include "runtime/thread_id.h"

#include <windows.h>

namespace rt {

uint64_t CurrentThreadId() { return GetCurrentThreadId(); }

}  // namespace rt
