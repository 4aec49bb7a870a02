// Typed arrays of a context and the integer, number and flag cells kept in them.
#include "runtime/typed_arrays.h"

#include <cstring>

#include "runtime/block_table.h"
#include "runtime/context.h"

namespace rt {

namespace {

ArrayDesc* Desc(uint16_t a) {
    RunContext& ctx = CurrentContext();
    if (!ctx.arrays || a >= ctx.arrayCount) return nullptr;
    return &ctx.arrays[a];
}

// Grows the descriptor table so that descriptor a exists; only the next one may be asked for.
bool EnsureDescriptor(uint16_t a) {
    RunContext& ctx = CurrentContext();
    if (!ctx.arrays) return false;
    if (a < ctx.arrayCount) return true;
    if (a != ctx.arrayCount) return false;
    uint32_t grown = static_cast<uint32_t>(a) + a / 2;
    if (grown <= a) grown = a + 1;
    if (grown > 0xFFFF) return false;
    auto* table = static_cast<ArrayDesc*>(BlockAllocPtr(kTagArrays, grown * sizeof(ArrayDesc)));
    if (!table) return false;
    std::memcpy(table, ctx.arrays, ctx.arrayCount * sizeof(ArrayDesc));
    BlockFree(kTagArrays, ctx.arrays);
    ctx.arrays = table;
    ctx.arrayCount = static_cast<uint16_t>(grown);
    return true;
}

}  // namespace

ErrCode ArraysInit(uint16_t count) {
    RunContext& ctx = CurrentContext();
    if (count == 0) return kErrStructMem;
    auto* table = static_cast<ArrayDesc*>(BlockAllocPtr(kTagArrays, count * sizeof(ArrayDesc)));
    if (!table) return kErrStructMem;
    ctx.arrays = table;
    ctx.arrayDescSize = sizeof(ArrayDesc);
    ctx.arrayCount = count;
    return 0;
}

void* ArrayGet(uint16_t a, uint16_t i) {
    ArrayDesc* d = Desc(a);
    if (!d || !d->data || i >= d->count) return nullptr;
    return static_cast<char*>(d->data) + static_cast<size_t>(i) * d->elemSize;
}

void* ArraySet(uint16_t a, uint16_t i, const void* src, uint16_t size) {
    if (size == 0 || i == 0xFFFF || !EnsureDescriptor(a)) return nullptr;
    ArrayDesc* d = Desc(a);
    if (d->data && d->elemSize != size) return nullptr;
    if (!d->data || i >= d->count) {
        uint16_t oldCount = d->data ? d->count : 0;
        uint32_t bytes = (static_cast<uint32_t>(i) + 1) * size;
        auto* grown = static_cast<char*>(BlockAllocPtr(kTagArrays, bytes));
        if (!grown) return nullptr;
        if (d->data) {
            std::memcpy(grown, d->data, static_cast<size_t>(oldCount) * size);
            BlockFree(kTagArrays, d->data);
        }
        d->data = grown;
        d->elemSize = size;
        d->count = static_cast<uint16_t>(i + 1);
    }
    char* elem = static_cast<char*>(d->data) + static_cast<size_t>(i) * size;
    if (src) std::memcpy(elem, src, size);
    return elem;
}

ErrCode ArrayDelete(uint16_t a, uint16_t i) {
    ArrayDesc* d = Desc(a);
    if (!d || !d->data || i >= d->count) return kErrStructMem;
    char* base = static_cast<char*>(d->data);
    size_t after = static_cast<size_t>(d->count - i - 1) * d->elemSize;
    std::memmove(base + static_cast<size_t>(i) * d->elemSize, base + static_cast<size_t>(i + 1) * d->elemSize, after);
    --d->count;
    return 0;
}

uint16_t ArrayCount(uint16_t a) {
    ArrayDesc* d = Desc(a);
    return d && d->data ? d->count : 0;
}

uint16_t ArrayElementSize(uint16_t a) {
    ArrayDesc* d = Desc(a);
    return d && d->data ? d->elemSize : 0;
}

ErrCode ArrayFreeAll() {
    RunContext& ctx = CurrentContext();
    if (!ctx.arrays) return 0;
    for (uint16_t a = 0; a < ctx.arrayCount; ++a) {
        if (ctx.arrays[a].data) {
            if (ErrCode err = BlockFree(kTagArrays, ctx.arrays[a].data)) return err;
            ctx.arrays[a] = ArrayDesc{nullptr, 0, 0};
        }
    }
    if (ErrCode err = BlockFree(kTagArrays, ctx.arrays)) return err;
    ctx.arrays = nullptr;
    ctx.arrayCount = 0;
    return 0;
}

int16_t IntGet(uint16_t i) {
    int16_t v = 0;
    if (void* p = ArrayGet(kArrayInts, i)) std::memcpy(&v, p, sizeof v);
    return v;
}

ErrCode IntSet(uint16_t i, int16_t v) {
    return ArraySet(kArrayInts, i, &v, sizeof v) ? 0 : kErrStructMem;
}

int64_t FloatGet(uint16_t i) {
    int64_t v = 0;
    if (void* p = ArrayGet(kArrayNumbers, i)) std::memcpy(&v, p, sizeof v);
    return v;
}

ErrCode FloatSet(uint16_t i, int64_t v) {
    return ArraySet(kArrayNumbers, i, &v, sizeof v) ? 0 : kErrStructMem;
}

bool FlagTest(uint16_t i, uint16_t mask) { return (static_cast<uint16_t>(IntGet(i)) & mask) != 0; }

bool FlagSet(uint16_t i, uint16_t mask, bool on) {
    uint16_t v = static_cast<uint16_t>(IntGet(i));
    v = on ? static_cast<uint16_t>(v | mask) : static_cast<uint16_t>(v & ~mask);
    IntSet(i, static_cast<int16_t>(v));
    return (v & mask) != 0;
}

ErrCode ArrayVarsRelease() {
    uint16_t n = ArrayCount(kArrayVarDescs);
    if (n && ArrayElementSize(kArrayVarDescs) != kArrayVarDescSize) return kErrStructMem;
    for (uint16_t i = 0; i < n; ++i) {
        ArrayVarDesc desc;
        std::memcpy(&desc, ArrayGet(kArrayVarDescs, i), sizeof desc);
        if (!desc.data) continue;
        if (ErrCode err = BlockFree(kTagArrayVarData, desc.data)) return err;
        desc.data = nullptr;
        desc.dataSize = 0;
        std::memcpy(ArrayGet(kArrayVarDescs, i), &desc, sizeof desc);
    }
    return 0;
}

}  // namespace rt
