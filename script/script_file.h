// Statement files: running a file of statements and resolving script file names.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Runs a statement file (';' or ',' separated), resolved against the documents path; with a
// prefix, "prefix." outside quotes becomes the default qualifier. A missing or empty file gives
// kErrFileNotFound when mustExist, else 0.
ErrCode RunScriptFile(StrRef name, bool mustExist, StrRef prefix);
// A script or saved-variables file name: references expanded, '/' as '\', resolved against the
// documents path (item 5 of group 0). One pool entry.
StrRef ScriptFilePath(StrRef name);
// The qualifier text RunScriptFile puts in place of "prefix." (empty by default; at most 64 bytes).
void SetScriptQualifier(StrRef qualifier);

}  // namespace rt
