// Process entry of kelvaner.exe: wire the seams, start the run-time, run the updater, shut down.
#include <windows.h>

#include "app/program_seams.h"
#include "runtime/shutdown.h"
#include "ui/window_layer.h"
#include "updater/desktop_report.h"
#include "updater/run_modes.h"
#include "updater/run_ui.h"
#include "updater/startup.h"

int main() {
    rt::InstallProgramSeams();
    rt::RunPlan plan{};
    rt::ErrCode code = rt::StartUp(GetModuleHandleA(nullptr), GetCommandLineA(), &plan);
    if (code == 0) {
        code = rt::RunUpdater(plan, rt::WindowRunUi());
        // The next run tells the update server how this one ended.
        rt::RememberExitCode(code);
    }
    rt::WindowLayerClose();
    const rt::ErrCode closed = rt::BasicClose();
    return code ? code : closed;
}
