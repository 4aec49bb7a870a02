// The socket layer against servers on 127.0.0.1: connect limits, slots, send, receive retries
// and their timing, subcodes and name resolution.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "net/socket.h"
#include "runtime/wait.h"
#include "runtime/streams.h"
#include "tests/net/fake_server.h"
#include "tests/net/net_test_support.h"

namespace rt {
namespace {

using test::Clock;
using test::FakeScript;
using test::FakeServer;
using test::MsSince;
using rt_test::Str;
using rt_test::V;

class SocketTest : public test::SocketUsingTest {};

// A port on which nothing listens: bound once, then released.
uint16_t DeadPort() {
    ScopedSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in at;
    std::memset(&at, 0, sizeof at);
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s.get(), reinterpret_cast<sockaddr*>(&at), sizeof at);
    sock_len_t len = sizeof at;
    getsockname(s.get(), reinterpret_cast<sockaddr*>(&at), &len);
    return ntohs(at.sin_port);
}

struct SubcodeCase {
    int error;
    uint16_t subcode;
};

TEST(SocketSubcodeTest, Table) {
    const SubcodeCase cases[] = {
        {10004, 1110}, {10014, 1109}, {10022, 1108}, {10035, 1111}, {10036, 1107}, {10050, 1102},
        {10093, 1101}, {11001, 1103}, {11002, 1104}, {11003, 1105}, {11004, 1106},
        {10005, 10005}, {10013, 10013}, {10015, 10015}, {10021, 10021}, {10023, 10023},
        {10034, 10034}, {10054, 10054}, {0, 0}, {70000, 70000 & 0xFFFF},
    };
    for (const SubcodeCase& c : cases) EXPECT_EQ(SocketSubcode(c.error), c.subcode) << c.error;
}

TEST_F(SocketTest, StartupGrantsVersion22) { EXPECT_EQ(SocketStartup(), kOk); }

TEST_F(SocketTest, DottedAddressIsNotLookedUp) {
    StrRef host = StrFromLiteral("127.0.0.1");
    StrRef got = SocketResolve(host);
    EXPECT_EQ(got.ptr, host.ptr);
    EXPECT_EQ(got.len, host.len);
}

TEST_F(SocketTest, NameIsResolvedToDottedText) {
    uint16_t mark = PoolMark();
    EXPECT_EQ(Str(SocketResolve(StrFromLiteral("localhost"))), "127.0.0.1");
    PoolRelease(mark);
}

TEST_F(SocketTest, FailedLookupReportsAt1001AndKeepsTheText) {
    StrRef host = StrFromLiteral("no-such-host.invalid");
    uint16_t mark = PoolMark();
    StrRef got = SocketResolve(host);
    PoolRelease(mark);
    EXPECT_EQ(got.ptr, host.ptr);
    EXPECT_EQ(LastError().code, kErrDeviceIo);
    EXPECT_EQ(LastError().module, kLocResolve);
    EXPECT_EQ(test::Detail().rfind("Orvik.subcode: 110", 0), 0u) << test::Detail();
    EXPECT_NE(test::Detail().find(", system code: 110"), std::string::npos) << test::Detail();
}

TEST_F(SocketTest, OpenSendReceiveClose) {
    FakeServer server(test::LengthAnswer("hi"));
    uint16_t slot = SocketOpen(StrFromLiteral(" 127.0.0.1 "), server.port());  // blanks are dropped
    ASSERT_LT(slot, kStreamSlots);
    EXPECT_GE(slot, kFirstFileSlot);
    EXPECT_EQ(StreamSlotTag(slot), kSlotSocket);
    EXPECT_EQ(SocketSend(slot, StrFromLiteral("GET / HTTP/1.1\r\n\r\n")), kOk);
    std::string got;
    while (got.find("hi") == std::string::npos) {
        uint16_t mark = PoolMark();
        StrRef piece = SocketReceive(slot, 1024, 5, kModNetRecv);
        ASSERT_TRUE(piece.ok());
        got += Str(piece);
        PoolRelease(mark);
    }
    SocketClose(slot);
    EXPECT_EQ(StreamSlotTag(slot), kSlotFree);
    server.Join();
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "GET / HTTP/1.1\r\n\r\n");
}

TEST_F(SocketTest, OpenByName) {
    FakeServer server(test::LengthAnswer(""));
    uint16_t slot = SocketOpen(StrFromLiteral("localhost"), server.port());
    ASSERT_LT(slot, kStreamSlots);
    SocketClose(slot);
}

TEST_F(SocketTest, ConnectDoesNotWaitTheWholeLimit) {
    FakeServer server([] {
        FakeScript s = test::LengthAnswer("");
        s.connections = 10;
        return s;
    }());
    auto start = Clock::now();
    for (int i = 0; i < 10; ++i) {
        uint16_t slot = SocketOpen(StrFromLiteral("127.0.0.1"), server.port());
        ASSERT_LT(slot, kStreamSlots);
        SocketSend(slot, StrFromLiteral("\r\n\r\n"));
        SocketClose(slot);
    }
    // Ten connects that each slept the 150 ms limit would take 1.5 s.
    EXPECT_LT(MsSince(start), 10 * static_cast<long long>(kConnectWaitMs) / 2);
}

