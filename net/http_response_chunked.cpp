// The chunked body reader: size lines, chunk data and the CR LF after each chunk.
#include <cstring>

#include "net/http_response.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/number_text.h"

namespace rt {
namespace {

// How much of an unterminated size line is gathered before it is judged: enough for a server's
// short answer ("Error #175.text") to be read as one.
constexpr uint32_t kMaxAnswerLine = 384;

// The size of a size line: hexadecimal digits, then optionally blanks or a chunk extension after
// ';'. False for anything else, the empty line included.
bool ChunkSize(StrRef line, uint32_t* size) {
    uint32_t value = 0;
    uint16_t i = 0;
    for (; i < line.len && HexValue(line.ptr[i]) >= 0; ++i) value = value * 16 + static_cast<uint32_t>(HexValue(line.ptr[i]));
    if (i == 0) return false;
    for (; i < line.len; ++i) {
        if (line.ptr[i] == ';') break;
        if (line.ptr[i] != ' ' && line.ptr[i] != '\t') return false;
    }
    *size = value;
    return true;
}

// A size line that is no size: the update server's answers arrive this way when it fails in
// the middle of a body, so the line is read as one; its code, or 0xFFFF, with the line as text.
ErrCode BadSizeLine(StrRef line) {
    ErrCode code = ParseServerError(line);
    if (code == kOk) code = kErrNoCode;
    RecordError(code, kLocChunk);
    ReportError(code, line);
    return code;
}

}  // namespace

ErrCode ReadChunkedBody(ByteSource& source, ResponseBuffer& buffer, BodySink& sink) {
    while (true) {
        int32_t eol;
        while ((eol = buffer.Find("\r\n", 2, 0)) < 0 && buffer.size() < kMaxAnswerLine) {
            ErrCode err = buffer.Fill(source);
            if (err) return err;
        }
        uint32_t lineLen = eol >= 0 ? static_cast<uint32_t>(eol) : kMaxAnswerLine;
        if (lineLen > kMaxAnswerLine) lineLen = kMaxAnswerLine;
        StrRef line = StrMake(buffer.data(), static_cast<uint16_t>(lineLen));
        uint32_t size = 0;
        if (eol < 0 || lineLen > kMaxChunkSizeLine || !ChunkSize(line, &size)) return BadSizeLine(line);
        buffer.Consume(lineLen + 2);
        if (size == 0) {
            // The empty line that ends the body; trailer fields are not supported.
            buffer.Consume(2);
            return kOk;
        }
        ErrCode err = ReadLengthBody(source, buffer, size, sink);
        if (err) return err;
        while (buffer.size() < 2) {
            err = buffer.Fill(source);
            if (err) return err;
        }
        if (buffer.data()[0] != '\r' || buffer.data()[1] != '\n') return Fail(true, kLocChunk, kErrInternal, 0);
        buffer.Consume(2);
    }
}

}  // namespace rt
