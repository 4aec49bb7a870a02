// The computer's name on POSIX systems: gethostname.
#include "runtime/machine_name.h"

#include <unistd.h>

#include <cstdlib>

namespace rt {

std::string MachineName() {
    const char* given = std::getenv("KELVANE_MACHINE_NAME");
    if (given && *given) return given;
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

}  // namespace rt
