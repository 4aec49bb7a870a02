// The temporary pool: a bump allocator of texts with an entry stack, released to marks.
#include "runtime/temp_pool.h"

#include <cstring>

#include "runtime/block_table.h"
#include "runtime/context.h"
#include "runtime/error_record.h"

namespace rt {

namespace {

constexpr uint32_t kPoolBytesPerEntry = 1024;

inline uint32_t Round4(uint32_t n) { return n == 0 ? 0 : ((n - 1) / 4) * 4 + 4; }

TempPool& Pool() { return CurrentContext().pool; }

ErrCode Exhausted() {
    RecordError(kErrOutOfMemory, kModDynStrings);
    return kErrOutOfMemory;
}

}  // namespace

ErrCode PoolInit(uint16_t entries) {
    RunContext& ctx = CurrentContext();
    TempPool& p = ctx.pool;
    if (entries < 2) return kErrBadInput;
    uint32_t bytes = static_cast<uint32_t>(entries) * kPoolBytesPerEntry;
    uint16_t text = BlockAlloc(kTagPool, bytes, kNoFill);
    if (text == kNoBlock) return kErrOutOfMemory;
    uint16_t stack = BlockAlloc(kTagPool, entries * static_cast<uint32_t>(sizeof(PoolEntry)), 0);
    if (stack == kNoBlock) {
        BlockFree(kTagPool, ctx.blocks[text].ptr);
        return kErrOutOfMemory;
    }
    char* work = static_cast<char*>(BlockAllocPtr(kTagPool, kWorkBlockSize));
    if (!work) {
        BlockFree(kTagPool, ctx.blocks[text].ptr);
        BlockFree(kTagPool, ctx.blocks[stack].ptr);
        return kErrOutOfMemory;
    }
    p.textHandle = text;
    p.stackHandle = stack;
    p.text = static_cast<char*>(ctx.blocks[text].ptr);
    p.entries = static_cast<PoolEntry*>(ctx.blocks[stack].ptr);
    p.capacity = entries;
    p.current = 0;
    p.highEntries = 0;
    p.top = p.text;
    p.size = bytes;
    p.highBytes = 0;
    p.entries[0] = PoolEntry{p.text, 0};
    ctx.work = work;
    return 0;
}

ErrCode PoolFree() {
    RunContext& ctx = CurrentContext();
    TempPool& p = ctx.pool;
    ErrCode err = 0;
    if (p.text) err = BlockFree(kTagPool, p.text);
    if (!err && p.entries) err = BlockFree(kTagPool, p.entries);
    if (!err && ctx.work) err = BlockFree(kTagPool, ctx.work);
    if (err) return err;
    p = TempPool{};
    ctx.work = nullptr;
    return 0;
}

uint16_t PoolMark() { return Pool().current; }

uint16_t PoolRelease(uint16_t mark) {
    TempPool& p = Pool();
    // A mark above the top would move `top` past live entries: treat it like "no mark".
    if (mark >= p.capacity || mark > p.current) return p.current;
    const PoolEntry& e = p.entries[mark];
    p.top = e.ptr + Round4(e.len);
    p.current = mark;
    return mark;
}

ErrCode PoolAlloc(uint32_t n) {
    TempPool& p = Pool();
    if (!p.entries) return kErrOutOfMemory;
    // Both limits are checked before anything moves, so a failure leaves the pool as it was.
    if (static_cast<uint32_t>(p.current) + 1 >= p.capacity) return Exhausted();
    uint64_t used = static_cast<uint64_t>(p.top - p.text);
    uint64_t newUsed = used + Round4(n);
    if (n > 0xFFFFFFF0u || newUsed >= p.size) return Exhausted();
    char* start = p.top;
    p.top = p.text + newUsed;
    if (newUsed > p.highBytes) p.highBytes = static_cast<uint32_t>(newUsed);
    ++p.current;
    if (p.current > p.highEntries) p.highEntries = p.current;
    p.entries[p.current] = PoolEntry{start, n};
    return 0;
}

char* PoolBuffer(uint32_t n, ErrCode* err) {
    ErrCode e = PoolAlloc(n);
    if (err) *err = e;
    if (e) return nullptr;
    return Pool().entries[Pool().current].ptr;
}

StrRef PoolAllocFilled(uint32_t n, uint8_t fill) {
    if (n > 0xFFFF) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* buf = PoolBuffer(n, &err);
    if (!buf) return StrErr(err);
    if (fill != 0xFF) std::memset(buf, fill, n);
    return StrRef{buf, static_cast<uint16_t>(n)};
}

StrRef PoolCopy(StrRef s) {
    if (!s.ok()) return s;
    ErrCode err = 0;
    char* buf = PoolBuffer(s.len, &err);
    if (!buf) return StrErr(err);
    // s may lie in the free space just above the old top (a scratch view).
    std::memmove(buf, s.ptr, s.len);
    return StrRef{buf, s.len};
}

StrRef PoolConcat(StrRef a, StrRef b) {
    if (!a.ok()) return a;
    if (!b.ok()) return b;
    uint32_t n = static_cast<uint32_t>(a.len) + b.len;
    if (n > kMaxText) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* buf = PoolBuffer(n, &err);
    if (!buf) return StrErr(err);
    std::memmove(buf, a.ptr, a.len);
    std::memmove(buf + a.len, b.ptr, b.len);
    return StrRef{buf, static_cast<uint16_t>(n)};
}

StrRef PoolReturn(uint16_t mark, StrRef s) {
    PoolRelease(mark);
    // The copy lands at or below s when s lies in the released area; PoolCopy moves with memmove.
    return PoolCopy(s);
}

ErrCode PoolKeep(uint16_t mark, std::initializer_list<StrRef*> vars) {
    uint16_t m = PoolMark();
    for (StrRef* v : vars) {
        if (!v->ok()) continue;
        StrRef copy = PoolCopy(*v);
        if (!copy.ok()) return StrError(copy);
        *v = copy;
    }
    if (mark >= m || PoolRelease(mark) != mark) return 0;
    // Now every source lies above the old top and every destination below it, in order.
    for (StrRef* v : vars) {
        if (!v->ok()) continue;
        StrRef copy = PoolCopy(*v);
        if (!copy.ok()) return StrError(copy);
        *v = copy;
    }
    return 0;
}

StrRef PoolTop() {
    const TempPool& p = Pool();
    if (!p.entries) return StrErr(kErrOutOfMemory);
    const PoolEntry& e = p.entries[p.current];
    return StrRef{e.ptr, static_cast<uint16_t>(e.len > 0xFFFF ? 0xFFFF : e.len)};
}

uint32_t PoolFreeBytes() {
    const TempPool& p = Pool();
    if (!p.text) return 0;
    uint32_t used = static_cast<uint32_t>(p.top - p.text);
    return p.size - used > 4 ? p.size - used - 4 : 0;
}

StrRef PoolScratch() {
    const TempPool& p = Pool();
    if (!p.text) return StrErr(kErrOutOfMemory);
    uint32_t n = PoolFreeBytes();
    return StrRef{p.top, static_cast<uint16_t>(n < kMaxText ? n : kMaxText)};
}

StrRef PoolShrinkTop(uint16_t n) {
    TempPool& p = Pool();
    if (!p.entries || p.current == 0) return StrErr(kErrBadInput);
    PoolEntry& e = p.entries[p.current];
    if (n > e.len) return StrErr(kErrBadInput);
    e.len = n;
    p.top = e.ptr + Round4(n);
    return StrRef{e.ptr, n};
}

PoolStats PoolInfo() {
    const TempPool& p = Pool();
    return PoolStats{p.current, p.capacity, p.highEntries,
                     p.text ? static_cast<uint32_t>(p.top - p.text) : 0, p.size, p.highBytes};
}

}  // namespace rt
