// The HTTP answer up to its body: the response buffer, the header block, the status, the header
// fields, the Content-Length reader and the choice of body reader.
#include "net/http_response.h"

#include <cstring>
#include <new>

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/temp_pool.h"

namespace rt {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of value (in any case) in "chunked,compress,deflate,gzip,identity", 0 when it is none
// of them.
int16_t CodingPosition(StrRef value) {
    static const char* const kCodings[] = {"chunked", "compress", "deflate", "gzip", "identity"};
    for (int16_t i = 0; i < 5; ++i) {
        const char* coding = kCodings[i];
        uint16_t n = 0;
        while (n < value.len && coding[n] && Lower(value.ptr[n]) == coding[n]) ++n;
        if (n == value.len && coding[n] == '\0') return static_cast<int16_t>(i + 1);
    }
    return kCodingUnknown;
}

// A decimal number of at most 32 bits and nothing else; false otherwise.
bool ReadLength(StrRef value, uint32_t* out) {
    if (value.len == 0) return false;
    uint64_t n = 0;
    for (uint16_t i = 0; i < value.len; ++i) {
        char c = value.ptr[i];
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<uint32_t>(c - '0');
        if (n > 0xFFFFFFFFu) return false;
    }
    *out = static_cast<uint32_t>(n);
    return true;
}

// The header block as a parameter text: ':' and the blanks after it become '=', CR LF becomes
// ':', everything lower case; one pool entry no longer than the block.
StrRef FieldText(StrRef block) {
    ErrCode err = 0;
    char* out = PoolBuffer(block.len ? block.len : 1, &err);
    if (!out) return StrErr(err ? err : kErrOutOfMemory);
    uint16_t w = 0;
    for (uint16_t i = 0; i < block.len; ++i) {
        char c = block.ptr[i];
        if (c == ':') {
            out[w++] = '=';
            while (i + 1 < block.len && block.ptr[i + 1] == ' ') ++i;
        } else if (c == '\r' && i + 1 < block.len && block.ptr[i + 1] == '\n') {
            out[w++] = ':';
            ++i;
        } else {
            out[w++] = Lower(c);
        }
    }
    return PoolShrinkTop(w);
}

// Every Content-Length field of the field text must read the same: two that disagree leave the
// body's end to whichever reader a proxy on the way happened to believe.
bool LengthsAgree(StrRef text) {
    static const char kKey[] = "content-length=";
    const uint16_t keyLen = sizeof kKey - 1;
    bool seen = false;
    uint32_t first = 0;
    uint16_t start = 0;
    while (start < text.len) {
        uint16_t end = start;
        while (end < text.len && text.ptr[end] != ':') ++end;
        uint16_t from = start;
        while (from < end && text.ptr[from] == ' ') ++from;
        if (end - from >= keyLen && std::memcmp(text.ptr + from, kKey, keyLen) == 0) {
            uint16_t vEnd = end;
            while (vEnd > from + keyLen && text.ptr[vEnd - 1] == ' ') --vEnd;
            uint32_t value = 0;
            if (!ReadLength(StrMake(text.ptr + from + keyLen, static_cast<uint16_t>(vEnd - from - keyLen)), &value))
                return false;
            if (seen && value != first) return false;
            seen = true;
            first = value;
        }
        start = static_cast<uint16_t>(end + 1);
    }
    return true;
}

}  // namespace

namespace {
// The block of the last answer read on this thread, kept for the next: one update reads thousands
// of answers, and a block this large is mapped and unmapped by the heap every time.
thread_local std::unique_ptr<char[]> tSpareBlock;
}  // namespace

ResponseBuffer::ResponseBuffer()
    : bytes_(tSpareBlock ? std::move(tSpareBlock) : std::unique_ptr<char[]>(new (std::nothrow) char[kResponseBufferSize])) {}

ResponseBuffer::~ResponseBuffer() {
    if (!tSpareBlock) tSpareBlock = std::move(bytes_);
}

StrRef ResponseBuffer::View() const {
    return StrMake(data(), static_cast<uint16_t>(size() > 0xFFFF ? 0xFFFF : size()));
}

ErrCode ResponseBuffer::Fill(ByteSource& source) {
    if (!bytes_) return kErrOutOfMemory;
    // What is left when the reader asks for more is a part of a line or of a header block, so
    // moving it to the front costs little, and every read gets all the room there is.
    if (start_ > 0) {
        std::memmove(bytes_.get(), bytes_.get() + start_, size());
        moved_ += size();
        end_ -= start_;
        start_ = 0;
    }
    if (end_ == kResponseBufferSize) return Fail(true, kLocHttpHeader, kErrBadInput, 0);
    uint32_t got = 0;
    ErrCode err = source.Read(bytes_.get() + end_, kResponseBufferSize - end_, &got);
    if (err) return err;
    // A source that claims more than it was given room for is not believed.
    if (got == 0 || got > kResponseBufferSize - end_) return Fail(true, kLocHttpHeader, kErrBadInput, 0);
    end_ += got;
    return kOk;
}

void ResponseBuffer::Consume(uint32_t n) {
    start_ = n >= size() ? end_ : start_ + n;
    if (start_ == end_) start_ = end_ = 0;
}

