// Raw-bytes regression tests of the HTTP client against scripted servers on 127.0.0.1, each
// named after the fault it guards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "net/http_client.h"
#include "net/http_request.h"
#include "net/socket.h"
#include "runtime/wait.h"
#include "runtime/fs.h"
#include "runtime/paths.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "tests/net/fake_server.h"
#include "tests/net/net_test_support.h"

namespace rt {
namespace {

using test::Clock;
using test::FakePiece;
using test::FakeScript;
using test::FakeServer;
using test::MsSince;
using rt_test::Str;
using rt_test::V;

class HttpClientTest : public test::SocketUsingTest {
protected:
    // The bytes a fetch of url handed to its sink.
    static std::string Fetch(const std::string& url, ErrCode* err, const FetchLimits& limits = {}) {
        test::MemorySink sink;
        *err = HttpFetchToSink(V(url), kFetchNoLog, sink, limits);
        return sink.bytes;
    }
    // A fetch writes no file on its way.
    void ExpectNoTemporaryFiles() { EXPECT_EQ(FileCount(), 0u); }
};

FakeScript Answer(std::vector<FakePiece> pieces) {
    FakeScript s;
    s.pieces = std::move(pieces);
    return s;
}

TEST_F(HttpClientTest, HeadersSplitAcrossSegmentsAreAssembled) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nCont"},
                              {30, "ent-Length: 11\r"},
                              {30, "\n\r\nhello"},   // body bytes that came with the header
                              {30, " world"}}));
    ErrCode err = 0;
    EXPECT_EQ(Fetch(server.Url("/x"), &err), "hello world");
    EXPECT_EQ(err, kOk);
    ExpectNoTemporaryFiles();
}

TEST_F(HttpClientTest, ChunkedBodyIsDecoded) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel"},
                              {30, "lo\r"},
                              {30, "\n6\r\n world\r\n0\r\n\r\n"}}));
    ErrCode err = 0;
    EXPECT_EQ(Fetch(server.Url("/x"), &err), "hello world");
    EXPECT_EQ(err, kOk);
}

// Large receives hand the reader pieces of many kilobytes: a header block followed by most of a
// chunk, chunk ends and size lines inside one piece, chunks larger than a piece.
TEST_F(HttpClientTest, LargeChunkedBodyInLargeSegmentsIsDecoded) {
    std::string body, wire = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const size_t sizes[] = {40000, 1, 16383, 16384, 16385, 7};
    char fill = 'a';
    for (size_t n : sizes) {
        std::string chunk(n, fill++);
        char line[16];
        std::snprintf(line, sizeof line, "%zx\r\n", n);
        wire += line + chunk + "\r\n";
        body += chunk;
    }
    wire += "0\r\n\r\n";
    // Sent as a few big writes that cut through size lines and chunk data alike.
    std::vector<FakePiece> pieces;
    for (size_t at = 0; at < wire.size(); at += 30011) pieces.push_back({at ? 5u : 0u, wire.substr(at, 30011)});
    FakeServer server(Answer(pieces));
    ErrCode err = 0;
    std::string got = Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kOk);
    EXPECT_EQ(got.size(), body.size());
    EXPECT_TRUE(got == body) << "the decoded body differs";
}

TEST_F(HttpClientTest, MixedCaseHeadersSelectTheChunkedReader) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\ntRANSFER-eNCODING:   CHunKed\r\n\r\n3\r\nabc\r\n0\r\n\r\n"}}));
    ErrCode err = 0;
    EXPECT_EQ(Fetch(server.Url("/x"), &err), "abc");
    EXPECT_EQ(err, kOk);
}

TEST_F(HttpClientTest, ContentLengthWithoutBlankIsAccepted) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\ncontent-length:2\r\n\r\nok"}}));
    ErrCode err = 0;
    EXPECT_EQ(Fetch(server.Url("/x"), &err), "ok");
    EXPECT_EQ(err, kOk);
}

