// The process-wide table of host callback slots.
#include "runtime/host_hooks.h"

namespace rt {

namespace {
HookFn gHooks[kHookSlots] = {};
}

uint8_t HookSet(int i, HookFn fn) {
    if (i < 0 || i >= kHookSlots) return 255;
    gHooks[i] = fn;
    return 0;
}

HookFn HookGet(int i) {
    if (i < 0 || i >= kHookSlots) return nullptr;
    return gHooks[i];
}

}  // namespace rt
