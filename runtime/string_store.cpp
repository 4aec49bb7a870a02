// The string store: numbered groups of texts packed in one block, grown and rebuilt on demand.
#include "runtime/string_store.h"

#include <cstring>

#include "runtime/block_table.h"
#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/temp_pool.h"

namespace rt {

namespace {

constexpr uint16_t kLastLifoGroup = 36;
constexpr uint16_t kFirstStackGroup = 30;
constexpr uint16_t kLastStackGroup = 38;

StringStore& Store() { return CurrentContext().store; }

uint32_t GroupBase(const StringStore& st, uint16_t g) {
    uint32_t base = 0;
    for (uint16_t i = 0; i < g; ++i) base += st.counts[i];
    return base;
}

uint32_t ByteOffset(const StringStore& st, uint32_t p) {
    uint32_t off = 0;
    for (uint32_t i = 0; i < p; ++i) off += st.lengths[i];
    return off;
}

// One attempt at StoreSet; s already lies outside the store. Leaves the store unchanged on failure.
ErrCode SetOnce(uint16_t g, uint16_t k, StrRef s) {
    StringStore& st = Store();
    if (!st.counts || g >= st.groups) return kErrStrOutBound;
    uint32_t base = GroupBase(st, g);
    uint16_t count = st.counts[g];
    uint32_t p = base + k;
    if (p >= st.stringCap) return kErrStrOutBound;
    uint32_t added = k >= count ? static_cast<uint32_t>(k) - count + 1 : 0;
    // Running out of slots is a slot problem: answering 159 lets the retry double the slots.
    if (st.inUse + added >= st.stringCap) return kErrStrOutBound;
    uint32_t oldLen = k < count ? st.lengths[p] : 0;
    uint64_t newBytes = static_cast<uint64_t>(st.bytesInUse) + s.len - oldLen;
    if (newBytes >= st.byteCap) return kErrOutOfMemory;

    if (added) {
        uint32_t groupEnd = base + count;
        std::memmove(&st.lengths[groupEnd + added], &st.lengths[groupEnd],
                     (st.inUse - groupEnd) * sizeof(uint16_t));
        std::memset(&st.lengths[groupEnd], 0, added * sizeof(uint16_t));
        st.counts[g] = static_cast<uint16_t>(k + 1);
        st.inUse = static_cast<uint16_t>(st.inUse + added);
    }
    uint32_t off = ByteOffset(st, p);
    uint32_t tail = off + oldLen;
    std::memmove(st.chars + off + s.len, st.chars + tail, st.bytesInUse - tail);
    if (s.len) std::memcpy(st.chars + off, s.ptr, s.len);
    st.lengths[p] = s.len;
    st.bytesInUse = static_cast<uint32_t>(newBytes);
    if (st.bytesInUse > st.highBytes) st.highBytes = st.bytesInUse;
    return 0;
}

ErrCode DeleteAt(uint16_t g, uint16_t k) {
    StringStore& st = Store();
    if (!st.counts || g >= st.groups) {
        RecordError(kErrStrOutBound, kModDynStrings);
        return kErrStrOutBound;
    }
    if (k >= st.counts[g]) return kErrStrOutBound;
    uint32_t p = GroupBase(st, g) + k;
    uint32_t off = ByteOffset(st, p);
    uint32_t len = st.lengths[p];
    std::memmove(st.chars + off, st.chars + off + len, st.bytesInUse - off - len);
    std::memmove(&st.lengths[p], &st.lengths[p + 1], (st.inUse - p - 1) * sizeof(uint16_t));
    --st.counts[g];
    --st.inUse;
    st.bytesInUse -= len;
    return 0;
}

uint16_t NewestIndex(uint16_t g, uint16_t count) {
    return (g <= kLastLifoGroup) ? static_cast<uint16_t>(count - 1) : 0;
}

}  // namespace

ErrCode StoreInit(uint16_t groups, uint16_t strings, uint32_t bytes) {
    StringStore& st = Store();
    uint64_t size = static_cast<uint64_t>(groups) * 2 + static_cast<uint64_t>(strings) * 2 + bytes;
    if (size > 0xFFFFFFF0u) return kErrOutOfMemory;
    auto* block = static_cast<char*>(BlockAllocPtr(kTagStore, static_cast<uint32_t>(size)));
    if (!block) return kErrOutOfMemory;
    st.counts = reinterpret_cast<uint16_t*>(block);
    st.lengths = st.counts + groups;
    st.chars = reinterpret_cast<char*>(st.lengths + strings);
    st.groups = groups;
    st.inUse = 0;
    st.stringCap = strings;
    st.bytesInUse = 0;
    st.byteCap = bytes;
    st.highBytes = 0;
    return 0;
}

ErrCode StoreFree() {
    StringStore& st = Store();
    if (!st.counts) return 0;
    if (ErrCode err = BlockFree(kTagStore, st.counts)) return err;
    StringStore fresh;
    fresh.initGroups = st.initGroups;
    fresh.initStrings = st.initStrings;
    fresh.initBytes = st.initBytes;
    st = fresh;
    return 0;
}

ErrCode StoreGrow(uint16_t strings, uint32_t bytes) {
    StringStore& st = Store();
    if (!st.counts) return kErrOutOfMemory;
    if (strings < st.stringCap || bytes < st.byteCap) return kErrBadInput;
    StringStore old = st;
    if (ErrCode err = StoreInit(old.groups, strings, bytes)) {
        st = old;  // the old store stays in place
        return err;
    }
    StringStore grown = st;
    std::memcpy(grown.counts, old.counts, old.groups * sizeof(uint16_t));
    std::memcpy(grown.lengths, old.lengths, old.inUse * sizeof(uint16_t));
    std::memcpy(grown.chars, old.chars, old.bytesInUse);
    grown.inUse = old.inUse;
    grown.bytesInUse = old.bytesInUse;
    grown.highBytes = old.highBytes;
    grown.initGroups = old.initGroups;
    grown.initStrings = old.initStrings;
    grown.initBytes = old.initBytes;
    st = grown;
    BlockFree(kTagStore, old.counts);
    return 0;
}

StrRef StoreGet(uint16_t g, uint16_t k) {
    const StringStore& st = Store();
    if (!st.counts) return StrEmpty();
    if (g >= st.groups || k >= st.counts[g]) return StrRef{st.chars, 0};
    uint32_t p = GroupBase(st, g) + k;
    if (p >= st.stringCap) return StrRef{st.chars, 0};
    return StrRef{st.chars + ByteOffset(st, p), st.lengths[p]};
}

ErrCode StoreSet(uint16_t g, uint16_t k, StrRef s) {
    if (!s.ok()) return StrError(s);
    PoolScope scope;
    // s may point into the store, which the set moves around.
    StrRef copy = PoolCopy(s);
    if (!copy.ok()) return StrError(copy);
    ErrCode err = SetOnce(g, k, copy);
    if (err == kErrOutOfMemory || err == kErrStrOutBound) {
        StringStore& st = Store();
        ErrCode grow = 0;
        if (err == kErrOutOfMemory) {
            grow = StoreGrow(st.stringCap, (st.byteCap / 2048) * 4096);
        } else if (st.counts && g < st.groups) {
            grow = st.stringCap >= 32768 ? kErrBadInput
                                         : StoreGrow(static_cast<uint16_t>(st.stringCap * 2), st.byteCap);
        }
        if (grow == 0) err = SetOnce(g, k, copy);
    }
    if (err) RecordError(err, err == kErrStrOutBound ? kModDynStrings : kModStringAssign);
    return err;
}

ErrCode StoreAppend(uint16_t g, StrRef s) { return StoreSet(g, StoreCount(g), s); }

ErrCode StoreDelete(uint16_t g, uint16_t k) { return DeleteAt(g, k); }

StrRef StoreLast(uint16_t g) {
    uint16_t n = StoreCount(g);
    if (n == 0 || g >= kGroupAllStacks) return StoreGet(g, 0xFFFF);
    return StoreGet(g, NewestIndex(g, n));
}

ErrCode StoreDropLast(uint16_t g) {
    uint16_t n = StoreCount(g);
    if (n == 0 || g >= kGroupAllStacks) return kErrStrOutBound;
    return DeleteAt(g, NewestIndex(g, n));
}

uint16_t StoreCount(uint16_t g) {
    const StringStore& st = Store();
    if (!st.counts) return 0;
    if (g == kGroupAllStacks) {
        uint32_t total = 0;
        for (uint16_t i = kFirstStackGroup; i <= kLastStackGroup && i < st.groups; ++i) total += st.counts[i];
        return static_cast<uint16_t>(total);
    }
    return g < st.groups ? st.counts[g] : 0;
}

ErrCode StoreTrim(uint16_t g, uint16_t n) {
    while (StoreCount(g) > n) {
        if (ErrCode err = DeleteAt(g, static_cast<uint16_t>(StoreCount(g) - 1))) return err;
    }
    return 0;
}

}  // namespace rt