TEST_F(HttpClientTest, RedirectIsNotFollowedAndGives172) {
    FakeServer server(Answer({{0, "HTTP/1.1 301 Moved Permanently\r\nLocation: http://elsewhere/\r\nContent-Length: 0\r\n\r\n"}}));
    ErrCode err = 0;
    Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kErrDeviceIo);
    EXPECT_EQ(test::Detail(), "301 Moved Permanently");
    ExpectNoTemporaryFiles();
}

TEST_F(HttpClientTest, NoLengthGives163) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nServer: fake\r\n\r\nbody without length"}}));
    ErrCode err = 0;
    Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kErrBadInput);
    EXPECT_EQ(LastError().module, kLocHttpHeader);
}

TEST_F(HttpClientTest, TwoCodingsWithoutLengthGive163) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n"}}));
    ErrCode err = 0;
    Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kErrBadInput);
}

TEST_F(HttpClientTest, ServerThatAcceptsAfter200msGives139) {
    FakeScript script;
    script.fullBacklog = true;
    script.acceptDelayMs = 200;
    FakeServer server(script);
    ErrCode err = 0;
    auto start = Clock::now();
    Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kErrNetAccess);
    EXPECT_LT(MsSince(start), 1000);
    ExpectNoTemporaryFiles();
}

TEST_F(HttpClientTest, ChunkNotFollowedByCrLfGives141) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcde\r\n0\r\n\r\n"}}));
    ErrCode err = 0;
    Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kErrInternal);
    EXPECT_EQ(LastError().module, kLocChunk);
}

TEST_F(HttpClientTest, ChunkSizeLineLongerThan8CharactersFails) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n100000000\r\nabc\r\n0\r\n\r\n"}}));
    ErrCode err = 0;
    Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kErrNoCode);
    EXPECT_EQ(test::Detail(), "100000000");
}

TEST_F(HttpClientTest, ServerAnswerInPlaceOfChunkSizeGivesItsCode) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nError #175.Acceso denegado\r\n"}}));
    ErrCode err = 0;
    Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, 175);
}

TEST_F(HttpClientTest, ContentLengthLargerThanTheBodyFailsCleanly) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nContent-Length: 1000000000\r\n\r\nonly this"}}));
    ErrCode err = 0;
    auto start = Clock::now();
    std::string got = Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kErrNetAccess);
    // The server has closed: its socket reads as ready, so nothing waits for more.
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_EQ(got, "only this");
    ExpectNoTemporaryFiles();
}

