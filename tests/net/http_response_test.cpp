// The answer readers without a network: header fields, status, header block limits, the
// Content-Length reader and the chunked reader, fed piece by piece from a script.
#include <gtest/gtest.h>

#include <string>

#include "net/http_response.h"
#include "tests/net/net_test_support.h"

namespace rt {
namespace {

using test::MemorySink;
using test::Pieces;
using test::ScriptedSource;
using rt_test::Str;

class HttpResponseTest : public test::NetTest {};

struct FieldCase {
    const char* block;
    ErrCode error;
    int16_t encoding;
    uint32_t length;
};

TEST_F(HttpResponseTest, HeaderFieldsTable) {
    const FieldCase cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n", 0, kCodingNone, 12},
        {"HTTP/1.1 200 OK\r\nContent-Length:12\r\n\r\n", 0, kCodingNone, 12},     // no blank after ':'
        {"HTTP/1.1 200 OK\r\ncontent-length:   7\r\n\r\n", 0, kCodingNone, 7},
        {"HTTP/1.1 200 OK\r\nCONTENT-LENGTH: 0\r\n\r\n", 0, kCodingNone, 0},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", 0, kCodingChunked, 0},
        {"HTTP/1.1 200 OK\r\ntRaNsFeR-eNcOdInG: ChUnKeD\r\n\r\n", 0, kCodingChunked, 0},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n", 0, 4, 0},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: identity\r\n\r\n", 0, kCodingIdentity, 0},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: compress\r\n\r\n", 0, 2, 0},
        // Two codings: the first item keeps its comma and is no known coding.
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\nContent-Length: 3\r\n\r\n", 0, kCodingUnknown, 3},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", kErrBadInput, kCodingUnknown, 0},
        {"HTTP/1.1 200 OK\r\nServer: x\r\n\r\n", kErrBadInput, kCodingNone, 0},
        {"HTTP/1.1 200 OK\r\nContent-Length: 4294967295\r\n\r\n", 0, kCodingNone, 4294967295u},
        // A length that does not fit 32 bits or is no number is no length at all.
        {"HTTP/1.1 200 OK\r\nContent-Length: 4294967296\r\n\r\n", kErrBadInput, kCodingNone, 0},
        {"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", kErrBadInput, kCodingNone, 0},
        {"HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n\r\n", kErrBadInput, kCodingNone, 0},
        // Two lengths must agree; the same length twice is one length.
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 500\r\n\r\n", kErrBadInput, kCodingNone, 5},
        {"HTTP/1.1 200 OK\r\nContent-Length: 500\r\nX: y\r\ncontent-length:5\r\n\r\n", kErrBadInput, kCodingNone, 500},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: x\r\n\r\n", kErrBadInput, kCodingNone, 5},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n\r\n", 0, kCodingNone, 5},
        {"HTTP/1.1 200 OK\r\nX-Content-Length: 9\r\nContent-Length: 5\r\n\r\n", 0, kCodingNone, 5},
    };
    for (const FieldCase& c : cases) {
        ResponseHeader h = ParseHeaderFields(StrFromLiteral(c.block));
        EXPECT_EQ(h.error, c.error) << c.block;
        EXPECT_EQ(h.encoding, c.encoding) << c.block;
        EXPECT_EQ(h.length, c.length) << c.block;
    }
}

TEST_F(HttpResponseTest, NoLengthIsRecordedAt1501) {
    ParseHeaderFields(StrFromLiteral("HTTP/1.1 200 OK\r\n\r\n"));
    EXPECT_EQ(LastError().code, kErrBadInput);
    EXPECT_EQ(LastError().module, kLocHttpHeader);
}

struct StatusCase {
    const char* block;
    ErrCode result;
    const char* detail;
};

TEST_F(HttpResponseTest, StatusTable) {
    const StatusCase cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n", 0, ""},
        {"HTTP/1.0 200\r\n\r\n", 0, ""},
        {"HTTP/1.1 301 Moved Permanently\r\nLocation: x\r\n\r\n", kErrDeviceIo, "301 Moved Permanently"},
        {"HTTP/1.1 404 Not Found\r\n\r\n", kErrDeviceIo, "404 Not Found"},
        {"HTTP/1.1 2000 OK\r\n\r\n", kErrDeviceIo, "2000 OK"},
        {"HTTP/1.1 20 OK\r\n\r\n", kErrDeviceIo, "20 OK"},
        {"garbage\r\n\r\n", kErrDeviceIo, ""},
    };
    for (const StatusCase& c : cases) {
        ReportError(0, StrEmpty());
        EXPECT_EQ(CheckStatus(StrFromLiteral(c.block)), c.result) << c.block;
        if (c.result) {
            EXPECT_EQ(test::Detail(), c.detail) << c.block;
        }
    }
}

