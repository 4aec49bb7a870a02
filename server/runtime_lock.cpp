// The lock of the run-time's context.
#include "server/runtime_lock.h"

namespace rt {

std::mutex& RuntimeLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace rt
