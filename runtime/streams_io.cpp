// Reading and writing numbered streams: bytes at a position, lines, and texts.
#include <algorithm>
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/fs.h"
#include "runtime/temp_pool.h"
#include "runtime/streams.h"

namespace rt {

namespace {

constexpr uint32_t kChunk = 512;
constexpr uint16_t kShort = 0xFFFF;

uint64_t LengthOf(FsFile* f) {
    uint64_t len = 0;
    return f->Length(&len) == 0 ? len : 0;
}

// Position -1 keeps the current one; so does 0xFFFF, the 16-bit spelling of -1, on a file too
// short for it to be a real offset.
bool KeepsPosition(FsFile* f, int32_t position) {
    return position == -1 || (position == 0xFFFF && LengthOf(f) < 0x10000);
}

// One line: up to CR, LF or CR LF, at most capacity - 1 bytes; the position is left after the
// line's end characters.
uint16_t ReadLine(FsFile* f, char* buffer, uint16_t capacity) {
    if (capacity == 0) return 0;
    const uint32_t limit = capacity - 1u;
    uint64_t start = 0;
    const bool seekable = f->Position(&start) == 0;
    uint32_t got = 0;
    while (got < limit) {
        // A console or pipe cannot be read ahead and put back: one byte at a time.
        uint32_t want = seekable ? std::min<uint32_t>(kChunk, limit - got) : 1;
        uint32_t n = 0;
        if (f->Read(buffer + got, want, &n) != 0 || n == 0) break;
        for (uint32_t i = got; i < got + n; ++i) {
            if (buffer[i] != '\r' && buffer[i] != '\n') continue;
            uint32_t after = i + 1;
            if (buffer[i] == '\r') {
                if (after < got + n) {
                    if (buffer[after] == '\n') ++after;
                    if (seekable) f->Seek(start + after);
                } else if (seekable) {
                    char next = 0;
                    uint32_t k = 0;
                    f->Seek(start + after);
                    if (f->Read(&next, 1, &k) == 0 && k == 1 && next == '\n') ++after;
                    f->Seek(start + after);
                }
            } else if (seekable) {
                f->Seek(start + after);
            }
            return static_cast<uint16_t>(i);
        }
        got += n;
    }
    return static_cast<uint16_t>(got);
}

}  // namespace

uint32_t StreamLength(uint16_t stream) {
    FsFile* f = StreamFile(stream);
    if (!f) return 0;
    if (f->IsStandard()) return 0xFFFF;
    return static_cast<uint32_t>(LengthOf(f));
}

bool StreamAtEnd(uint16_t stream) {
    FsFile* f = StreamFile(stream);
    if (!f || f->IsStandard()) return false;
    uint64_t at = 0;
    if (f->Position(&at) != 0) return false;
    return at >= LengthOf(f);
}

uint16_t StreamRead(uint16_t stream, int32_t position, int32_t count, char* buffer, uint16_t capacity) {
    FsFile* f = StreamFile(stream);
    if (!f || !buffer) return kShort;
    if (!KeepsPosition(f, position) && position >= 0 && f->Seek(static_cast<uint64_t>(position)) != 0) return kShort;
    if (count == -1) return ReadLine(f, buffer, capacity);
    if (count < 0 || count > capacity) return kShort;
    uint64_t length = 0, at = 0;
    const bool bounded = !f->IsStandard() && f->Length(&length) == 0 && f->Position(&at) == 0;
    uint32_t got = 0;
    while (got < static_cast<uint32_t>(count)) {
        uint32_t want = std::min<uint32_t>(kChunk, static_cast<uint32_t>(count) - got);
        if (bounded) {
            if (at + got >= length) break;
            want = static_cast<uint32_t>(std::min<uint64_t>(want, length - at - got));
        }
        uint32_t n = 0;
        if (f->Read(buffer + got, want, &n) != 0 || n == 0) break;
        got += n;
    }
    return got < static_cast<uint32_t>(count) ? kShort : static_cast<uint16_t>(got);
}

StrRef StreamReadText(uint16_t stream, int32_t position, int32_t count) {
    if (!StreamFile(stream)) return StrErr(kErrBadFileNumber);
    if (count > kMaxText) return StrErr(kErrOutOfMemory);
    if (count < -1) return StrErr(kErrBadInput);
    uint16_t mark = PoolMark();
    // A line may take all the room a text has, plus the byte StreamRead keeps free.
    uint32_t size = count == -1 ? std::min<uint32_t>(kMaxText + 1u, PoolFreeBytes()) : static_cast<uint32_t>(count < 0 ? 0 : count);
    ErrCode err = 0;
    char* buffer = PoolBuffer(size ? size : 1, &err);
    if (!buffer) return StrErr(err ? err : kErrOutOfMemory);
    uint16_t n = StreamRead(stream, position, count, buffer, static_cast<uint16_t>(std::min<uint32_t>(size, 0xFFFF)));
    if (n == kShort) {
        PoolRelease(mark);
        RecordError(kErrDiskIo, kModStreams);
        return StrErr(kErrDiskIo);
    }
    if (count == -1)
        while (n && buffer[n - 1] == '\x1a') --n;
    return PoolShrinkTop(n);
}

uint16_t StreamWrite(uint16_t stream, int32_t position, StrRef data) {
    FsFile* f = StreamFile(stream);
    if (!f || !data.ok()) return kShort;
    if (!f->IsStandard()) {
        ErrCode err = KeepsPosition(f, position) || position < 0 ? f->SeekEnd() : f->Seek(static_cast<uint64_t>(position));
        if (err) return kShort;
    }
    uint32_t done = 0;
    while (done < data.len) {
        uint32_t put = 0;
        ErrCode err = f->Write(data.ptr + done, std::min<uint32_t>(kChunk, data.len - done), &put);
        done += put;
        if (err || put == 0) return kShort;
    }
    return static_cast<uint16_t>(done);
}

ErrCode StreamWriteText(uint16_t stream, int32_t position, StrRef text) {
    if (!text.ok()) return StrError(text);
    uint16_t n = StreamWrite(stream, position, text);
    return n == text.len && (n != kShort || text.len == kShort) ? 0 : kShort;
}

}  // namespace rt
