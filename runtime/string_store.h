// StringStore: numbered groups of numbered texts packed in one growing buffer.
//
// Groups 0..29 are indexed lists, 30 and above stacks. Group 0 holds the run-time parameters,
// 9 error and environment texts, 12 variable names, 13 string variables, 35 the argument stack.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kGroupParams = 0;
inline constexpr uint16_t kGroupSystem = 9;
inline constexpr uint16_t kItemErrorDetail = 9;
inline constexpr uint16_t kItemLogName = 10;
inline constexpr uint16_t kItemLangResource = 12;
inline constexpr uint16_t kItemWordTable = 13;
inline constexpr uint16_t kItemPathList = 14;
inline constexpr uint16_t kGroupVarNames = 12;
inline constexpr uint16_t kGroupStringVars = 13;
inline constexpr uint16_t kGroupArgStack = 35;
inline constexpr uint16_t kGroupAllStacks = 39;

// Creates the store with the given capacities; kErrOutOfMemory when memory runs out.
ErrCode StoreInit(uint16_t groups, uint16_t strings, uint32_t bytes);
// Frees the store's block.
ErrCode StoreFree();

// Item k of group g as a view into the buffer (valid until the next store change); an empty
// value when k is beyond the group or the position is invalid.
StrRef StoreGet(uint16_t g, uint16_t k);
// Stores s as item k of group g, growing the group with empty items when needed. Grows the
// store once on kErrOutOfMemory (bytes) or kErrStrOutBound (slots) and retries. s may point into the store.
ErrCode StoreSet(uint16_t g, uint16_t k, StrRef s);
ErrCode StoreAppend(uint16_t g, StrRef s);
ErrCode StoreDelete(uint16_t g, uint16_t k);
// Newest item: count-1 for groups 0..36 (last in, first out), item 0 for 37 and 38 (first in).
StrRef StoreLast(uint16_t g);
ErrCode StoreDropLast(uint16_t g);
// Items of group g; for g = 39 the total of groups 30..38.
uint16_t StoreCount(uint16_t g);
// Deletes the last items until the group has n.
ErrCode StoreTrim(uint16_t g, uint16_t n);
// Rebuilds the store with larger capacities; kErrBadInput when one is smaller than now.
ErrCode StoreGrow(uint16_t strings, uint32_t bytes);

}  // namespace rt
