// The updater's start-up: run-time set-up, command line, identity, trace level, folders, run plan.
#pragma once

#include "runtime/strref.h"
#include "updater/run_flags.h"

namespace rt {

// Identity of this program: a two-character code, a colon and the nick; the window title.
inline constexpr char kAppIdentifier[] = "UP:Kelvane";
inline constexpr char kAppDescription[] = "Kelvaner by Orvik";
// Application folder when neither DPATH nor the program's own folder gives one.
inline constexpr char kFallbackAppFolder[] = "..\\APPS";

// Sets up the run-time (system variables and context), then StartUpSettings. The first failing
// code is returned and the caller ends the run with it (after BasicClose).
ErrCode StartUp(const char* commandLine, RunPlan* plan);
// Every start-up step after the run-time exists:
//  - the catalogue's date message becomes run-time parameter 0 (LoadDateMessage);
//  - the command line becomes run-time parameter 1 (158 when longer than kMaxText);
//  - a non-zero TRACE option becomes _TRACE;
//  - parameter 2 is the APNAME option or kAppIdentifier, parameter 3 kAppDescription;
//  - parameter 5, when empty, is the DPATH option, else the program's own folder, else
//    kFallbackAppFolder; parameter 7, when empty, is "Help" in parameter 5;
//  - *plan receives the flags and mode from DPATH, RUN and MODE.
ErrCode StartUpSettings(const char* commandLine, RunPlan* plan);

// The application's nick: the part of parameter 2 after its colon ("Kelvane"); a view into the
// store, empty when there is no colon.
StrRef AppNick();
// Drive and folder of the program that the command line starts: its first word (quotes
// respected), trimmed and unquoted. "C:\k.exe" gives "C:\", a bare "k.exe" an empty value.
// A piece of the input.
StrRef ProgramFolder(StrRef commandLine);

}  // namespace rt
