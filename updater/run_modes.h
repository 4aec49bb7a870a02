// The run modes: the plain run, the program-path run, the administration menu, the update run
// they share, its completion, the elevated relaunch, the start of the program and the final box.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "updater/folder_sync.h"
#include "updater/run_flags.h"
#include "updater/run_ui.h"

namespace rt {

// The update run: the pair from the update options (empty: 122; an error: its code), a target
// that must exist (else 163 against it), the HTTP update for an "http:" or "https:" source and the
// share or folder update (mask 18) for any other; the status window hidden. Always logs
// "Update Report: <text of the code> CommandLine: <command line>". With application, that line
// of the configuration file is the pair when the options name no target.
SyncResult UpdateRun(RunFlags flags, StrRef host, uint16_t application = 0);


// The administration menu (message 49: "Credenciales", "Configuración", "Preferencias") until the
// user leaves it (a serious error of an item is shown and the menu comes back), then
// "¿Continuar?": yes 0 (the update follows), no 122.
ErrCode AdministrationMenu(RunFlags flags, StrRef host);

// After 131: 141 when already elevated or itself the relaunched copy (reported with the 131's
// detail); else this program again through "runas" with RelaunchParameters, waited for: the
// copy's exit code once it has ended (124 when the shell gave no process to wait on), else the
// launcher's code. The copy shows its own results, so the run shows none after it.
ErrCode ElevatedRelaunch();
// The elevated copy's command line: "/relaunched APSTART:'<working folder>'", then RUN, INPUT,
// OUTPUT, HOST, APNAME and TRACE as given, each "NAME:'value'" (in double quotes when the value
// holds a single quote; 163 when it holds both). A pool entry.
PoolText RelaunchParameters();

// Starts program without waiting, as "\"program\" \"program\"" (its own name as its first argument),
// unless its file name is "none" (any case) or this is the relaunched copy (the run that started
// it starts the program as the user). 164 reported against it when it cannot be started.
ErrCode StartProgram(StrRef program);

// The plain run: the menu first with AdminMode, the update and its completion; 164 opens the
// configuration editor, 163 asks whether to (except in a batch run, where both stay). A batch run
// without OUTPUT and RUN updates every application of the configuration file in turn.
ErrCode PlainRun(RunFlags flags, StrRef host);
// The program-path run: with AdminMode the preferences panel of the program's folder; else the
// update and its completion, 131 the relaunch, a serious result shown (and so cleared to 0) and
// then the program started after 0.
ErrCode ProgramRun(RunFlags flags, StrRef program, StrRef host);

// Runs the mode of plan with the user interface it calls for (a batch run: BatchRunUi, no window;
// otherwise attended, the windows in the program) and shows a final result of 128 or more. The
// result is the process's exit code.
ErrCode RunUpdater(const RunPlan& plan, RunUi& attended);

}  // namespace rt
