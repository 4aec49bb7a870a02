// Reading and writing the 42-character transfer header.
#include "protocol/transfer_header.h"

#include <cstdio>
#include <cstring>

namespace rt {

bool AllDigitsOrBlanks(const char* p, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        char c = p[i];
        if (c != ' ' && (c < '0' || c > '9')) return false;
    }
    return true;
}

bool ReadHeaderNumber(const char* p, uint32_t n, uint64_t limit, uint64_t* out) {
    uint64_t v = 0;
    for (uint32_t i = 0; i < n; ++i) {
        char c = p[i];
        if (c == ' ') continue;
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
        // At most 12 digits are read, so v never wraps before this check catches it.
        if (v > limit) return false;
    }
    *out = v;
    return true;
}

TransferHeader ParseTransferHeader(const char* p, uint32_t n) {
    TransferHeader h;
    if (p == nullptr || n < kTransferHeaderSize || !AllDigitsOrBlanks(p, kTransferHeaderSize)) {
        h.error = kErrTransUp;
        return h;
    }
    uint64_t size = 0, date = 0, time = 0, sum = 0;
    // The record's fields are 32 bits wide: a header that announces more is refused rather than
    // cut, because a cut size would install a different file than the one checked.
    bool ok = ReadHeaderNumber(p, kHeaderSizeWidth, 0xFFFFFFFFu, &size) &&
              ReadHeaderNumber(p + 12, kHeaderNumberWidth, 0x7FFFFFFF, &date) &&
              ReadHeaderNumber(p + 22, kHeaderNumberWidth, 0x7FFFFFFF, &time) &&
              ReadHeaderNumber(p + 32, kHeaderNumberWidth, 0xFFFFFFFFu, &sum);
    if (!ok) {
        h.error = kErrTransUp;
        return h;
    }
    h.size = static_cast<uint32_t>(size);
    h.date = static_cast<int32_t>(date);
    h.time = static_cast<int32_t>(time);
    h.checksum = static_cast<uint32_t>(sum);
    return h;
}

ErrCode FormatTransferHeader(const TransferHeader& h, char out[kTransferHeaderSize]) {
    if (h.date < 0 || h.time < 0) return kErrBadInput;
    char buf[kTransferHeaderSize + 1];
    int n = std::snprintf(buf, sizeof buf, "%12lu%10ld%10ld%10lu", static_cast<unsigned long>(h.size),
                          static_cast<long>(h.date), static_cast<long>(h.time),
                          static_cast<unsigned long>(h.checksum));
    if (n != kTransferHeaderSize) return kErrInternal;
    std::memcpy(out, buf, kTransferHeaderSize);
    return 0;
}

}  // namespace rt
