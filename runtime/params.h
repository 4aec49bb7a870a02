// Run-time parameters (string-store group 0), key-and-value parameter texts and %NAME% expansion.
//
// Parameter texts are entries "KEY:value" or "KEY=value" separated by ": &/" (see ParamFind).
// The command line is one of them and arrives from outside the program, so every routine here
// treats its text as hostile: bounded searches, no reads past the length, error values instead
// of guesses.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Items of group 0 that the run-time and the updater use.
inline constexpr uint16_t kParamDateMessage = 0;  // answer letters and words, month names, date templates
inline constexpr uint16_t kParamCommandLine = 1;
inline constexpr uint16_t kParamAppName = 2;      // "UP:Kelvane": two-character code, colon, name
inline constexpr uint16_t kParamAppDescrip = 3;
inline constexpr uint16_t kParamSafetyLists = 4;  // readable folders, NUL, writable folders
inline constexpr uint16_t kParamAppFolder = 5;
inline constexpr uint16_t kParamDocsFolder = 6;
inline constexpr uint16_t kParamHelpFolder = 7;
inline constexpr uint16_t kParamDatabase = 11;    // host, database, user, password
inline constexpr uint16_t kParamLogPrefix = 13;
inline constexpr uint16_t kParamLogThird = 15;

// Item k of group 0 as a view into the store, valid until the store next changes; an item that
// was never set reads as empty.
StrRef RunParam(uint16_t item);
// Stores value as item k of group 0. An error value is refused with its own code.
ErrCode SetRunParam(uint16_t item, StrRef value);
// Loads the date message of the catalogue in use (message 19, a language resource's when one is
// loaded) into item 0. Until it is loaded, dates show English month names and yes/no answers take
// N and Y, whatever the language.
ErrCode LoadDateMessage();
// Stores the process command line as item 1. Every quote-blank-blank-quote is first reduced to
// quote-blank-quote (what shell links produce between quoted arguments). A line longer than
// kMaxText cannot be held by a text value and gives kErrBadCommandLine (recorded), storing nothing.
ErrCode SetCommandLine(const char* line);

// Flags shared by the parameter lookups.
inline constexpr uint16_t kParamUnquote = 0x001;    // Unquote the value
inline constexpr uint16_t kParamTrim = 0x002;       // with kParamUnquote: TrimUnquote
inline constexpr uint16_t kParamNulMode = 0x004;    // entries separated by NUL characters
inline constexpr uint16_t kParamQuotedSeps = 0x008; // a quoted value ends only after its quote
inline constexpr uint16_t kParamColonOnly = 0x010;  // any of 0x10..0x30: only ':' separates
inline constexpr uint16_t kParamBlankOnly = 0x040;  // only ' ' separates
inline constexpr uint16_t kParamRequired = 0x080;   // a missing key gives kErrOutOfData, not empty
inline constexpr uint16_t kParamFlipCase = 0x100;   // retry with Case(key, 0)
inline constexpr uint16_t kParamDash = 0x200;       // '-' separates as well

struct ParamSpan {
    uint16_t pos;  // offset of the value; kNpos when the key is absent
    uint16_t len;
};

// Where the value of key lies in text. The key must start the text or follow a separator (a NUL
// in NUL mode) and be followed by ':' or, when no such entry exists, by '='. The value runs to the
// first separator outside quotes (the next NUL in NUL mode) or to the end. Invalid inputs and
// a missing key give kNpos.
ParamSpan ParamFind(StrRef text, StrRef key, uint16_t flags);
// The value of key: the raw piece, Unquote of it (flag 1, a piece too) or TrimUnquote of it
// (flags 1 and 2, one pool entry). Absent: empty, or kErrOutOfData with kParamRequired.
StrRef ParamGet(StrRef text, StrRef key, uint16_t flags);
// ParamGet; when the key is absent and kParamFlipCase is set, once more with Case(key, 0).
StrRef ParamGetRetry(StrRef text, StrRef key, uint16_t flags);
// The usual lookup: trimmed and unquoted; when that is empty, once more with the key in flipped
// case, trimmed only for a key starting above 'Z' and otherwise just unquoted.
StrRef ParamValue(StrRef text, StrRef key);
// 0 with the value as the newest pool entry (unquoted, or raw when key holds '%'), or the error
// with nothing left in the pool.
ErrCode ParamCopy(StrRef text, StrRef key);

// Replaces each %NAME% of text, first pair to last, by the run-time parameter it names (names of
// neither reference list become empty). Text without pairs comes back as it is; otherwise one
// pool entry. Values that bring back their own reference stop after kMaxExpandRounds rounds with
// the text as it then stands; a result beyond kMaxText is error kErrOutOfMemory.
StrRef ExpandParams(StrRef text);
inline constexpr uint16_t kMaxExpandRounds = 1024;
// The value a %NAME% reference stands for; empty for an unknown name. May be a view into the
// store or a pool entry.
StrRef ParamReference(StrRef name);

}  // namespace rt
