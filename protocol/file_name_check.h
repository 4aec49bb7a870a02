// The check of file names that arrive from an update server before any of them reaches the disk.
//
// A server list names paths relative to the target folder; a hostile or broken server could name
// "..\..\x.exe", "C:\x", a device such as "NUL" or "COM1", or a name that Windows silently
// changes (trailing dot or blank) so that the file written is not the file checked. Such names are
// refused. Both "/" and "\" separate components here, as the list converts one into the other.
#pragma once

#include "runtime/strref.h"

namespace rt {

// 0 when name is a safe relative path, else kErrBadInput (nothing is reported). Refused: an empty
// name; a name starting with a separator; any ":"; an empty, "." or ".." component; a component
// ending in "." or a blank; a byte below 0x20 or one of < > " | ? *; a component whose part before
// its first "." (trailing blanks dropped) is, ignoring case, a device name: CON, PRN, AUX, NUL,
// COM0-COM9, LPT0-LPT9 (the digits also as the superscripts 1, 2, 3 of Windows-1252), CONIN$ or
// CONOUT$; a component of the program's own patterns (IsOwnPatternName: "~kvjournal.tmp",
// "~kvstage", "~KB..."). An error value gives its own code.
ErrCode CheckFileName(StrRef name);

// True when one component (no separators) is a reserved device name, with or without extension.
bool IsDeviceName(StrRef component);

}  // namespace rt
