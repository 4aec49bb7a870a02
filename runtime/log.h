// The run-time's log: one line per event appended to a text file in the working folder.
//
// Callers ask LogEnabled first, so that nothing is built when the event is not wanted; Log itself
// always writes. The file is opened, appended to and closed for every line, and never truncated.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Category of the run-time's and the updater's events.
inline constexpr uint16_t kLogRuntime = 32;
// Category of language-resource lookups.
inline constexpr uint16_t kLogResources = 16;

// Whether an event is logged under _TRACE: never when _TRACE is 0; a code of kCompletion or more
// when bit 0 is set; otherwise when the other bits of _TRACE share a bit with category.
bool LogEnabled(ErrCode code, uint16_t category);
// The log file's name: item 10 of group 9 when set, else "%slog.txt" with the first two
// characters of the application code (field 1 of run-time parameter 2 split at ':'),
// "UPlog.txt" for "UP:Kelvane". A pool text.
StrRef LogFileName();
// "%slog.txt" with the first two characters of the application code of identifier ("UP:Kelvane"
// gives "UPlog.txt"), whatever this run is called. A pool text.
StrRef LogFileNameFor(StrRef identifier);
// The line for a message, without line end: "Dec 06 14:03:22 " and run-time parameter 13, the
// program tag (last ':' field of parameter 2, "?" when empty), parameter 15 ("none" when empty)
// and the message, joined by single blanks. A message that is an error value shows as "Error #n";
// trailing CR and LF of a message are dropped. A message too long for one line is cut. A pool text.
StrRef LogLine(StrRef message);
// Appends text (an error value as "Error #n") and CR LF to file. False for an empty or invalid
// file name and when the write fails; nothing is recorded in the run-time's error record.
bool AppendLine(StrRef file, StrRef text);
// AppendLine(LogFileName(), LogLine(message)); always 0, whatever the write did.
ErrCode Log(StrRef message);

}  // namespace rt
