// Without Windows Installer no copy of the updater is owned by it.
#include "runtime/installer_program.h"

namespace rt {

std::string PlatformInstallerOwnedProgram() { return {}; }

}  // namespace rt
