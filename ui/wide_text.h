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

}  // namespace rt
