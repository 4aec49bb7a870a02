// Bounded printf-style formatting into the pool.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Text of at most max characters, one pool entry. A result that would need more is error
// kErrStringTooLong, recorded with module 18.
StrRef Format(uint16_t max, const char* tmpl, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

}  // namespace rt
