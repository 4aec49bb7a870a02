// Starting other programs: the elevation check, elevated starts through the shell, and spawn.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kSpawnMaxWords = 16;
// Spawn flags.
inline constexpr uint16_t kSpawnStatus = 2;  // wait and return the exit status (-1 gives kErrUndefWarning)
inline constexpr uint16_t kSpawnWait = 4;    // wait and return the exit status

// A command text cut into the program and its arguments.
struct SpawnCommand {
    StrRef program;                   // without enclosing quotes; upper-cased when it had none
    StrRef args[kSpawnMaxWords - 1];  // further words as written (quotes kept), without blanks
    uint16_t argCount;
    ErrCode err;                      // 0, or the error of the text or the pool
};
// Splits a command text at blanks outside double quotes into at most 16 words, runs of blanks
// counting as one. A quoted word keeps its blanks, so a program under "C:\Program Files" stays
// one word. Pool texts.
SpawnCommand SplitCommand(StrRef command);

// The first word of a command text (blanks in double quotes kept), without enclosing quotes. A
// piece of the input.
StrRef FirstWord(StrRef text);

// ErrCode of an errno value: 2 -> 2102, 7 -> 2100, 8 -> 2103, 12 -> 2104, 22 -> 2101; 0 for
// others, which SystemErrorCode reports as "SysError #<n>".
ErrCode ErrnoCode(int err);
// The ErrCode of err, reported: a mapped code, else the report of "SysError #<err>".
ErrCode SystemErrorCode(int err);

// True when the process token is elevated; false on any failure.
bool IsElevated();
// Starts program through the shell with verb (parameters only when not empty): 0 when the shell
// took the request, 0xFFFF otherwise. With exitCode, waits until the started process ends and
// puts its exit code there (kExitUnknown when the shell gave no process to wait on).
inline constexpr uint32_t kExitUnknown = 0xFFFFFFFFu;
ErrCode ShellStart(StrRef program, StrRef parameters, StrRef verb, uint32_t* exitCode = nullptr);
// Checks that a file exists: 0 when it does, an ErrCode when not.
using ExistenceCheck = ErrCode (*)(StrRef path);
// ShellStart with "runas" (waiting with exitCode). On failure: 0xFFFF without a check; with one,
// kErrFileNotFound when the first word of program is not there, kErrPermission when it is
// (elevation refused).
ErrCode RunElevated(StrRef program, StrRef parameters, ExistenceCheck exists, uint32_t* exitCode = nullptr);
// Starts the program of a command text (SplitCommand) with the further words as its argument
// list, the first of them being the name the program sees as its own (a single blank when there
// is none). Flag 4 (or 2) waits and returns the exit status in 16 bits; otherwise the program is
// started and 0 returned. A start that fails reports the errno's code and gives 0xFFFF.
uint16_t Spawn(StrRef command, uint16_t flags);

// The operating system behind the calls above; tests replace members, null members are the real
// operating system.
struct LaunchSeams {
    bool (*isElevated)() = nullptr;
    // Returns the shell's result (> 32 accepted); with exitCode, once the started process ended,
    // its exit code (kExitUnknown without a process).
    intptr_t (*shellExecute)(const char* verb, const char* program, const char* parameters, uint32_t* exitCode) = nullptr;
    // argv is the argument list the program receives (its own name first, as the command text
    // gave it) and ends with a null; returns the exit status (wait) or 0 (started), or -1 with
    // *err set.
    intptr_t (*spawn)(bool wait, const char* program, const char* const* argv, int* err) = nullptr;
};
void SetLaunchSeams(const LaunchSeams& seams);

// The real operating system (launch_win.cpp / launch_posix.cpp).
bool OsIsElevated();
intptr_t OsShellExecute(const char* verb, const char* program, const char* parameters, uint32_t* exitCode);
intptr_t OsSpawn(bool wait, const char* program, const char* const* argv, int* err);

}  // namespace rt
