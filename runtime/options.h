// Command-line options: the 25 option names, their values and the switch test.
//
// The command line is run-time parameter 1 (SetCommandLine); every routine here reads it there.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Option numbers, 1-based positions in the option list.
enum Option : uint16_t {
    kOptHelp = 1, kOptApName, kOptApStart, kOptDPath, kOptScrWid, kOptScrHig, kOptInput,
    kOptOutput, kOptFile, kOptIndex, kOptDevice, kOptRun, kOptMode, kOptTrace, kOptConfig,
    kOptHost, kOptDatabase, kOptUser, kOptPassw, kOptXPassw, kOptLog, kOptTimeout, kOptSet,
    kOptExclude, kOptDelay,
};
inline constexpr uint16_t kOptionCount = 25;

// Field n of the option list ("?;HELP" for 1); empty for 0 and beyond the list.
StrRef OptionName(uint16_t n);
// n = 0: the command line without its first word (quotes respected), trimmed at the start.
// n >= 1: ParamValue of the command line for the option's name, tried for each ';'-separated form
// of the name. For option 1 only, a form present with an empty value gives "YES". An unknown
// option gives an empty value. The result is always one pool entry (or an error value), never a
// view into the stored command line.
StrRef OptionValue(uint16_t n);
// 1-based position of OptionValue(n) in the comma list, 0 when absent (see OptionIndexOf).
uint16_t OptionIndex(uint16_t n, StrRef list);
// The position of value in the comma list, the value upper-cased first when it starts with a
// lower-case letter and the list with an upper-case one. 0 when absent or an input is invalid.
uint16_t OptionIndexOf(StrRef value, StrRef list);
// True when one of the ';'-separated alternatives (tested last to first) stands in the command
// line as a switch: outside quotes, not at position 0, after one of ": &/-", and followed by a
// blank or the end. Both sides are compared in lower case unless exactCase.
bool SwitchPresent(StrRef alternatives, bool exactCase);
// The same test against any text, for callers holding a command line of their own.
bool SwitchIn(StrRef commandLine, StrRef alternatives, bool exactCase);

}  // namespace rt
