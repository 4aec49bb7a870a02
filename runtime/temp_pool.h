// TempPool: the per-context stack of temporary texts that every routine marks and releases.
//
// Discipline: a routine takes PoolMark() on entry and leaves through PoolRelease(mark) or
// PoolReturn(mark, result), so it leaves at most its one result above the caller's mark.
// Allocation is a pointer bump; nothing here touches the heap after PoolInit.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "runtime/strref.h"

namespace rt {

using PoolMark_t = uint16_t;
inline constexpr uint16_t kNoMark = 0xFFFF;

// Creates the text block, entry stack and work block (tag 11) for `entries` entries and
// entries * 1024 bytes. kErrOutOfMemory when memory runs out.
ErrCode PoolInit(uint16_t entries);
// Frees the pool's three blocks.
ErrCode PoolFree();

// Index of the current top entry.
uint16_t PoolMark();
// Drops every entry above `mark`; a mark >= capacity (kNoMark) or above the top changes nothing.
uint16_t PoolRelease(uint16_t mark);
// New entry of n bytes at the top; kErrOutOfMemory when the entry stack or the text block is full.
ErrCode PoolAlloc(uint32_t n);
// PoolAlloc, then fills the bytes unless fill is 0xFF. The result is the new entry.
StrRef PoolAllocFilled(uint32_t n, uint8_t fill);
// Writable buffer of n bytes as a new entry, or null (with *err set when given).
char* PoolBuffer(uint32_t n, ErrCode* err = nullptr);
// Copy of s as a new entry; an error value is returned unchanged.
StrRef PoolCopy(StrRef s);
// a then b in one new entry; an error in either is returned.
StrRef PoolConcat(StrRef a, StrRef b);
// PoolRelease(mark), then a copy of s at the mark. s may lie in the released area.
StrRef PoolReturn(uint16_t mark, StrRef s);
// Releases to `mark` but keeps the listed texts, updating each variable to its kept copy.
ErrCode PoolKeep(uint16_t mark, std::initializer_list<StrRef*> vars);
// The newest entry.
StrRef PoolTop();
// Bytes left in the text block, less 4.
uint32_t PoolFreeBytes();
// A view of the free space, at most 32764 bytes; nothing is allocated.
StrRef PoolScratch();
// Shrinks the newest entry to n bytes (n not above its length), giving the rest back.
StrRef PoolShrinkTop(uint16_t n);

// Pool statistics for tests and diagnostics.
struct PoolStats {
    uint16_t current, capacity, highEntries;
    uint32_t used, size, highBytes;
};
PoolStats PoolInfo();

// A text that may live in the pool: it stays valid only while no mark taken before the call that
// gave it is released. Routines whose results only ever point into their arguments return StrRef.
using PoolText = StrRef;

// Releases to the mark taken at construction when it goes out of scope, unless the routine kept
// its result with Return() or Keep(). For routines with more than one exit.
class PoolScope {
public:
    PoolScope() : mark_(PoolMark()) {}
    ~PoolScope() { if (!kept_) PoolRelease(mark_); }
    PoolScope(const PoolScope&) = delete;
    PoolScope& operator=(const PoolScope&) = delete;
    uint16_t mark() const { return mark_; }
    // PoolReturn(mark, s); the scope then leaves the result alone.
    StrRef Return(StrRef s) { kept_ = true; return PoolReturn(mark_, s); }
    // Leaves everything above the mark as it is: for a result that already is the one entry there
    // (a buffer cut to size with PoolShrinkTop), which Return would only copy onto itself.
    void Keep() { kept_ = true; }
private:
    uint16_t mark_;
    bool kept_ = false;
};

}  // namespace rt
