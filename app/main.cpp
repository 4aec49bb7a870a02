// Process entry of kelvaner.exe: start the run-time, run the updater, shut down with its code.
#include "runtime/context.h"
#include "runtime/shutdown.h"

int main() {
    rt::ErrCode code = rt::ContextInit();
    if (code) return code;
    return rt::BasicClose();
}
