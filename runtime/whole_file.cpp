// Whole-file operations on top of the streams: length, bytes, text, appending one file to
// another, and replacing a file's contents in one step.
#include <algorithm>

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/temp_pool.h"
#include "runtime/temp_file.h"
#include "runtime/text_ops.h"
#include "runtime/whole_file.h"
#include "runtime/streams.h"

namespace rt {

namespace {

constexpr uint16_t kReadOnly = kStreamNoCreate;

}  // namespace

uint32_t FileLength(StrRef path) {
    if (!path.ok()) return 0;
    StreamHolder s(StreamOpen(path, kReadOnly | kStreamQuiet));
    return s.ok() ? StreamLength(s.get()) : 0;
}

StrRef ReadBytes(StrRef path, uint32_t offset, uint16_t count) {
    if (!path.ok()) return path;
    if (count == 0) return StrEmpty();
    StreamHolder s(StreamOpen(path, kReadOnly));
    if (!s.ok()) return StrErr(s.error());
    uint32_t want = count;
    if (count == kNpos) {
        const uint32_t length = StreamLength(s.get());
        want = length > offset ? length - offset : 0;
    }
    if (want > 0xFFFF || want > PoolFreeBytes()) return FailStr(true, kModStreams, kErrOutOfMemory, StrEmpty());
    if (want == 0) return StrEmpty();
    uint16_t mark = PoolMark();
    ErrCode err = 0;
    char* buffer = PoolBuffer(want, &err);
    if (!buffer) return StrErr(err ? err : kErrOutOfMemory);
    const uint16_t n = StreamRead(s.get(), static_cast<int32_t>(offset), static_cast<int32_t>(want), buffer,
                                  static_cast<uint16_t>(want));
    if (n != want) {
        PoolRelease(mark);
        return FailStr(true, kModStreams, kErrDataOutBound, StrEmpty());
    }
    return StrMake(buffer, static_cast<uint16_t>(want));
}

StrRef ReadText(StrRef path, StrRef sep) {
    if (!path.ok()) return path;
    if (!sep.ok()) return sep;
    uint16_t mark = PoolMark();
    StrRef text = TrimEol(ReadBytes(path, 0, kNpos));
    if (!text.ok()) return PoolReturn(mark, text);
    text = Replace(text, StrFromLiteral("\r\n"), sep, true);
    text = Replace(text, StrFromLiteral("\n"), sep, true);
    return PoolReturn(mark, text);
}

ErrCode ReadSmallFile(const char* path, size_t limit, std::string* out) {
    FsFile f;
    if (ErrCode err = f.Open(path, kFsRead)) return err;
    uint64_t length = 0;
    if (ErrCode err = f.Length(&length)) return err;
    if (length > limit) return kErrDataOutBound;
    out->assign(static_cast<size_t>(length), '\0');
    uint32_t got = 0;
    if (length == 0) return 0;
    if (ErrCode err = f.Read(out->data(), static_cast<uint32_t>(length), &got)) return err;
    return got == length ? 0 : kErrDataOutBound;
}

ErrCode AppendFileContents(StrRef destination, StrRef source) {
    if (!destination.ok()) return StrError(destination);
    if (!source.ok()) return StrError(source);
    const uint32_t length = FileLength(source);
    if (length == 0) return kErrOutOfData;
    StreamHolder in(StreamOpen(source, kReadOnly));
    if (!in.ok()) return in.error();
    StreamHolder out(StreamOpen(destination, kStreamAppend));
    if (!out.ok()) return out.error();
    FsFile* from = StreamFile(in.get());
    FsFile* to = StreamFile(out.get());
    if (!from || !to || from->Seek(0) != kOk || to->SeekEnd() != kOk ||
        FsCopyBlocks(*from, *to, length) != kOk)
        return Fail(true, kModStreams, kErrFileIo, 0);
    return 0;
}

ErrCode ReplaceFileContents(StrRef path, const char* data, uint32_t len) {
    if (!path.ok()) return StrError(path);
    if (path.len == 0 || (len && !data)) return kErrBadInput;
    ReplacementFile replacement;
    ErrCode err = replacement.Begin(path);
    uint32_t put = 0;
    if (!err && len) err = replacement.file().Write(data, len, &put);
    // The target is touched only when its new contents are complete on the disk.
    if (!err) err = replacement.Commit();
    if (err) {
        RecordError(kErrPermission, kModStreams);
        ReportError(kErrPermission, path);
    }
    return err ? kErrPermission : 0;
}

}  // namespace rt
