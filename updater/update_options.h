// The source and target of an update run: from the options INPUT, OUTPUT and RUN, from the list
// of known applications, or a default source built from the update server host and the target's
// place below a well-known folder.
#pragma once

#include <cstdint>

#include "net/http_request.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "updater/run_flags.h"

namespace rt {

// The HOST option when given, else kDefaultServerHost. A pool entry or a static text.
PoolText DefaultServerHost();

// The place of folder below the first folder of the environment names (kEnvironmentNames of
// runtime/paths.h, in their order) that holds it, with '/'
// between its parts, both sides compared without the drive and in lower case: the folder
// C:\ProgramData\Shop\App gives "shop/app". A variable that is not set, or that holds only a drive, ends the
// search; nothing found gives "default". A pool entry or a static text.
PoolText EnvironmentRelative(StrRef folder);

// "http://" (or with useSsh "https://") host "/updater/" relative. A pool entry.
PoolText DefaultSource(StrRef host, StrRef relative, bool useSsh);

// The pair for target: the first line of the configuration file whose target is target (any case)
// and whose source is an "http" or "https" address; else the default source for the target (the
// state record read with flags says whether to use SSH), a comma and target. A missing
// configuration file counts as one without such a line. A pool entry.
PoolText OptionsForFolder(StrRef target, RunFlags flags, StrRef host);

// The pair of an update run. The target is OUTPUT, else the folder of RUN; without one the user
// chooses an application of the configuration file (catalogue message 34; a file of one line is
// taken as it is). With a target, INPUT is the source, else OptionsForFolder. With the "confirm"
// switch the user is asked first (message 140 field 1 with the target, message 20 field 2); no
// gives the empty text, as does a cancelled choice. Errors (164 for a missing configuration file)
// come back as error values. Logged as "Kelvane_Options: <result>. source:<INPUT>, target:<target>".
// With application (1-based), that line of the configuration file is taken instead of a choice.
PoolText UpdateOptions(RunFlags flags, StrRef host, uint16_t application = 0);

// The applications of the configuration file that a run without OUTPUT and RUN would choose from:
// their number, 0 when the options name a target or the file is missing or unreadable.
uint16_t ApplicationsToChoose();

// The "confirm" switch of the command line: the target is confirmed when the pair is chosen.
bool ConfirmSwitch();
// Asks whether target may be updated: "Se actualizara la carpeta <target>.", a line break and the
// request to confirm (messages 140 field 1 and 20 field 2). True for yes.
bool ConfirmTarget(StrRef target);

}  // namespace rt
