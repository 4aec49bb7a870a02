// The saved-variables file: variables written as statements that load them back.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Saves the variables of the comma list names as statements in file, keeping the statements of
// other names, then reads the file back (runs it) unless kSaveOnly: a file read as data (the
// credentials) must never run what someone else put in it. trim: 1 left, 2 right, 3 both.
// kErrPermission when the file cannot be replaced.
inline constexpr bool kSaveOnly = false;
ErrCode SaveVariables(StrRef file, StrRef names, int trim, StrRef prefix, bool readBack = true);

}  // namespace rt
