// The copy of kelvaner.exe that Windows Installer put on the desktop, as its MSI recorded it.
#pragma once

#include <string>

namespace rt {

// The program's full path that deploy/kelvane.wxs writes to HKLM\Software\Orvik\Kelvane,
// value InstalledProgram; empty when no MSI installed one or the value cannot be read whole.
// Windows Installer owns that file (it repairs it and upgrades it by version), so no update
// replaces it.
std::string InstallerOwnedProgram();

// Replaces the registry for tests; a null field leaves the platform's.
struct InstallerSeams {
    std::string (*ownedProgram)() = nullptr;
};
void SetInstallerSeams(const InstallerSeams& seams);

// The platform's answer (installer_program_win.cpp; none elsewhere).
std::string PlatformInstallerOwnedProgram();

}  // namespace rt
