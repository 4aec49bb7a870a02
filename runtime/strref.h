// The run-time's text value: a pointer with a 16-bit length, whose null pointer carries an error code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/errcode.h"

namespace rt {

// Longest text a routine builds in one piece; longer results fail with kErrOutOfMemory.
inline constexpr uint16_t kMaxText = 32764;
// "Not found" position and "to the end" count.
inline constexpr uint16_t kNpos = 0xFFFF;

// A text value passed by value. A null pointer is an error value whose length field holds the
// ErrCode (0 there counts as kErrNoCode); a non-null pointer with length 0 is the valid empty text.
// Texts are 8-bit Windows-1252 and need no terminator.
struct StrRef {
    const char* ptr = nullptr;
    uint16_t len = 0;

    bool ok() const { return ptr != nullptr; }
    const char* begin() const { return ptr; }
    const char* end() const { return ptr + (ptr ? len : 0); }
    unsigned char at(uint16_t i) const { return static_cast<unsigned char>(ptr[i]); }
};

// Wraps a pointer and length without copying.
inline StrRef StrMake(const char* p, uint16_t n) { return StrRef{p, n}; }
// The error value carrying `code`.
inline StrRef StrErr(ErrCode code) { return StrRef{nullptr, code}; }
// The valid empty text.
inline StrRef StrEmpty() { return StrRef{"", 0}; }

// 0 for a valid value, else its ErrCode (kErrNoCode when the length field is 0).
inline ErrCode StrError(StrRef s) {
    if (s.ptr) return 0;
    return s.len ? s.len : 0xFFFF;
}

// Wraps a NUL-terminated text; a null text gives error kErrBadInput. The length is cut to 16 bits.
StrRef StrFromLiteral(const char* c);

// Writable view of a text that the caller owns (a pool entry it just made).
inline char* MutPtr(StrRef s) { return const_cast<char*>(s.ptr); }

// Byte-wise equality of two valid values; false when either is an error value.
bool StrEq(StrRef a, StrRef b);
bool StrEq(StrRef a, const char* lit);

}  // namespace rt
