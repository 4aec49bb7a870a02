// Thread identity on POSIX hosts.
#include "runtime/thread_id.h"

#include <pthread.h>

namespace rt {

uint64_t CurrentThreadId() { return static_cast<uint64_t>(pthread_self()); }

}  // namespace rt