int32_t ResponseBuffer::Find(const char* what, uint32_t whatLen, uint32_t from) const {
    const uint32_t n = size();
    const char* bytes = data();
    if (whatLen == 0 || n < whatLen) return -1;
    for (uint32_t i = from; i + whatLen <= n; ++i) {
        if (bytes[i] == what[0] && std::memcmp(bytes + i, what, whatLen) == 0) return static_cast<int32_t>(i);
    }
    return -1;
}

ResponseHeader ParseHeaderFields(StrRef block) {
    ResponseHeader h;
    if (!block.ok()) {
        h.error = StrError(block);
        return h;
    }
    uint16_t mark = PoolMark();
    StrRef text = FieldText(block);
    StrRef coding = ParamValue(text, StrFromLiteral("transfer-encoding"));
    StrRef length = ParamValue(text, StrFromLiteral("content-length"));
    // The lookup may hand the value back upper-cased; codings are compared in any case.
    if (coding.ok() && coding.len > 0) h.encoding = CodingPosition(coding);
    bool hasLength = length.ok() && ReadLength(length, &h.length);
    if (!hasLength) h.length = 0;
    const bool agree = text.ok() && LengthsAgree(text);
    PoolRelease(mark);
    if (!text.ok()) {
        h.error = StrError(text);
        return h;
    }
    if ((h.encoding <= kCodingUnknown && !hasLength) || !agree) {
        h.error = kErrBadInput;
        RecordError(kErrBadInput, kLocHttpHeader);
    }
    return h;
}

ErrCode CheckStatus(StrRef block) {
    if (!block.ok()) return StrError(block);
    uint16_t lineEnd = 0;
    while (lineEnd < block.len && block.ptr[lineEnd] != '\r' && block.ptr[lineEnd] != '\n') ++lineEnd;
    uint16_t start = 0;
    while (start < lineEnd && block.ptr[start] != ' ') ++start;
    if (start < lineEnd) ++start;
    uint16_t fieldEnd = start;
    while (fieldEnd < lineEnd && block.ptr[fieldEnd] != ' ') ++fieldEnd;
    if (fieldEnd - start == 3 && std::memcmp(block.ptr + start, "200", 3) == 0) return kOk;
    RecordError(kErrDeviceIo, 0);
    ReportError(kErrDeviceIo, StrMake(block.ptr + start, static_cast<uint16_t>(lineEnd - start)));
    return kErrDeviceIo;
}

ErrCode ReadHeaderBlock(ByteSource& source, ResponseBuffer& buffer, uint32_t* headerLen) {
    uint32_t scanned = 0;
    while (true) {
        int32_t end = buffer.Find("\r\n\r\n", 4, scanned);
        if (end >= 0) {
            *headerLen = static_cast<uint32_t>(end) + 4;
            break;
        }
        if (buffer.size() > kMaxHeaderBlock) return Fail(true, kLocHttpHeader, kErrBadInput, 0);
        scanned = buffer.size() > 3 ? buffer.size() - 3 : 0;
        // The block holds more than kMaxHeaderBlock, so there is always room here.
        if (ErrCode err = buffer.Fill(source)) return err;
    }
    if (*headerLen > kMaxHeaderBlock) return Fail(true, kLocHttpHeader, kErrBadInput, 0);
    uint32_t lineStart = 0;
    for (uint32_t i = 0; i + 1 < *headerLen; ++i) {
        if (buffer.data()[i] == '\r' && buffer.data()[i + 1] == '\n') {
            if (i - lineStart > kMaxHeaderLine) return Fail(true, kLocHttpHeader, kErrBadInput, 0);
            lineStart = i + 2;
        }
    }
    return kOk;
}

ErrCode ReadLengthBody(ByteSource& source, ResponseBuffer& buffer, uint32_t n, BodySink& sink) {
    uint32_t done = 0;
    while (true) {
        uint32_t take = buffer.size() < n - done ? buffer.size() : n - done;
        if (take > 0) {
            ErrCode err = sink.Write(buffer.data(), take);
            if (err) return err;
            buffer.Consume(take);
            done += take;
        }
        if (done == n) return kOk;
        // The buffer is empty here, so there is room.
        if (ErrCode err = buffer.Fill(source)) return err;
    }
}

ErrCode ReadResponse(ByteSource& source, BodySink& sink) {
    ResponseBuffer buffer;
    uint32_t headerLen = 0;
    ErrCode err = ReadHeaderBlock(source, buffer, &headerLen);
    if (err) return err;
    StrRef block = StrMake(buffer.data(), static_cast<uint16_t>(headerLen));
    err = CheckStatus(block);
    if (err) return err;
    ResponseHeader header = ParseHeaderFields(block);
    buffer.Consume(headerLen);
    if (header.encoding > kCodingChunked) return Fail(true, kLocHttpHeader, kErrFeatureRemoved, 0);
    if (header.encoding == kCodingChunked) return ReadChunkedBody(source, buffer, sink);
    if (header.error) return header.error;
    return ReadLengthBody(source, buffer, header.length, sink);
}

}  // namespace rt
