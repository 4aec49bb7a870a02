// Fuzz target: random statement texts through the evaluator, in one long-lived context.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "script/expr_eval.h"

namespace {

bool Ready() {
    static bool ready = rt::SystemVarsInit() == 0;
    return ready;
}

// Waits are a feature of the language (TIME$ with flag 64), not a hang: leave them out.
bool AsksToWait(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 4 <= size; ++i) {
        if ((data[i] | 0x20) == 't' && (data[i + 1] | 0x20) == 'i' && (data[i + 2] | 0x20) == 'm' &&
            (data[i + 3] | 0x20) == 'e')
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!Ready() || size > rt::kMaxText || AsksToWait(data, size)) return 0;
    uint16_t mark = rt::PoolMark();
    rt::Evaluate(rt::StrRef{reinterpret_cast<const char*>(data), static_cast<uint16_t>(size)});
    // Whatever it did, the evaluator leaves at most its result above the mark.
    if (rt::PoolMark() > mark + 1) __builtin_trap();
    rt::PoolRelease(mark);
    return 0;
}
