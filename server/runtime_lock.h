// The one lock of the run-time's context for the server's threads.
#pragma once

#include <mutex>

namespace rt {

// The run-time keeps a single context (its temporary pool above all) for the whole process, so
// the server's threads take turns in it: every call that uses the pool (folder searches, error
// texts) runs while holding this lock, and no pool mark is held across a release of it.
std::mutex& RuntimeLock();

}  // namespace rt
