// The version text, the only source compiled with it, so no other file changes with the version.
#include "updater/version.h"

namespace rt {

const char kUpdaterVersion[] = KELVANE_VERSION;

}  // namespace rt
