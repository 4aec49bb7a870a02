// Windows-1252 texts to and from the UTF-16 the wide Win32 calls take, whatever the code page of the
// process: the catalogue's Spanish texts must read right on any desktop.
#pragma once

#include <string>

#include "runtime/strref.h"

namespace rt {

inline constexpr unsigned kTextCodePage = 1252;

// UTF-16 of a Windows-1252 text; an error value gives the empty text.
std::wstring Wide(StrRef text);
std::wstring Wide(const char* text);
// Windows-1252 bytes of a UTF-16 text (characters beyond the code page as '?').
std::string Narrow(const wchar_t* text);
// The Windows-1252 bytes of len UTF-16 units into *out; false (and *out unspecified) when a
// character has no byte of its own there, so that a text a person typed is never changed on its
// way out of a control.
bool NarrowExact(const wchar_t* text, size_t len, std::string* out);

}  // namespace rt
