// The weighted byte sum that guards every transferred file.
#include "protocol/checksum.h"

#include "runtime/fs.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {

namespace {

// One addition with the reduction after it. The reduced sum depends only on the total added
// (0 for a total of 0, else the total reduced into 1 .. 0x7FFFFFFF), so bytes may be added in
// any order; the weights are what must follow the block positions exactly.
inline uint32_t AddReduced(uint32_t sum, uint32_t add) {
    sum += add;  // sum <= 0x7FFFFFFF and add <= 255 * 1024: no wrap
    if (sum > kChecksumLimit) sum -= kChecksumLimit;
    return sum;
}

}  // namespace

void ChecksumFeed(ChecksumState* state, const char* data, uint32_t n) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    uint32_t sum = state->sum;
    uint32_t j = state->inBlock;
    for (uint32_t i = 0; i < n; ++i) {
        sum = AddReduced(sum, static_cast<uint32_t>(bytes[i]) * (j + 1));
        if (++j == kChecksumBlock) j = 0;
    }
    state->sum = sum;
    state->inBlock = j;
}

uint32_t ChecksumOfBytes(const char* data, uint32_t n) {
    ChecksumState st;
    ChecksumFeed(&st, data, n);
    return st.sum;
}

uint32_t ChecksumOfFile(StrRef path, uint64_t start, uint64_t end) {
    if (!path.ok()) return 0;
    uint16_t mark = PoolMark();
    FsFile file;
    ErrCode e = file.Open(CString(path), kFsRead);
    PoolRelease(mark);
    uint64_t length = 0;
    if (e != 0 || file.Length(&length) != 0) return 0;
    uint32_t sum = 0;
    char block[kChecksumBlock];
    for (uint64_t pos = start; pos < length && pos < end;) {
        uint64_t left = length - pos;
        uint32_t n = left < kChecksumBlock ? static_cast<uint32_t>(left) : kChecksumBlock;
        uint32_t got = 0;
        if (file.Seek(pos) == 0 && file.Read(block, n, &got) == 0 && got == n) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(block);
            for (uint32_t j = n; j-- > 0;) sum = AddReduced(sum, static_cast<uint32_t>(bytes[j]) * (j + 1));
        }
        pos += n;
    }
    return sum;
}

}  // namespace rt
