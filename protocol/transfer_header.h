// The 42-character transfer header that precedes every file and list answer of the update server.
//
// Layout: size (12), last-write date YYYYMMDD (10), last-write time in ms since midnight (10),
// checksum (10); each field a right-aligned decimal number padded with blanks. Client and
// server share this code, so both sides read and write the same bytes.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kTransferHeaderSize = 42;
inline constexpr uint16_t kHeaderSizeWidth = 12;
inline constexpr uint16_t kHeaderNumberWidth = 10;

struct TransferHeader {
    ErrCode error = 0;      // 0, or kErrTransUp when the header is unusable
    uint32_t size = 0;      // bytes of content
    int32_t date = 0;       // YYYYMMDD
    int32_t time = 0;       // milliseconds since midnight
    uint32_t checksum = 0;  // the checksum the content must have
};

// True when the n bytes are all digits or blanks.
bool AllDigitsOrBlanks(const char* p, uint32_t n);

// Reads the right-aligned decimal field of width n: blanks are skipped, digits accumulate.
// False for any other byte or a value above `limit` (so nothing wraps); *out is then untouched.
bool ReadHeaderNumber(const char* p, uint32_t n, uint64_t limit, uint64_t* out);

// Parses the first 42 bytes of p (n bytes available). error kErrTransUp when fewer than 42 bytes
// are there, when a byte is neither a digit nor a blank, or when a field does not fit its record
// field (a size of 4 GiB or more, a date or time above 2^31 - 1, a checksum above 2^32 - 1).
// Nothing is reported; callers report with the text they know.
TransferHeader ParseTransferHeader(const char* p, uint32_t n);

// Writes the header into out (exactly 42 bytes, no terminator). kErrBadInput for a negative date or
// time; every other value fits its width.
ErrCode FormatTransferHeader(const TransferHeader& h, char out[kTransferHeaderSize]);

}  // namespace rt
