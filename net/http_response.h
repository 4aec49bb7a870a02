// What the HTTP client reads: the response buffer, the header record, and the readers of the
// status, the header fields and the body (by Content-Length or chunked).
//
// The answer comes from outside the program, so nothing here trusts it: the header block and
// every size line have fixed limits, the buffer never grows, and no size a server announces is
// used to allocate anything. Bodies go to a sink as they complete.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/errcode.h"
#include "runtime/strref.h"
#include "runtime/tracked_buffer.h"

namespace rt {

// Locations recorded with the reader's errors.
inline constexpr uint32_t kLocHttpHeader = 1501;
inline constexpr uint32_t kLocChunk = 1502;

// Limits.
inline constexpr uint32_t kMaxHeaderBlock = 16384;  // status line and fields with their end
inline constexpr uint32_t kMaxHeaderLine = 8192;
inline constexpr uint16_t kMaxChunkSizeLine = 8;
// Room for the body beyond a header block, which a read may fill at once. Under Wine every receive
// is a round trip to its server, so reads this large halve the time of a large body against reads
// of 64 KiB.
inline constexpr uint32_t kMaxPull = 256 * 1024;
inline constexpr uint32_t kResponseBufferSize = kMaxHeaderBlock + kMaxPull;

// Where the answer's bytes come from, read straight into the reader's buffer: Read puts what has
// arrived, at most cap bytes (cap > 0), at dst and sets *got (at least 1); or it gives the error
// that ends the answer, *got then 0.
class ByteSource {
public:
    virtual ErrCode Read(char* dst, uint32_t cap, uint32_t* got) = 0;
protected:
    ~ByteSource() = default;
};

// Where the body goes: the bytes are handed over in order as they complete.
class BodySink {
public:
    virtual ErrCode Write(const char* data, uint32_t n) = 0;
protected:
    ~BodySink() = default;
};

// A short answer (a status, a list, an error text) kept in memory as it arrives, in a tracked
// block; the fetch's limit bounds it.
class BufferSink final : public BodySink {
public:
    static constexpr uint16_t kTagAnswer = 41;
    BufferSink() : bytes_(kTagAnswer, 4096) {}
    ErrCode Write(const char* data, uint32_t n) override { return bytes_.Append(data, n) ? 0 : kErrOutOfMemory; }
    const char* data() const { return bytes_.data() ? bytes_.data() : ""; }
    uint32_t size() const { return bytes_.used(); }
private:
    TrackedBuffer bytes_;
};

// The unconsumed bytes of one answer, in a fixed block of kResponseBufferSize bytes on the heap.
class ResponseBuffer {
public:
    ResponseBuffer();
    ~ResponseBuffer();
    ResponseBuffer(const ResponseBuffer&) = delete;
    ResponseBuffer& operator=(const ResponseBuffer&) = delete;
    const char* data() const { return bytes_.get() + start_; }
    uint32_t size() const { return end_ - start_; }
    StrRef View() const;
    // One read of the source into the free end of the block: the source's error, kErrOutOfMemory
    // when the block could not be had, or kErrBadInput (recorded at kLocHttpHeader) when the block
    // is full or the source claims more than fitted.
    ErrCode Fill(ByteSource& source);
    // Drops the first n bytes.
    void Consume(uint32_t n);
    // Offset of the first occurrence of what from `from` on, or -1.
    int32_t Find(const char* what, uint32_t whatLen, uint32_t from) const;
    // Bytes moved to the front so far: a reader that moves what it has not read on every step
    // does work that grows with the square of the answer. For tests.
    uint64_t moved() const { return moved_; }

private:
    std::unique_ptr<char[]> bytes_;
    uint32_t start_ = 0, end_ = 0;  // the unconsumed bytes; Consume only moves start_
    uint64_t moved_ = 0;
};

// Transfer codings by their position in "chunked,compress,deflate,gzip,identity".
inline constexpr int16_t kCodingNone = -1;
inline constexpr int16_t kCodingUnknown = 0;
inline constexpr int16_t kCodingChunked = 1;
inline constexpr int16_t kCodingIdentity = 5;

struct ResponseHeader {
    ErrCode error = 0;               // 0, or kErrBadInput when the body's length is unknown
    int16_t encoding = kCodingNone;  // kCoding* or the 1-based position of the coding
    uint32_t length = 0;             // Content-Length, 0 when absent
};

// Reads the header fields of a header block (status line to the empty line) the way the
// run-time reads parameter texts: every ':' and the blanks after it become '=', every CR LF ':',
// all of it lower case; the values of "transfer-encoding" and "content-length" are looked up
// there. Neither a known coding nor a length value gives error kErrBadInput (recorded at
// kLocHttpHeader). A Content-Length that is not a decimal number of at most 32 bits gives
// kErrBadInput as well.
ResponseHeader ParseHeaderFields(StrRef block);

// 0 when the second blank-separated field of the status line (the block's first line) is
// "200"; otherwise kErrDeviceIo, reported with the line from that field on (code and reason).
ErrCode CheckStatus(StrRef block);

// Pulls pieces into buffer until it holds "\r\n\r\n"; *headerLen is then the length of the
// header block including it. The source's error when it ends first; kErrBadInput when the block
// passes kMaxHeaderBlock or a line of it passes kMaxHeaderLine.
ErrCode ReadHeaderBlock(ByteSource& source, ResponseBuffer& buffer, uint32_t* headerLen);

// Hands n body bytes to sink, first those in buffer, then pulled from source. Bytes beyond n
// stay in buffer. The source's or the sink's error ends it.
ErrCode ReadLengthBody(ByteSource& source, ResponseBuffer& buffer, uint32_t n, BodySink& sink);

// Reads a chunked body: size lines of at most kMaxChunkSizeLine hexadecimal characters, each
// chunk followed by CR LF (kErrInternal at kLocChunk when not), up to the chunk of size 0. A size
// line that is too long or not a number is read as a server answer ("Fail", "Error #n...") and
// fails with its code, or kErrNoCode, reported with the line. Trailer fields are not supported.
ErrCode ReadChunkedBody(ByteSource& source, ResponseBuffer& buffer, BodySink& sink);

// A whole answer: header block, status, fields, then the body reader they select. Codings other
// than chunked give kErrFeatureRemoved (nothing is read).
ErrCode ReadResponse(ByteSource& source, BodySink& sink);

}  // namespace rt
