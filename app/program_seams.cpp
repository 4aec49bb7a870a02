// kelvaner.exe's seams: the run-time reaches the window layer only through what is installed here.
#include "app/program_seams.h"

#include "runtime/assertion.h"
#include "ui/window_layer.h"

namespace rt {

void InstallProgramSeams() {
    SetAssertionSeams({.present = AssertionBox});
}

}  // namespace rt
