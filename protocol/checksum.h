// The content checksum of the transfer: a weighted byte sum kept below 2^31 - 1.
//
// The content is taken in blocks of 1024 bytes counted from the start offset; byte j of a block
// (0-based) weighs j + 1. After each addition a sum above 0x7FFFFFFF loses 0x7FFFFFFF, so the sum
// is always between 0 and 0x7FFFFFFF. Examples: "abc" gives 97 + 2 * 98 + 3 * 99 = 590; the
// 1025th byte of a file starts a new block and weighs 1.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint32_t kChecksumBlock = 1024;
inline constexpr uint32_t kChecksumLimit = 0x7FFFFFFF;
// "No end limit" for ChecksumOfFile.
inline constexpr uint64_t kChecksumToEnd = ~static_cast<uint64_t>(0);

// A running checksum for content that arrives in pieces: feeding the content in any split gives
// the same value as one ChecksumOfBytes over all of it.
struct ChecksumState {
    uint32_t sum = 0;
    uint32_t inBlock = 0;  // bytes of the current block already fed (0..1023)
};
void ChecksumFeed(ChecksumState* state, const char* data, uint32_t n);

// The checksum of n bytes, the first byte starting a block.
uint32_t ChecksumOfBytes(const char* data, uint32_t n);

// The checksum of a file's bytes from `start`, in blocks of 1024 bytes while the block start is
// below the file's length and below `end`; a block is never shortened by `end`, only by the
// file's length. A file that cannot be opened sums to 0; a block that cannot be read adds
// nothing. The transfer checks its files with start 42 and kChecksumToEnd.
uint32_t ChecksumOfFile(StrRef path, uint64_t start, uint64_t end);

}  // namespace rt
