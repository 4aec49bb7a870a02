// The server threads' one way into the run-time's shared context: a guard that holds its lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "runtime/dir_search.h"
#include "runtime/errcode.h"

namespace rt {

// The run-time keeps one context for the whole process (runtime/program_state.h): its temporary
// pool, error record and catalogue are not safe for two threads at once. So every use the server
// makes of it is a member of this guard, and holding a guard is holding the context's lock. A
// guard takes a pool mark with the lock and releases to it with the lock, so no pool text
// outlives the turn; the members give back copies, never pool texts. One thread must not hold
// two guards (the lock is not recursive), and nothing else in server/ includes a header that
// reaches the context (tools/check-layers).
class RuntimeGuard {
public:
    RuntimeGuard();
    ~RuntimeGuard();
    RuntimeGuard(const RuntimeGuard&) = delete;
    RuntimeGuard& operator=(const RuntimeGuard&) = delete;

    // Creates the context: once, before any thread of the server starts. ContextInit's codes.
    static ErrCode StartContext();

    // The English name of an error code ("Undefined" outside the table).
    std::string ErrorName(ErrCode code);
    // The name the updater's catalogue gives a code (its desktops' language), in UTF-8.
    std::string CatalogueName(ErrCode code);
    // Starts search at pattern and fills its first match (DirSearch::First, which needs the pool
    // for the moment of the call; the search's later steps need no guard). kErrFileNotFound for a
    // pattern longer than a run-time text.
    ErrCode FirstEntry(DirSearch& search, std::string_view pattern, DirEntry* out);
    // What the updater's credentials form stores for (password, user): Scramble of the password
    // keyed by the user name. kErrOutOfMemory when either is longer than a run-time text.
    ErrCode Scrambled(std::string_view password, std::string_view user, std::string* out);

private:
    std::unique_lock<std::mutex> lock_;
    uint16_t mark_;
};

}  // namespace rt
