// Reading a credentials file as data: its user and password assignments are taken, nothing in it
// is run, so a planted or forged file can at worst hold a wrong password.
#pragma once

#include "runtime/strref.h"

namespace rt {

// Loads the assignments USER$='...' and PASSW$='...' (and "<server>_USER$", "<server>_PASSW$",
// a server named by letters and digits) of the credentials file (resolved as ScriptFilePath does)
// into the variables: a value in single or double quotes, statements separated by ';' or line
// breaks, as the credentials form saves them. Any other statement is refused with a log line and
// not run. A missing or empty file gives 0; a file that cannot be read gives its code.
ErrCode LoadCredentialsFile(StrRef file);

}  // namespace rt
