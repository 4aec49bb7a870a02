// Names of procedure parameters: the variable a one-byte parameter number stands for.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// The variable name of parameter n, qualified "prefix.NAME" when the system integer _AUX is
// positive and field _AUX of the procedure-prefix list (string-store group 9, item 8) is not
// empty. Numbers equal to a list's base, beyond a list's last name or above 126 give the empty
// name (never qualified). An unqualified name is a static text; a qualified one a pool entry.
StrRef ProcParamName(uint8_t n);

inline constexpr uint16_t kItemProcPrefixes = 8;

}  // namespace rt
