// Values and views for test comparisons: a StrRef as std::string, and StrRef views of C and C++ texts.
#pragma once

#include <string>

#include "runtime/errcode.h"
#include "runtime/strref.h"

namespace rt_test {

// A value as text for comparisons; an error value reads "<err N>".
inline std::string Str(rt::StrRef s) {
    return s.ok() ? std::string(s.ptr, s.len) : "<err " + std::to_string(rt::StrError(s)) + ">";
}
// The text Str gives for an error value of code.
inline std::string Err(rt::ErrCode code) { return "<err " + std::to_string(code) + ">"; }

// A view of a NUL-terminated text (a null pointer gives the run-time's error value).
inline rt::StrRef T(const char* c) { return rt::StrFromLiteral(c); }
// A view of a std::string, which must outlive the view; NUL bytes count.
inline rt::StrRef V(const std::string& s) { return rt::StrMake(s.data(), static_cast<uint16_t>(s.size())); }

// Whether piece lies wholly inside whole (a view into it, not a copy).
inline bool Inside(rt::StrRef piece, rt::StrRef whole) {
    return piece.ok() && piece.ptr >= whole.ptr && piece.ptr + piece.len <= whole.ptr + whole.len;
}

}  // namespace rt_test
