// BlockTable: every heap block of a context, with its tag, size and guard bytes.
#pragma once

#include <cstdint>

#include "runtime/context.h"

namespace rt {

inline constexpr uint16_t kNoBlock = 0xFFFF;
inline constexpr uint8_t kNoFill = 0xFF;
// The four bytes written behind every block; a change means something wrote past its end.
inline constexpr unsigned char kGuard[4] = {0x00, 0x21, 0x21, 0x00};

// Allocates a tracked block of `size` bytes filled with `fill` (0xFF: left as it is).
// Returns its handle, or 0xFFFF when memory or the table cannot grow.
uint16_t BlockAlloc(uint16_t tag, uint32_t size, uint8_t fill);
// BlockAlloc with fill 0, returning the block itself (null on failure).
void* BlockAllocPtr(uint16_t tag, uint32_t size);
// The entry of a handle, or null with *err = kErrBadInput when the handle lies outside the table.
BlockEntry* BlockLock(uint16_t handle, ErrCode* err);
// Frees the block at `ptr`: kErrMemoryAlloc when no entry holds it, kErrMemoryOverflow when its
// guard was overwritten (the entry stays), kErrInternal when its tag differs.
ErrCode BlockFree(uint16_t tag, void* ptr);
// Copies min(n, blockLen - offset) bytes to block + offset. A null block or source returns the
// source's error convention (its length, or kErrNoCode). Returns the bytes written otherwise.
uint32_t BlockWrite(void* block, uint32_t blockLen, uint32_t offset, const void* src, uint32_t n);
// With no block in use frees the table and returns 0. Otherwise, without `force`, returns the tag
// of the highest-numbered block still in use; with `force` frees every block and the table.
uint16_t BlockFreeAll(bool force);
// True when the guard behind the block of `entry` is intact.
bool BlockGuardIntact(const BlockEntry& entry);

}  // namespace rt
