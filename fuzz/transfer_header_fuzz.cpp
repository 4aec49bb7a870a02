// Fuzz target: random bytes as a transfer header, from an exact-size buffer; what parses must
// format and parse back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "protocol/transfer_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes: a read past the end is a sanitizer finding, not a lucky NUL.
    std::unique_ptr<char[]> exact(new char[size ? size : 1]);
    if (size) std::memcpy(exact.get(), data, size);
    const rt::TransferHeader h = rt::ParseTransferHeader(size ? exact.get() : nullptr, static_cast<uint32_t>(size));
    if (h.error) return 0;
    if (size < rt::kTransferHeaderSize) __builtin_trap();
    char out[rt::kTransferHeaderSize];
    if (rt::FormatTransferHeader(h, out) != 0) __builtin_trap();
    const rt::TransferHeader again = rt::ParseTransferHeader(out, rt::kTransferHeaderSize);
    if (again.error || again.size != h.size || again.date != h.date || again.time != h.time ||
        again.checksum != h.checksum)
        __builtin_trap();
    return 0;
}
