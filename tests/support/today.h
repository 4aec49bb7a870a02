// Today's local date as the run-time writes it (YYYYMMDD), for tests of "today" defaults.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/clock.h"

namespace rt_test {

inline std::string TodayText() {
    const rt::ClockTime now = rt::ClockLocalNow();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", static_cast<int>(now.year), static_cast<int>(now.month),
                  static_cast<int>(now.day));
    return buf;
}

}  // namespace rt_test
