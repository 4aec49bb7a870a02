// The context slot table, context initialisation and the cancel flag.
#include "runtime/context.h"

#include <cstdlib>
#include <cstring>

#include "runtime/block_table.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/thread_id.h"
#include "runtime/typed_arrays.h"

namespace rt {

RuntimeConfig gRuntimeConfig;

namespace {

RunContext gContexts[kContextSlots];
bool gPerThread = false;
uint64_t gThreadIds[kContextSlots];
bool gThreadUsed[kContextSlots];

int SlotOfCallingThread() {
    if (!gPerThread) return 0;
    uint64_t id = CurrentThreadId();
    for (int i = 0; i < kContextSlots; ++i)
        if (gThreadUsed[i] && gThreadIds[i] == id) return i;
    return -1;
}

// Undoes a partial initialisation so that a later ContextInit starts clean.
void AbandonContext(RunContext& ctx) {
    BlockFreeAll(true);
    ctx = RunContext{};
}

}  // namespace

RunContext& CurrentContext() {
    int slot = SlotOfCallingThread();
    if (slot < 0) std::_Exit(kErrDataOutBound);
    return gContexts[slot];
}

RunContext* CurrentContextChecked(ErrCode* err) {
    int slot = SlotOfCallingThread();
    if (slot < 0) {
        if (err) *err = kErrInternal;
        return nullptr;
    }
    if (err) *err = 0;
    return &gContexts[slot];
}

void SetPerThreadMode(bool on) { gPerThread = on; }

ErrCode RegisterThread() {
    uint64_t id = CurrentThreadId();
    for (int i = 0; i < kContextSlots; ++i)
        if (gThreadUsed[i] && gThreadIds[i] == id) return 0;
    for (int i = 0; i < kContextSlots; ++i) {
        if (!gThreadUsed[i]) {
            gThreadUsed[i] = true;
            gThreadIds[i] = id;
            return 0;
        }
    }
    return kErrInternal;
}

bool ContextReady() { return CurrentContext().blockCap != 0; }

ErrCode ContextInit() {
    RunContext& ctx = CurrentContext();
    if (ctx.blockCap != 0) return kErrUndefWarning;
    uint16_t growth = gRuntimeConfig.blockGrowth ? gRuntimeConfig.blockGrowth : 64;
    ctx.blocks = static_cast<BlockEntry*>(std::calloc(growth, sizeof(BlockEntry)));
    if (!ctx.blocks) return kErrOutOfMemory;
    ctx.blockCap = growth;
    ctx.blocksInUse = 0;

    if (PoolInit(gRuntimeConfig.poolSize) != 0) {
        AbandonContext(ctx);
        return kErrOutOfMemory;
    }
    if (StoreInit(ctx.store.initGroups, ctx.store.initStrings, ctx.store.initBytes) != 0) {
        AbandonContext(ctx);
        return kErrOutOfMemory;
    }
    if (ArraysInit(kInitialArrays) != 0) {
        AbandonContext(ctx);
        return kErrStructMem;
    }
    return 0;
}

int CancelFlag(int value) {
    uint8_t& flag = CurrentContext().cancel;
    if (value == 0 || value == 1) {
        flag = static_cast<uint8_t>(value);
        return value;
    }
    if (value == 'z') return flag ? kErrUserCanceled : 0;
    return flag;
}

}  // namespace rt
