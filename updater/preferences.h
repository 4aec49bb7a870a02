// The preferences panel: the local state record of one application shown in a form and written
// back when changed, with "check now" running an update at once.
#pragma once

#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "updater/run_flags.h"

namespace rt {

// The form definition of the panel for record (seven fields) and flags: catalogue message 135's
// form part filled with fields 1 to 6, without the fields the file does not keep (7 and 1 without
// ProgramGiven, 2 with it). A pool entry.
PoolText PreferencesForm(RunFlags flags, StrRef record);

// The record an accepted panel leaves: values (the shown fields, quoted, comma-separated) put
// back in their places of record; "check now" (with ProgramGiven the last value) is not kept. A
// pool entry. A value holding a comma or a quote is kept quoted.
PoolText PreferencesRecord(RunFlags flags, StrRef record, StrRef values);

// Shows the panel titled with message 135's title part. An accepted panel whose record differs
// from the file's is written ("kelvane.dat", in one step). With ProgramGiven and "check now"
// answered yes, the HTTP update runs for pair (source, target) with flags and its completion is
// shown; a result below 128 then counts as 0. 122 when the panel is left without accepting.
ErrCode PreferencesPanel(RunFlags flags, StrRef pair);

}  // namespace rt
