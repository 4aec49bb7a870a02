// Process entry of kelvaner.exe: start the run-time, run the updater, shut down with its code.
#include <windows.h>

#include "runtime/shutdown.h"
#include "updater/startup.h"

int main() {
    rt::RunPlan plan{};
    const rt::ErrCode code = rt::StartUp(GetModuleHandleA(nullptr), GetCommandLineA(), &plan);
    // The run modes (plan.mode with plan.flags) join here as the updater grows.
    const rt::ErrCode closed = rt::BasicClose();
    return code ? code : closed;
}
