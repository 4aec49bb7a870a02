// One line of the console interpreter: run a statement list and describe its result in one line.
#pragma once

#include <string>

#include "runtime/strref.h"

namespace rt {

// Runs line as a statement list in the current context and writes exactly one line (no line end)
// to *out: "N:" and the canonical number text for a number ("N:" alone for zero), "S:" and the
// text for a string, "E:" and the decimal status when the status is kErrUserCanceled or more.
// Returns what Evaluate returned (0 number, 1 string, else the status). Leaves the pool as it found
// it.
int RunConsoleLine(StrRef line, std::string* out);

}  // namespace rt
