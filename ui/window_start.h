// The start of the window layer: the one place that stores the process command line and runs the
// run-time's set-up before any window exists.
#pragma once

#include "runtime/errcode.h"

namespace rt {

// The program instance every window class and window is made with (null before the start, and in
// programs without windows).
void* ProgramInstance();

// Keeps instance; runs startStep when one is given (the updater gives the system-variable set-up,
// which initialises the run-time context); then, when commandLine is given, turns every
// quote-blank-blank-quote into quote-blank-quote and stores the text as the run-time's command
// line. The result is that of the last step performed (kErrBadCommandLine for a command line over
// 32764 bytes).
ErrCode WindowLayerStart(void* instance, const char* commandLine, ErrCode (*startStep)());

}  // namespace rt
