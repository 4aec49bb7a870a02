// The file-to-file copy between named files with progress, and the conversion between path
// separators.
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

    FsFile* src = StreamFile(in.get());
    FsFile* dst = StreamFile(out.get());
    if (!src || !dst) return Fail(true, kModStreams, kErrFileIo, 0);
    struct Relay {
        CopyProgressFn progress;
        void* arg;
    } relay{progress, arg};
    auto relayed = [](void* r, uint64_t total, uint32_t chunk) -> ErrCode {
        const Relay* p = static_cast<const Relay*>(r);
        return p->progress ? p->progress(p->arg, static_cast<uint32_t>(total), chunk) : 0;
    };
    uint64_t copied = 0;
    ErrCode err = src->Seek(from) != kOk || (to < 0 ? dst->SeekEnd() : dst->Seek(static_cast<uint64_t>(to))) != kOk
                      ? kErrFileIo
                      : FsCopyBlocks(*src, *dst, count, relayed, &relay, &copied, kCopyChunk);
    // Short reads and writes are this routine's own failure; a stop asked by progress passes.
    if (err == kErrFileIo || err == kErrOutOfMemory) err = Fail(true, kModStreams, kErrFileIo, 0);
    const uint32_t total = static_cast<uint32_t>(copied);
    // The target may be an existing, longer file: it ends where the copy ended, so no old bytes
    // stay behind the new ones (also when the copy stopped early).
    if (to >= 0 && !dst->IsStandard()) {
        const ErrCode cut = dst->SetLength(static_cast<uint64_t>(to) + total);
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
