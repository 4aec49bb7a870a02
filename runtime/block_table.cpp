// The tracked-allocation table of a context: tags, sizes and guard bytes behind every block.
#include "runtime/block_table.h"

#include <cstdlib>
#include <cstring>

namespace rt {

namespace {

bool GrowTable(RunContext& ctx) {
    uint32_t step = gRuntimeConfig.blockGrowth ? gRuntimeConfig.blockGrowth : 64;
    uint32_t cap = ctx.blockCap + step;
    if (cap > 0xFFFE) return false;  // 0xFFFF is the "no block" handle
    auto* grown = static_cast<BlockEntry*>(std::calloc(cap, sizeof(BlockEntry)));
    if (!grown) return false;
    std::memcpy(grown, ctx.blocks, ctx.blockCap * sizeof(BlockEntry));
    std::free(ctx.blocks);
    ctx.blocks = grown;
    ctx.blockCap = static_cast<uint16_t>(cap);
    return true;
}

}  // namespace

bool BlockGuardIntact(const BlockEntry& entry) {
    return entry.ptr && std::memcmp(static_cast<const char*>(entry.ptr) + entry.size, kGuard, 4) == 0;
}

uint16_t BlockAlloc(uint16_t tag, uint32_t size, uint8_t fill) {
    RunContext& ctx = CurrentContext();
    if (ctx.blockCap == 0) return kNoBlock;  // no table before ContextInit
    uint16_t slot = kNoBlock;
    for (uint16_t i = 0; i < ctx.blockCap; ++i) {
        if (!ctx.blocks[i].ptr) {
            slot = i;
            break;
        }
    }
    if (slot == kNoBlock) {
        slot = ctx.blockCap;
        if (!GrowTable(ctx)) return kNoBlock;
    }
    if (size > 0xFFFFFFFFu - 4) return kNoBlock;
    auto* mem = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 4));
    if (!mem) return kNoBlock;
    if (fill != kNoFill) std::memset(mem, fill, size);
    std::memcpy(mem + size, kGuard, 4);
    ctx.blocks[slot] = BlockEntry{tag, size, mem};
    ++ctx.blocksInUse;
    return slot;
}

void* BlockAllocPtr(uint16_t tag, uint32_t size) {
    uint16_t h = BlockAlloc(tag, size, 0);
    if (h == kNoBlock) return nullptr;
    return CurrentContext().blocks[h].ptr;
}

BlockEntry* BlockLock(uint16_t handle, ErrCode* err) {
    RunContext& ctx = CurrentContext();
    if (handle >= ctx.blockCap) {
        if (err) *err = kErrBadInput;
        return nullptr;
    }
    if (err) *err = 0;
    return &ctx.blocks[handle];
}

ErrCode BlockFree(uint16_t tag, void* ptr) {
    RunContext& ctx = CurrentContext();
    if (!ptr) return kErrMemoryAlloc;
    BlockEntry* entry = nullptr;
    for (uint16_t i = 0; i < ctx.blockCap; ++i) {
        if (ctx.blocks[i].ptr == ptr) {
            entry = &ctx.blocks[i];
            break;
        }
    }
    if (!entry) return kErrMemoryAlloc;
    if (!BlockGuardIntact(*entry)) return kErrMemoryOverflow;
    if (entry->tag != tag) return kErrInternal;
    std::free(entry->ptr);
    *entry = BlockEntry{0, 0, nullptr};
    --ctx.blocksInUse;
    return 0;
}

uint32_t BlockWrite(void* block, uint32_t blockLen, uint32_t offset, const void* src, uint32_t n) {
    if (!block) return 0xFFFF;
    if (!src) return n ? n : 0xFFFF;
    if (offset >= blockLen) return 0;
    uint32_t room = blockLen - offset;
    uint32_t count = n < room ? n : room;
    std::memmove(static_cast<char*>(block) + offset, src, count);
    return count;
}

uint16_t BlockFreeAll(bool force) {
    RunContext& ctx = CurrentContext();
    int highest = -1;
    for (int i = 0; i < ctx.blockCap; ++i)
        if (ctx.blocks[i].ptr) highest = i;
    if (highest >= 0 && !force) return ctx.blocks[highest].tag;
    for (int i = 0; i < ctx.blockCap; ++i) std::free(ctx.blocks[i].ptr);
    std::free(ctx.blocks);
    ctx.blocks = nullptr;
    ctx.blockCap = 0;
    ctx.blocksInUse = 0;
    return 0;
}

}  // namespace rt
