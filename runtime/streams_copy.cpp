// The chunked file-to-file copy with progress, and the conversion between path separators.
#include <algorithm>
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/fs.h"
#include "runtime/temp_pool.h"
#include "runtime/streams.h"

namespace rt {

ErrCode CopyStream(StrRef source, uint32_t from, StrRef target, int32_t to, uint32_t count,
                   CopyProgressFn progress, void* arg) {
    if (!source.ok()) return StrError(source);
    if (!target.ok()) return StrError(target);
    // The source is only read: a copy must not leave an empty file where none was.
    StreamHolder in(StreamOpen(source, kStreamNoCreate | kStreamQuiet));
    if (!in.ok()) return Fail(true, kModStreams, kErrFileNotFound, 0);
    StreamHolder out(StreamOpen(target, kStreamQuiet));
    if (!out.ok()) return Fail(true, kModStreams, kErrFileIo, 0);
    const uint32_t length = StreamLength(in.get());
    count = std::min(count, length > from ? length - from : 0);

    uint16_t mark = PoolMark();
    ErrCode err = 0;
    char* buffer = PoolBuffer(kCopyChunk, &err);
    if (!buffer) return err ? err : kErrOutOfMemory;
    uint32_t total = 0;
    while (total < count && !err) {
        const uint16_t chunk = static_cast<uint16_t>(std::min(kCopyChunk, count - total));
        const int32_t at = static_cast<int32_t>(from + total);
        if (StreamRead(in.get(), at, chunk, buffer, chunk) != chunk) {
            err = Fail(true, kModStreams, kErrFileIo, 0);
            break;
        }
        const int32_t where = to < 0 ? -1 : static_cast<int32_t>(static_cast<uint32_t>(to) + total);
        if (StreamWrite(out.get(), where, StrMake(buffer, chunk)) != chunk) {
            err = Fail(true, kModStreams, kErrFileIo, 0);
            break;
        }
        total += chunk;
        if (progress) err = progress(arg, total, chunk);
    }
    PoolRelease(mark);
    // The target may be an existing, longer file: it ends where the copy ended, so no old bytes
    // stay behind the new ones (also when the copy stopped early).
    FsFile* file = StreamFile(out.get());
    if (to >= 0 && file && !file->IsStandard()) {
        const ErrCode cut = file->SetLength(static_cast<uint64_t>(to) + total);
        if (cut && !err) err = Fail(true, kModStreams, kErrFileIo, 0);
    }
    return err;
}

StrRef ConvertSeparators(StrRef path, int direction) {
    if (!path.ok()) return path;
    const char from = direction == 1 ? '\\' : '/';
    const char to = direction == 1 ? '/' : '\\';
    if (!std::memchr(path.ptr, from, path.len)) return path;
    StrRef out = PoolCopy(path);
    if (!out.ok()) return out;
    char* p = MutPtr(out);
    for (uint16_t i = 0; i < out.len; ++i)
        if (p[i] == from) p[i] = to;
    return out;
}

}  // namespace rt
