// An environment variable set for one test and put back as it was (or removed) afterwards.
#pragma once

#include <string>

#include "runtime/fs.h"
#include "runtime/temp_pool.h"

namespace rt_test {

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        uint16_t mark = rt::PoolMark();
        rt::StrRef old = rt::FsEnvironment(name);
        had_ = old.ok() && old.len > 0;
        if (had_) old_.assign(old.ptr, old.len);
        rt::PoolRelease(mark);
        rt::FsSetEnvironment(name, value.c_str());
    }
    ~ScopedEnvironment() { rt::FsSetEnvironment(name_.c_str(), had_ ? old_.c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_, old_;
    bool had_ = false;
};

}  // namespace rt_test