ErrCode ReadAll(const std::string& answer, size_t piece, MemorySink& sink) {
    ScriptedSource source(Pieces(answer, piece));
    return ReadResponse(source, sink);
}

TEST_F(HttpResponseTest, EveryCutOfALengthAnswerGivesTheSameBody) {
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nhello world";
    for (size_t piece = 1; piece <= answer.size(); ++piece) {
        MemorySink sink;
        EXPECT_EQ(ReadAll(answer, piece, sink), 0) << piece;
        EXPECT_EQ(sink.bytes, "hello world") << piece;
    }
}

TEST_F(HttpResponseTest, EveryCutOfAChunkedAnswerGivesTheSameBody) {
    const std::string answer =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
        "5\r\nhello\r\n1;ext=1\r\n \r\n00000005\r\nworld\r\n0\r\n\r\n";
    for (size_t piece = 1; piece <= answer.size(); ++piece) {
        MemorySink sink;
        EXPECT_EQ(ReadAll(answer, piece, sink), 0) << piece;
        EXPECT_EQ(sink.bytes, "hello world") << piece;
    }
}

TEST_F(HttpResponseTest, LengthReaderLeavesTheBytesBeyond) {
    ResponseBuffer buffer;
    ScriptedSource source({"abcdef"});
    ASSERT_EQ(buffer.Fill(source), kOk);
    MemorySink sink;
    EXPECT_EQ(ReadLengthBody(source, buffer, 4, sink), 0);
    EXPECT_EQ(sink.bytes, "abcd");
    EXPECT_EQ(Str(buffer.View()), "ef");
}

TEST_F(HttpResponseTest, LengthLargerThanTheAnswerEndsWithTheSourceError) {
    MemorySink sink;
    EXPECT_EQ(ReadAll("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nshort", 7, sink), kErrNetAccess);
    EXPECT_EQ(sink.bytes, "short");
}

TEST_F(HttpResponseTest, HugeAnnouncedLengthAllocatesNothing) {
    // The reader streams what comes; the announced 4 GB are never reserved anywhere.
    uint32_t before = PoolFreeBytes();
    MemorySink sink;
    EXPECT_EQ(ReadAll("HTTP/1.1 200 OK\r\nContent-Length: 4294967295\r\n\r\nabc", 1024, sink), kErrNetAccess);
    EXPECT_EQ(PoolFreeBytes(), before);
}

TEST_F(HttpResponseTest, SinkErrorEndsTheBody) {
    MemorySink sink;
    sink.failWith = kErrFileIo;
    EXPECT_EQ(ReadAll("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", 1024, sink), kErrFileIo);
}

TEST_F(HttpResponseTest, HeaderBlockWithoutEndIsBounded) {
    // A server that sends header bytes for ever: refused once the block passes its limit.
    std::string endless = "HTTP/1.1 200 OK\r\n";
    while (endless.size() < 3 * kMaxHeaderBlock) endless += "X-Filler: 0123456789012345678901234567\r\n";
    ScriptedSource source(Pieces(endless, 1024));
    MemorySink sink;
    EXPECT_EQ(ReadResponse(source, sink), kErrBadInput);
    EXPECT_LE(source.pulls(), kMaxHeaderBlock / 1024 + 2);
}

TEST_F(HttpResponseTest, OverlongHeaderLineIsRefused) {
    std::string answer = "HTTP/1.1 200 OK\r\nX-Long: " + std::string(kMaxHeaderLine, 'a') + "\r\nContent-Length: 0\r\n\r\n";
    MemorySink sink;
    EXPECT_EQ(ReadAll(answer, 1024, sink), kErrBadInput);
}

TEST_F(HttpResponseTest, HeaderBlockCutShortIsTheSourceError) {
    MemorySink sink;
    EXPECT_EQ(ReadAll("HTTP/1.1 200 OK\r\nContent-Le", 5, sink), kErrNetAccess);
}

