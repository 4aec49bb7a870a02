// A text viewed as an array of 2-byte or 8-byte elements.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Element i of s as 16-bit; 0xFFFF when the length is not a multiple of 2 or i is outside.
uint16_t ElementGet16(StrRef s, uint16_t i);
// Writes element i of s (s must be writable, a pool entry); kErrNoCode on the same conditions.
ErrCode ElementSet16(StrRef s, uint16_t i, uint16_t v);
// Element i of s as 64-bit into *out; kErrNoCode when the length is not a multiple of 8 or i is
// outside.
ErrCode ElementGet64(StrRef s, uint16_t i, int64_t* out);

}  // namespace rt