// A server that sends more than the caller expects, however it announces it, is stopped at the
// limit: no byte beyond it reaches the sink.
TEST_F(HttpClientTest, BodiesBeyondTheLimitStopAtTheLimit) {
    const std::string block(64 * 1024, 'x');
    std::vector<FakePiece> announced{{0, "HTTP/1.1 200 OK\r\nContent-Length: 4294967295\r\n\r\n"}};
    std::vector<FakePiece> chunked{{0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"}};
    for (int i = 0; i < 40; ++i) {
        announced.push_back({0, block});
        chunked.push_back({0, "10000\r\n" + block + "\r\n"});
    }
    for (auto* pieces : {&announced, &chunked}) {
        FakeServer server(Answer(*pieces));
        FetchLimits limits;
        limits.maxBody = 1024 * 1024;
        ErrCode err = 0;
        EXPECT_LE(Fetch(server.Url("/x"), &err, limits).size(), limits.maxBody);
        EXPECT_EQ(err, kErrDataOutBound);
    }
}

// The limit from both sides: a body of exactly maxBody bytes arrives whole, one byte more stops
// the fetch. The default admits a file answer of 4 GiB and its 42-byte header. The deadline grows
// with the limit, so that a large body at a sound rate is not cut by the base time alone.
TEST_F(HttpClientTest, TheBodyLimitFromBothSidesAndTheDeadlineThatGrowsWithIt) {
    for (const uint32_t size : {100u, 101u}) {
        FakeServer server(test::LengthAnswer(std::string(size, 'b')));
        FetchLimits limits;
        limits.maxBody = 100;
        const uint16_t mark = PoolMark();
        const StrRef body = HttpFetchToString(V(server.Url("/x")), kFetchNoLog, limits);
        if (size == 100) {
            EXPECT_EQ(Str(body), std::string(100, 'b'));
        } else {
            EXPECT_EQ(StrError(body), kErrDataOutBound);
        }
        PoolRelease(mark);
    }
    EXPECT_EQ(FetchLimits{}.maxBody, 4294967295ull + 42);
    FetchLimits mib{1u << 20, 0, 1u << 20};
    EXPECT_EQ(mib.DeadlineMs(), 1000u) << "1 MiB at the minimum of 1 MiB/s";
    mib.maxBody = 2u << 20;
    EXPECT_EQ(mib.DeadlineMs(), 2000u);
}

// The fetch's two waits: a byte now and then keeps the server within the silence it may keep, but
// not within the request's deadline; a server that stops sending ends at the silence.
TEST_F(HttpClientTest, TrickleEndsAtTheDeadlineAndSilenceAtItsWait) {
    const struct { const char* what; int bytes; long long atLeast, below; const char* detail; } cases[] = {
        {"trickle", 40, 450, 2500, "The answer took longer than its deadline"},
        {"silence", 0, 250, 1500, "The server sent nothing within the wait"},
    };
    for (const auto& c : cases) {
        std::vector<FakePiece> pieces{{0, "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n"}};
        for (int i = 0; i < c.bytes; ++i) pieces.push_back({150, "y"});
        FakeScript script = Answer(pieces);
        script.holdMs = 5000;  // open and silent until the client goes
        FakeServer server(script);
        FetchLimits limits;
        limits.maxBody = 100;
        limits.baseMs = 500;
        limits.minimumRate = 1000000;
        limits.silenceMs = 300;
        ErrCode err = 0;
        const auto start = Clock::now();
        Fetch(server.Url("/x"), &err, limits);
        EXPECT_EQ(err, kErrNetAccess) << c.what;
        EXPECT_GE(MsSince(start), c.atLeast) << c.what;
        EXPECT_LT(MsSince(start), c.below) << c.what << ": the whole answer would take 6 s";
        EXPECT_EQ(test::Detail(), c.detail) << c.what;
    }
}

TEST_F(HttpClientTest, HttpsAddressGives148WithoutConnecting) {
    ErrCode err = 0;
    Fetch("https://127.0.0.1:1/x", &err);
    EXPECT_EQ(err, kErrFeatureRemoved);
    EXPECT_EQ(test::Detail(), "https://");
    ExpectNoTemporaryFiles();
}

TEST_F(HttpClientTest, TransferEncodingGzipGives148) {
    FakeServer server(Answer({{0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\nContent-Length: 3\r\n\r\nxyz"}}));
    ErrCode err = 0;
    Fetch(server.Url("/x"), &err);
    EXPECT_EQ(err, kErrFeatureRemoved);
}

TEST_F(HttpClientTest, PortInTheAddressIsUsedAndNamedInHost) {
    FakeServer server(test::LengthAnswer("p"));
    ErrCode err = 0;
    EXPECT_EQ(Fetch(server.Url("/cgi-bin/updater?view=12&path=app"), &err), "p");
    EXPECT_EQ(err, kOk);
    server.Join();
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_NE(server.requests()[0].find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"),
              std::string::npos);
}

TEST_F(HttpClientTest, RequestBytesSentAreExact) {
    FakeServer server(test::LengthAnswer(""));
    ErrCode err = 0;
    Fetch(server.Url("/cgi-bin/updater?view=12&user=ana&path=app/sub"), &err);
    EXPECT_EQ(err, kOk);
    server.Join();
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              std::string("GET /cgi-bin/updater?view=12&user=ana&path=app/sub HTTP/1.1\r\n"
                          "Accept: text/html, application/xhtml+xml, image/jxr, */*\r\n"
                          "Accept-Encoding: identity\r\n"
                          "Referer: http://") +
                  kDefaultServerHost +
                  "/\r\n"
                  "Accept-Language: es-ES\r\n"
                  "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n\r\n");
}

TEST_F(HttpClientTest, EmptyBodyIsNoError) {
    FakeServer server(test::LengthAnswer(""));
    ErrCode err = 0;
    EXPECT_EQ(Fetch(server.Url("/x"), &err), "");
    EXPECT_EQ(err, kOk);
}

// The body's pieces are as large as a text, which is half the temporary pool: they must not be
// taken from it, or a fetch made while the caller holds texts fails for want of memory.
TEST_F(HttpClientTest, MegabyteBodyWithThePoolNearlyFull) {
    std::string body(1 << 20, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
    FakeServer server(test::LengthAnswer(body));
    uint16_t mark = PoolMark();
    ASSERT_NE(PoolBuffer(PoolFreeBytes() - 8192), nullptr);
    ErrCode err = 0;
    std::string got = Fetch(server.Url("/big"), &err);
    PoolRelease(mark);
    EXPECT_EQ(err, kOk);
    EXPECT_TRUE(got == body) << "body of " << got.size() << " bytes differs";
}

TEST_F(HttpClientTest, FetchToStringGivesTheBody) {
    FakeServer server(test::LengthAnswer("some text"));
    uint16_t mark = PoolMark();
    EXPECT_EQ(Str(HttpFetchToString(V(server.Url("/s")), kFetchNoLog)), "some text");
    EXPECT_EQ(PoolMark(), mark + 1);  // one result above the caller's mark
    PoolRelease(mark);
    ExpectNoTemporaryFiles();
}

TEST_F(HttpClientTest, FetchToStringRefusesBodiesBeyondAStringValue) {
    FakeServer server(test::LengthAnswer(std::string(70000, 'z')));
    uint16_t mark = PoolMark();
    EXPECT_EQ(StrError(HttpFetchToString(V(server.Url("/s")), kFetchNoLog)), kErrOutOfMemory);
    EXPECT_EQ(PoolMark(), mark);
    ExpectNoTemporaryFiles();
}

struct AnswerCase {
    const char* body;
    ErrCode result;
    const char* detail;  // nullptr: not checked
};

TEST_F(HttpClientTest, ExpectOkAnswers) {
    const AnswerCase cases[] = {
        {"OK", kOk, nullptr},
        {"Fail", kErrUndefWarning, nullptr},
        {"Error #175.Usuario desconocido", 175, "Server response: Usuario desconocido"},
        {"Error #0.nada", kErrNoCode, "Server response: nada"},
        {"OK\r\n", kErrNoCode, nullptr},
        {"ok", kErrNoCode, nullptr},
    };
    for (const AnswerCase& c : cases) {
        RecordError(0, 0);
        ReportError(0, StrEmpty());
        FakeServer server(test::LengthAnswer(c.body));
        EXPECT_EQ(HttpFetchExpectOk(V(server.Url("/q")), kFetchNoLog), c.result) << c.body;
        if (c.detail) {
            EXPECT_EQ(test::Detail(), c.detail) << c.body;
        }
    }
}

TEST_F(HttpClientTest, UnrecognisedAnswerIsReportedWithTheAddress) {
    FakeServer server(test::LengthAnswer("<html>busy</html>"));
    std::string url = server.Url("/q?user=ana");
    EXPECT_EQ(HttpFetchExpectOk(V(url), 0), kErrNoCode);
    EXPECT_EQ(test::Detail(), "(" + url + ") <html>busy</html>");
}

TEST_F(HttpClientTest, UnrecognisedAnswerHidesThePassword) {
    FakeScript script = test::LengthAnswer("busy");
    script.connections = 2;
    FakeServer server(script);
    for (uint16_t flags : {uint16_t{0}, kFetchNoLog}) {
        EXPECT_EQ(HttpFetchExpectOk(V(server.Url("/q?user=ana&passw=secret")), flags), kErrNoCode);
        EXPECT_EQ(test::Detail(), "(" + server.Url("/q?user=ana&passw=***") + ") busy") << flags;
    }
}

TEST_F(HttpClientTest, ExpectOkPassesFetchErrorsOn) {
    FakeServer server(Answer({{0, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 2\r\n\r\nOK"}}));
    EXPECT_EQ(HttpFetchExpectOk(V(server.Url("/q")), kFetchNoLog), kErrDeviceIo);
}

TEST_F(HttpClientTest, FiftyFetchesPayNoFixedSleep) {
    const int kFetches = 50;
    FakeScript script = test::LengthAnswer("OK");
    script.connections = kFetches;
    FakeServer server(script);
    std::string url = server.Url("/q");
    auto start = Clock::now();
    for (int i = 0; i < kFetches; ++i) ASSERT_EQ(HttpFetchExpectOk(V(url), kFetchNoLog), kOk) << i;
    long long ms = MsSince(start);
    // A fixed 150 ms connect wait alone would take 7.5 s.
    EXPECT_LT(ms, kFetches * static_cast<long long>(kConnectWaitMs) / 3) << ms << " ms";
    ExpectNoTemporaryFiles();
}

TEST_F(HttpClientTest, ConnectionRefusedGives139) {
    uint16_t port = 0;
    {
        FakeServer gone(test::LengthAnswer(""));
        port = gone.port();
        // Served nobody: the thread gives up only after its accept wait, so connect once.
        uint16_t slot = SocketOpen(StrFromLiteral("127.0.0.1"), port);
        SocketSend(slot, StrFromLiteral("\r\n\r\n"));
        SocketClose(slot);
    }
    ErrCode err = 0;
    Fetch("http://127.0.0.1:" + std::to_string(port) + "/x", &err);
    EXPECT_EQ(err, kErrNetAccess);
    ExpectNoTemporaryFiles();
}

TEST_F(HttpClientTest, AddressesAreLoggedUnlessAskedNotTo) {
    std::string log = File("log.txt");
    StoreSet(kGroupSystem, kItemLogName, V(log));
    IntSet(kSysTrace, 32);
    FakeScript script = test::LengthAnswer("x");
    script.connections = 2;
    FakeServer server(script);
    std::string shown = server.Url("/shown?user=a&passw=");
    std::string hidden = server.Url("/hidden?passw=secret");
    test::MemorySink sink;
    EXPECT_EQ(HttpFetchToSink(V(shown), 0, sink), kOk);
    EXPECT_EQ(HttpFetchToSink(V(hidden), kFetchNoLog, sink), kOk);
    IntSet(kSysTrace, 0);
    StoreSet(kGroupSystem, kItemLogName, StrEmpty());
    std::ifstream in(log, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(shown + "***"), std::string::npos) << text;
    EXPECT_EQ(text.find("hidden"), std::string::npos) << text;
}

TEST_F(HttpClientTest, BadPortGives163) {
    ErrCode err = 0;
    Fetch("http://127.0.0.1:99999/x?passw=s", &err);
    EXPECT_EQ(err, kErrBadInput);
    EXPECT_EQ(test::Detail(), "Not a usable server address: http://127.0.0.1:99999/x?passw=***") << "its own detail, no password";
}

}  // namespace
}  // namespace rt

namespace rt {
namespace {

uint64_t gCancelAt = 0;
uint64_t gWatched = 0;
ErrCode CancelAfter(uint64_t bytes) {
    gWatched = bytes;
    return bytes >= gCancelAt ? kErrUserCanceled : 0;
}

TEST_F(HttpClientTest, AWatcherStopsALongDownloadAtOnceAndNothingIsLeft) {
    // 64 MiB announced, sent in pieces of 256 KiB every 20 ms: the whole would take five seconds.
    FakeScript script;
    script.pieces.push_back({0, "HTTP/1.1 200 OK\r\nContent-Length: 67108864\r\n\r\n"});
    for (int i = 0; i < 256; ++i) script.pieces.push_back({20, std::string(256 * 1024, 'k')});
    FakeServer server(script);
    gCancelAt = 1 << 20;
    SetHttpSeams({.received = CancelAfter});
    const auto start = Clock::now();
    ErrCode err = 0;
    Fetch(server.Url("/big"), &err);
    const long long ms = MsSince(start);
    SetHttpSeams({});
    EXPECT_EQ(err, kErrUserCanceled);
    EXPECT_LT(ms, 1000);
    EXPECT_GE(gWatched, gCancelAt);
    EXPECT_LT(gWatched, gCancelAt + (1 << 20)) << "stopped at the first piece past the mark";
    ExpectNoTemporaryFiles();
}

}  // namespace
}  // namespace rt
