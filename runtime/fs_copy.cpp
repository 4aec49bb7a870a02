// The block copy between two open files that every file-to-file copy of the run-time goes through.
#include <memory>
#include <new>

#include "runtime/errcode.h"
#include "runtime/fs.h"

namespace rt {

ErrCode FsCopyBlocks(FsFile& src, FsFile& dst, uint64_t count, FsCopyProgress progress, void* arg,
                     uint64_t* copied, uint32_t blockSize) {
    if (blockSize == 0 || blockSize > kFsCopyBlock) blockSize = kFsCopyBlock;
    // One heap block per copy: large enough to keep system calls few, too large for some stacks.
    std::unique_ptr<char[]> block(new (std::nothrow) char[blockSize]);
    if (copied) *copied = 0;
    if (!block) return kErrOutOfMemory;
    uint64_t total = 0;
    while (total < count) {
        const uint64_t left = count - total;
        const uint32_t want = left < blockSize ? static_cast<uint32_t>(left) : blockSize;
        uint32_t got = 0;
        if (src.Read(block.get(), want, &got) != kOk) return kErrFileIo;
        if (got == 0) return count == kCopyToEnd ? kOk : kErrFileIo;
        uint32_t put = 0;
        if (dst.Write(block.get(), got, &put) != kOk || put != got) return kErrFileIo;
        total += got;
        if (copied) *copied = total;
        if (got < want && count != kCopyToEnd) return kErrFileIo;
        if (progress) {
            if (ErrCode stop = progress(arg, total, got)) return stop;
        }
    }
    return kOk;
}

}  // namespace rt