TEST_F(HttpResponseTest, CodingsOtherThanChunkedGive148AndReadNothing) {
    for (const char* coding : {"gzip", "deflate", "compress", "identity"}) {
        MemorySink sink;
        std::string answer = std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: ") + coding + "\r\n\r\nxyz";
        EXPECT_EQ(ReadAll(answer, 1024, sink), kErrFeatureRemoved) << coding;
        EXPECT_EQ(sink.bytes, "") << coding;
    }
}

struct ChunkCase {
    const char* name;
    std::string body;  // after the header block
    ErrCode result;
    std::string bytes;
};

TEST_F(HttpResponseTest, ChunkedTable) {
    const ChunkCase cases[] = {
        {"five bytes", "5\r\nhello\r\n0\r\n\r\n", 0, "hello"},
        {"upper-case hex", "A\r\n0123456789\r\n0\r\n\r\n", 0, "0123456789"},
        {"last chunk without its empty line", "3\r\nabc\r\n0\r\n", 0, "abc"},
        {"chunk not followed by CR LF", "5\r\nhelloXY0\r\n\r\n", kErrInternal, "hello"},
        {"chunk followed by LF alone", "5\r\nhello\n0\r\n\r\n", kErrInternal, "hello"},
        {"chunk followed by CR and no LF", "5\r\nhello\rX0\r\n\r\n", kErrInternal, "hello"},
        {"size line of nine characters", "000000005\r\nhello\r\n0\r\n\r\n", kErrNoCode, ""},
        {"size line that is no number", "zz\r\nhello\r\n0\r\n\r\n", kErrNoCode, ""},
        {"empty size line", "\r\n", kErrNoCode, ""},
        {"server answer as size line", "Error #175.Permiso denegado\r\n", 175, ""},
        {"Fail as size line", "Fail\r\n", kErrUndefWarning, ""},  // "Fa" reads as hex, the "il" makes it no size
        {"size line without end", std::string(2000, '7'), kErrNoCode, ""},
        {"body cut short", "5\r\nhel", kErrNetAccess, "hel"},
    };
    for (const ChunkCase& c : cases) {
        ReportError(0, StrEmpty());
        MemorySink sink;
        EXPECT_EQ(ReadAll("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + c.body, 1024, sink), c.result)
            << c.name;
        EXPECT_EQ(sink.bytes, c.bytes) << c.name;
    }
}

TEST_F(HttpResponseTest, BadSizeLineIsReportedWithTheLine) {
    MemorySink sink;
    EXPECT_EQ(ReadAll("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n123456789\r\n", 1024, sink), kErrNoCode);
    EXPECT_EQ(test::Detail(), "123456789");
    EXPECT_EQ(LastError().module, kLocChunk);
}

TEST_F(HttpResponseTest, MissingCrLfAfterChunkIsRecordedAt1502) {
    MemorySink sink;
    EXPECT_EQ(ReadAll("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nab\r\n", 1024, sink), kErrInternal);
    EXPECT_EQ(LastError().code, kErrInternal);
    EXPECT_EQ(LastError().module, kLocChunk);
}

TEST_F(HttpResponseTest, LargeChunkStreamsThroughTheFixedBuffer) {
    std::string data(300000, 'q');
    for (size_t i = 0; i < data.size(); i += 977) data[i] = static_cast<char>('a' + i % 26);
    char size[16];
    std::snprintf(size, sizeof size, "%zx", data.size());
    MemorySink sink;
    EXPECT_EQ(ReadAll("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(size) + "\r\n" + data +
                          "\r\n0\r\n\r\n",
                      1024, sink),
              0);
    EXPECT_TRUE(sink.bytes == data) << sink.bytes.size() << " bytes";
}

// A hostile server may cut a body into chunks of one byte: 40000 of them arrive in one read. Had
// the reader moved what it has not read after each, it would move gigabytes.
TEST_F(HttpResponseTest, TinyChunksInOneLargeReadAreNotMovedOneByOne) {
    std::string wire, body;
    for (int i = 0; i < 40000; ++i) {
        body += static_cast<char>('a' + i % 26);
        wire += std::string("1\r\n") + body.back() + "\r\n";
    }
    wire += "0\r\n\r\n";
    ResponseBuffer buffer;
    ScriptedSource source(Pieces(wire, kMaxPull));
    MemorySink sink;
    EXPECT_EQ(ReadChunkedBody(source, buffer, sink), kOk);
    EXPECT_TRUE(sink.bytes == body) << sink.bytes.size() << " bytes";
    EXPECT_LT(buffer.moved(), wire.size()) << "bytes moved while reading " << wire.size();
}

}  // namespace
}  // namespace rt
