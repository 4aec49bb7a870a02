// The updater's start-up: run-time set-up, command line, identity, trace level, folders, run plan.
#pragma once

#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "updater/run_flags.h"

namespace rt {

// Identity of this program: a two-character code, a colon and the nick; the window title.
inline constexpr char kAppIdentifier[] = "UP:Kelvane";
inline constexpr char kAppDescription[] = "Kelvaner by Orvik";
// Application folder when neither DPATH nor the program's own folder gives one.
inline constexpr char kFallbackAppFolder[] = "..\\APPS";

// The font the updater's windows are drawn and sized in: 16 by 9 pixels, plain, Lucida Console.
struct StartupFont {
    int height, width, attrs, face;
};
inline constexpr StartupFont kStartupFont{16, 9, 0, 2};

// Pushes kStartupFont, then starts the window layer with the run-time's set-up (system variables
// and context) and the command line, then StartUpSettings. The first failing code is returned and
// the caller ends the run with it (after BasicClose).
ErrCode StartUp(void* instance, const char* commandLine, RunPlan* plan);
// Every start-up step after the run-time and its command line exist:
//  - the catalogue's date message becomes run-time parameter 0 (LoadDateMessage);
//  - a non-zero TRACE option becomes _TRACE;
//  - parameter 2 is the APNAME option or kAppIdentifier, parameter 3 kAppDescription;
//  - parameter 5, when empty, is the DPATH option, else the program's own folder
//    (APPPATH_RUNPATH), else kFallbackAppFolder; parameter 7, when empty, is APPPATH_HELP;
//  - *plan receives the flags and mode from DPATH, RUN and MODE.
ErrCode StartUpSettings(RunPlan* plan);

// The application's nick: the part of parameter 2 after its colon ("Kelvane"); a view into the
// store, empty when there is no colon.
PoolText AppNick();

}  // namespace rt
