// The check list: a form of yes/no fields, one per name, whose answers make a bit mask.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kMaxCheckNames = 16;

// The definition of the check list of names (a comma list; quotes protect commas and are
// removed): per name a logical field "'<name> ':'L1'::<1 or 0>", the value taken from bit n - 1
// of the integer system variable sysVar (all 0 when it is -1). A name is quoted with FormQuote,
// and one that starts with '{' is written after an empty position "{}" so that it is shown as it
// is. 163 for more than kMaxCheckNames names. A pool text.
StrRef CheckListDefinition(StrRef names, int16_t sysVar);

// The mask of an accepted check list's values: bit n - 1 set when value n is a yes-word or a
// number other than 0. Stored into the system variable sysVar unless it is -1.
uint16_t CheckListMask(StrRef values, int16_t sysVar);

}  // namespace rt
