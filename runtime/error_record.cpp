// The first serious error of a run, recorded per context with the module where it arose.
#include "runtime/error_record.h"

#include "runtime/context.h"

namespace rt {

void RecordError(ErrCode code, uint32_t module) {
    RunContext& ctx = CurrentContext();
    if (code == 0 && module == 0) {
        ctx.lastError = 0;
        ctx.lastModule = 0;
        return;
    }
    if (ctx.lastError != 0 || code < kFirstSerious) return;
    ctx.lastError = code;
    if (ctx.lastModule == 0) ctx.lastModule = module;
}

ErrorRecord LastError() {
    const RunContext& ctx = CurrentContext();
    return ErrorRecord{ctx.lastError, ctx.lastModule};
}

}  // namespace rt
