// BasicClose: release everything a context owns and report what could not be released.
#include "runtime/shutdown.h"

#include <cstdio>
#include <cstring>

#include "runtime/assertion.h"
#include "runtime/block_table.h"
#include "runtime/context.h"
#include "runtime/errors.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"

namespace rt {

namespace {

constexpr size_t kReportSize = 64;

[[noreturn]] void Report(StrRef what) {
    char text[kReportSize];
    static const char kPrefix[] = "BasicClose Func: ";
    size_t used = sizeof kPrefix - 1;
    std::memcpy(text, kPrefix, used);
    // The whole report, prefix included, stays within the 64-byte buffer.
    size_t n = what.ok() ? what.len : 0;
    if (n > 63) n = 63;
    if (n > kReportSize - 1 - used) n = kReportSize - 1 - used;
    if (n) std::memcpy(text + used, what.ptr, n);
    text[used + n] = '\0';
    AssertionFail(text);
}

}  // namespace

ErrCode BasicClose() {
    RunContext& ctx = CurrentContext();
    if (ctx.blockCap == 0) return 0;
    ErrCode err = ArrayVarsRelease();
    if (!err) err = ArrayFreeAll();
    if (err) Report(ErrorString(err, ErrorDetail()));

    for (;;) {
        uint16_t tag = BlockFreeAll(false);
        if (tag == 0) break;
        ErrCode step = 0;
        if (tag == kTagStore) {
            step = StoreFree();
        } else if (tag == kTagPool) {
            step = PoolFree();
        } else {
            // Blocks of other owners that were not given back: forcing them out ends the loop.
            BlockFreeAll(true);
            break;
        }
        if (step) {
            // The name comes from static tables; keep it before the pool goes with the rest.
            char name[kReportSize] = {};
            StrRef module = ModuleName(tag);
            size_t n = module.ok() ? (module.len < kReportSize - 1 ? module.len : kReportSize - 1) : 0;
            if (n) std::memcpy(name, module.ptr, n);
            BlockFreeAll(true);
            ctx = RunContext{};
            Report(StrRef{name, static_cast<uint16_t>(n)});
        }
    }
    ctx = RunContext{};
    return 0;
}

}  // namespace rt
