// The one place where kelvaner.exe connects the run-time's seams to the layers above it.
#pragma once

namespace rt {

// Installs what the program shows and asks through windows: the assertion report as a box, and
// the download watcher that keeps the windows alive and stops a cancelled transfer.
void InstallProgramSeams();

}  // namespace rt
