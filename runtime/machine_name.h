// The name this computer goes by on the network, as the update server's fleet view shows it.
#pragma once

#include <string>

namespace rt {

// The computer's name in UTF-8 (GetComputerNameW on Windows, gethostname elsewhere); empty when
// the system gives none. The environment variable KELVANE_MACHINE_NAME, when set and not empty,
// stands in for the system's answer: it is how one test machine plays several desktops.
std::string MachineName();

}  // namespace rt
