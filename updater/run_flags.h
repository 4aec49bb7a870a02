// The run flags that steer an update run, and the choice of run mode from DPATH, RUN and MODE.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

using RunFlags = uint16_t;

// Bits of RunFlags.
struct RunFlag {
    static constexpr RunFlags Apply = 0x001;           // transfer files; without it a run stops after its checks
    static constexpr RunFlags AskServer = 0x002;       // ask the server whether anything changed first
    static constexpr RunFlags Confirm = 0x004;         // ask the user before the target is touched
    static constexpr RunFlags OverwriteNewer = 0x008;  // also replace target files newer than the source
    static constexpr RunFlags ProgramGiven = 0x100;    // DPATH or RUN named a program
    static constexpr RunFlags AdminMode = 0x200;       // MODE:ADMIN asked for the configuration forms
    static constexpr RunFlags Relaunched = 0x400;      // the elevated copy a relaunch started: the run that
                                                       // started it made the checks and starts the program
};

// The four ways a run can go.
enum class RunMode : uint8_t {
    Plain,        // update from the configured source, no program to start
    AdminMenu,    // the administration menu first, then the plain update
    Program,      // update for a program path (DPATH with checks, or RUN) and restart it
    Preferences,  // the preferences panel of the RUN program's folder
    Finish,       // a new updater started from where it was staged puts itself in place
};

struct RunPlan {
    RunFlags flags;          // the flags the mode runs with
    RunMode mode;
    uint16_t programOption;  // option holding the program path (kOptDPath or kOptRun), 0 for none
    ErrCode code;            // non-zero when an option could not be read
    bool batch = false;      // MODE:BATCH: no window at all
};

// The run modes the MODE option may name: ADMIN asks for the administration forms, BATCH runs
// without any window; PRNTOFILE has no effect; FINISH is the updater's own, for a new updater
// started from where it was staged (no window, no update).
inline constexpr char kRunModeNames[] = "ADMIN,BATCH,PRNTOFILE,FINISH";

// True when mode names ADMIN (the first of kRunModeNames, by the rules of OptionIndexOf).
bool IsAdminModeValue(StrRef mode);
// True when mode names BATCH (the second).
bool IsBatchModeValue(StrRef mode);
// Flags and mode from the option values. DPATH wins over RUN and ignores MODE: 0x106, Program.
// RUN: 0x101, plus AdminMode with MODE ADMIN (then Preferences). Neither: a plain run with Apply
// and OverwriteNewer (9), plus AdminMode with MODE ADMIN (then AdminMenu). MODE BATCH sets batch
// in every mode. Error values count as empty.
RunPlan PlanRun(StrRef dpath, StrRef run, StrRef mode);
// PlanRun from the options DPATH, RUN and MODE of the stored command line, plus Relaunched when
// the command line holds the relaunch's switch.
RunPlan PlanRunFromOptions();
// True when the stored command line holds the switch the elevated relaunch adds (kRelaunchedSwitch).
bool RelaunchedCopy();

}  // namespace rt