TEST_F(SocketTest, ServerThatAcceptsAfter200msFailsWith139) {
    FakeScript script;
    script.fullBacklog = true;
    script.acceptDelayMs = 200;
    FakeServer server(script);
    auto start = Clock::now();
    EXPECT_EQ(SocketOpen(StrFromLiteral("127.0.0.1"), server.port()), kErrNetAccess);
    long long ms = MsSince(start);
    EXPECT_GE(ms, static_cast<long long>(kConnectWaitMs) - 20);
    EXPECT_LT(ms, 1000);
}

TEST_F(SocketTest, RefusedConnectionFailsWith139) {
    auto start = Clock::now();
    EXPECT_EQ(SocketOpen(StrFromLiteral("127.0.0.1"), DeadPort()), kErrNetAccess);
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(LastError().code, kErrNetAccess);
}

TEST_F(SocketTest, UnknownHostFailsWith139AfterTheLookupFailed) {
    EXPECT_EQ(SocketOpen(StrFromLiteral("no-such-host.invalid"), 80), kErrNetAccess);
    EXPECT_EQ(LastError().code, kErrDeviceIo);  // the lookup's report came first
}

TEST_F(SocketTest, AllSlotsInUseGives168BeforeASocketIsMade) {
    std::vector<uint16_t> taken;
    while (true) {
        uint16_t slot = StreamClaimSlot(9);
        if (slot >= kStreamSlots) break;
        taken.push_back(slot);
    }
    EXPECT_EQ(SocketOpen(StrFromLiteral("127.0.0.1"), DeadPort()), kErrDataOutBound);
    for (uint16_t slot : taken) StreamReleaseSlot(slot);
}

TEST_F(SocketTest, ReceiveReturnsWhenDataArrivesNotAfterTheDelay) {
    FakeScript script;
    script.pieces.push_back({130, "late"});
    FakeServer server(script);
    uint16_t slot = SocketOpen(StrFromLiteral("127.0.0.1"), server.port());
    ASSERT_LT(slot, kStreamSlots);
    SocketSend(slot, StrFromLiteral("\r\n\r\n"));
    auto start = Clock::now();
    uint16_t mark = PoolMark();
    EXPECT_EQ(Str(SocketReceive(slot, 1024, 5, kModNetRecv)), "late");
    PoolRelease(mark);
    // Sleeping 100 then 200 ms would deliver it at 300 ms.
    EXPECT_LT(MsSince(start), 280);
    SocketClose(slot);
}

TEST_F(SocketTest, PeerThatNeverSendsGives139AfterAbout3Seconds) {
    FakeScript script;
    script.holdMs = 6000;
    FakeServer server(script);
    uint16_t slot = SocketOpen(StrFromLiteral("127.0.0.1"), server.port());
    ASSERT_LT(slot, kStreamSlots);
    SocketSend(slot, StrFromLiteral("\r\n\r\n"));
    auto start = Clock::now();
    StrRef got = SocketReceive(slot, 1024, 5, kModNetRecv);
    long long ms = MsSince(start);
    EXPECT_EQ(StrError(got), kErrNetAccess);
    EXPECT_GE(ms, 3000);  // 100 + 200 + 400 + 800 + 1600
    EXPECT_LT(ms, 4500);
    EXPECT_EQ(test::Detail(), "sysError: 1111, retries: 5");
    EXPECT_EQ(LastError().module, kModNetRecv);
    SocketClose(slot);
}

TEST_F(SocketTest, ClosedPeerEndsTheRetriesWithoutWaiting) {
    FakeScript script;
    script.pieces.push_back({0, "abc"});
    FakeServer server(script);
    uint16_t slot = SocketOpen(StrFromLiteral("127.0.0.1"), server.port());
    ASSERT_LT(slot, kStreamSlots);
    SocketSend(slot, StrFromLiteral("\r\n\r\n"));
    server.Join();
    uint16_t mark = PoolMark();
    EXPECT_EQ(Str(SocketReceive(slot, 1024, 5, kModNetRecv)), "abc");
    auto start = Clock::now();
    EXPECT_EQ(StrError(SocketReceive(slot, 1024, 5, kModNetRecv)), kErrNetAccess);
    EXPECT_LT(MsSince(start), 1000);
    PoolRelease(mark);
    SocketClose(slot);
}

TEST_F(SocketTest, SlotsThatAreNoSocketsAreRefused) {
    EXPECT_EQ(SocketSend(1, StrFromLiteral("x")), kErrBadFileNumber);
    EXPECT_EQ(SocketSend(200, StrFromLiteral("x")), kErrBadFileNumber);
    EXPECT_EQ(StrError(SocketReceive(39, 1024, 5, kModNetRecv)), kErrBadFileNumber);
    EXPECT_EQ(SocketWait(3, false, 0), kErrBadFileNumber);
    SocketClose(1);  // a standard stream stays as it is
    EXPECT_NE(StreamSlotTag(1), kSlotFree);
}

TEST_F(SocketTest, LargeSendArrivesWhole) {
    FakeScript script;
    FakeServer server(script);
    uint16_t slot = SocketOpen(StrFromLiteral("127.0.0.1"), server.port());
    ASSERT_LT(slot, kStreamSlots);
    std::string data(30000, 'x');
    data += "\r\n\r\n";
    EXPECT_EQ(SocketSend(slot, V(data)), kOk);
    server.Join();
    SocketClose(slot);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], data);
}

}  // namespace
}  // namespace rt
