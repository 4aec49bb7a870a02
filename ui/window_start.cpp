// The start of the window layer: program instance, run-time set-up and the stored command line.
#include "ui/window_start.h"

#include "runtime/params.h"

namespace rt {

namespace {

void* gInstance = nullptr;

}  // namespace

void* ProgramInstance() { return gInstance; }

ErrCode WindowLayerStart(void* instance, const char* commandLine, ErrCode (*startStep)()) {
    gInstance = instance;
    ErrCode code = 0;
    if (startStep) code = startStep();
    // The command line waits for the step: the run-time it goes into does not exist before.
    if (!code && commandLine) code = SetCommandLine(commandLine);
    return code;
}

}  // namespace rt
