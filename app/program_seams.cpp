// kelvaner.exe's seams: the run-time reaches the window layer only through what is installed here.
#include "app/program_seams.h"

#include "net/http_client.h"
#include "runtime/assertion.h"
#include "updater/run_ui.h"

namespace rt {

void InstallProgramSeams() {
    SetAssertionSeams({.present = PresentAssertion});
    // Every piece of a download pumps the windows and reads the cancel flag.
    SetHttpSeams({.received = KeepWindowsAlive});
}

}  // namespace rt
