// The MSI's record of its copy of kelvaner.exe, read from the machine's registry (an x64 program
// reads the 64-bit view, where the x64 MSI writes it).
#include <windows.h>

#include "runtime/installer_program.h"

namespace rt {

std::string PlatformInstallerOwnedProgram() {
    // Longer than any path the updater handles: a value that does not fit is not taken.
    char path[1024];
    DWORD size = sizeof path;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Orvik\\Kelvane", "InstalledProgram",
                     RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        return {};
    return path;
}

}  // namespace rt
