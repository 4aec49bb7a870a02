// The installer seam: the registry's answer unless a test supplies its own.
#include "runtime/installer_program.h"

namespace rt {

namespace {

InstallerSeams gSeams;

}  // namespace

void SetInstallerSeams(const InstallerSeams& seams) { gSeams = seams; }

std::string InstallerOwnedProgram() {
    return gSeams.ownedProgram ? gSeams.ownedProgram() : PlatformInstallerOwnedProgram();
}

}  // namespace rt
