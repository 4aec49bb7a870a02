// Process entry of kelvaner.exe: wire the seams, start the run-time, run the updater, shut down.
#include <windows.h>

#include "app/program_seams.h"
#include "runtime/shutdown.h"
#include "ui/window_layer.h"
#include "updater/startup.h"

int main() {
    rt::InstallProgramSeams();
    rt::RunPlan plan{};
    const rt::ErrCode code = rt::StartUp(GetModuleHandleA(nullptr), GetCommandLineA(), &plan);
    // The run modes (plan.mode with plan.flags) join here as the updater grows.
    rt::WindowLayerClose();
    const rt::ErrCode closed = rt::BasicClose();
    return code ? code : closed;
}
