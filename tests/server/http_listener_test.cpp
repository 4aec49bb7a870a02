// The standalone HTTP mode of the update server: request heads, targets, and a real server on
// the loopback interface.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "server/http_listener.h"
#include "server/published_path.h"
#include "tests/server/server_test_support.h"
#include "protocol/transfer_header.h"

using namespace rt;
using server_test::ScratchDir;

TEST(ServerListenAddressTest, Table) {
    struct Case { const char* text; ErrCode err; const char* host; uint16_t port; };
    const Case cases[] = {
        {"127.0.0.1:8080", 0, "127.0.0.1", 8080}, {"localhost:0", 0, "localhost", 0},
        {"0.0.0.0:65535", 0, "0.0.0.0", 65535},   {"127.0.0.1:65536", 163, "", 0},
        {"127.0.0.1:", 163, "", 0},               {":8080", 163, "", 0},
        {"127.0.0.1", 163, "", 0},                {"127.0.0.1:80a", 163, "", 0},
        {"127.0.0.1:-1", 163, "", 0},             {"127.0.0.1:000080", 163, "", 0},
    };
    for (const Case& c : cases) {
        std::string host;
        uint16_t port = 7;
        EXPECT_EQ(ParseListenAddress(c.text, &host, &port), c.err) << c.text;
        if (c.err == 0) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        }
    }
}

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char kStatusTarget[] = "/cgi-bin/updater?view=12&path=app&downfile=none&date=0&time=0";

// A server on a port of its own, served by a thread, stopped by the fixture.
class ServerLoopbackTest : public testing::Test {
protected:
    void SetUp() override {
        root_.MakeFolder("app");
        root_.Write("app/a.txt", "hello");
        root_.Write("app/my file.txt", "spaced");
        root_.Write("app/100%.txt", "percent");
        ASSERT_EQ(RealPath(root_.path(), &config_.root), 0);
        ASSERT_EQ(OpenListener("127.0.0.1", 0, &listener_, &port_), 0);
        ASSERT_NE(port_, 0);
        Start(ServeLimits());
    }
    void TearDown() override { Stop(); }

    void Start(const ServeLimits& limits) {
        limits_ = limits;
        stop_ = false;
        thread_ = std::thread([this] { served_ = Serve(listener_.get(), config_, &stop_, nullptr, nullptr, limits_); });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    // A connection to the server, made within 3 s (or an invalid one, failing the test); the
    // receive buffer is made small first when asked, so that the server cannot park an answer
    // in it.
    UniqueFd Connect(int receiveBuffer = 0) {
        UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (receiveBuffer) setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        struct sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port_);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int err = connect(fd.get(), reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) == 0 ? 0 : errno;
        if (err == EINPROGRESS) {
            struct pollfd p = {fd.get(), POLLOUT, 0};
            socklen_t len = sizeof err;
            err = poll(&p, 1, 3000) == 1 ? 0 : ETIMEDOUT;
            if (!err) getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &err, &len);
        }
        EXPECT_EQ(err, 0) << "connecting to the server";
        if (err) return UniqueFd();
        fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
    // A connection that sends these bytes and is then left as it is.
    UniqueFd Hold(const std::string& bytes, int receiveBuffer = 0) {
        UniqueFd fd = Connect(receiveBuffer);
        if (fd.get() >= 0 && !bytes.empty()) {
            EXPECT_EQ(send(fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
        }
        return fd;
    }
    // Sends the bytes and reads until the server closes (at most 5 s).
    std::string Exchange(const std::string& request) {
        const UniqueFd fd = Hold(request);
        std::string response;
        char buffer[4096];
        while (fd.get() >= 0) {
            struct pollfd p = {fd.get(), POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) break;
            const ssize_t got = recv(fd.get(), buffer, sizeof buffer, 0);
            if (got <= 0) break;
            response.append(buffer, static_cast<size_t>(got));
        }
        return response;
    }
    std::string Get(const std::string& target) {
        return Exchange("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    }
    // A status query that must be answered "Fail" within a time well under a second, whatever
    // else the server is busy with.
    void ExpectPromptStatus(const std::string& context) {
        const auto start = Clock::now();
        EXPECT_EQ(BodyOf(Get(kStatusTarget)), "Fail") << context;
        EXPECT_LT(Clock::now() - start, milliseconds(500)) << context;
    }
    static std::string BodyOf(const std::string& response) {
        const size_t end = response.find("\r\n\r\n");
        return end == std::string::npos ? std::string() : response.substr(end + 4);
    }
    // Reads until the server ends the connection or `within` passes; how many bytes came, and
    // whether the end came in time. Reads `chunk` bytes every `every` (0: as fast as they come).
    struct Reading { size_t bytes = 0; bool ended = false; };
    static Reading ReadUntilEnd(int fd, Clock::duration within, size_t chunk, milliseconds every) {
        Reading r;
        const auto deadline = Clock::now() + within;
        std::string buffer(chunk, '\0');
        while (Clock::now() < deadline) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
            struct pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left > 0 ? left : 0)) <= 0) continue;
            const ssize_t got = recv(fd, buffer.data(), chunk, 0);
            if (got <= 0) {
                r.ended = true;
                break;
            }
            r.bytes += static_cast<size_t>(got);
            if (every.count()) std::this_thread::sleep_for(every);
        }
        return r;
    }

    ScratchDir root_;
    ServerConfig config_;
    UniqueFd listener_;
    uint16_t port_ = 0;
    ServeLimits limits_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    ErrCode served_ = 0xFFFF;
};

}  // namespace

TEST_F(ServerLoopbackTest, AnswersTheUpdaterRequests) {
    const std::string status = Get("/cgi-bin/updater?view=12&path=app&downfile=none&date=0&time=0");
    EXPECT_EQ(status.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << status;
    EXPECT_NE(status.find("\r\nContent-Length: 4\r\n"), std::string::npos) << status;
    EXPECT_NE(status.find("\r\nConnection: close\r\n"), std::string::npos) << status;
    EXPECT_EQ(BodyOf(status), "Fail");

    const std::string list = Get("/cgi-bin/updater?view=12&path=app");
    const std::string listBody = BodyOf(list);
    EXPECT_NE(list.find("Content-Length: " + std::to_string(listBody.size()) + "\r\n"), std::string::npos);
    EXPECT_NE(listBody.find(std::string("100%.txt\0a.txt\0my file.txt", 26)), std::string::npos);

    // As the updater sends it: the list address, "/", "&downfile=", the name, nothing encoded.
    const std::string file = Get("/cgi-bin/updater?view=12&path=app/&downfile=my file.txt");
    const std::string fileBody = BodyOf(file);
    ASSERT_EQ(fileBody.size(), kTransferHeaderSize + 6u) << file;
    EXPECT_EQ(fileBody.substr(kTransferHeaderSize), "spaced");
    EXPECT_EQ(ParseTransferHeader(fileBody.data(), kTransferHeaderSize).size, 6u);
    EXPECT_EQ(BodyOf(Get("/cgi-bin/updater?view=12&path=app/&downfile=100%.txt")).substr(kTransferHeaderSize),
              "percent");
    EXPECT_EQ(BodyOf(Get("/cgi-bin/updater?view=12&path=app/&downfile=my%20file.txt")).substr(kTransferHeaderSize),
              "spaced");
    EXPECT_EQ(BodyOf(Get("/cgi-bin/updater?view=12&path=../x")), "Error #163.Bad input data");
}

TEST_F(ServerLoopbackTest, HttpLevelRefusals) {
    EXPECT_EQ(Get("/index.html").rfind("HTTP/1.1 404 ", 0), 0u);
    EXPECT_EQ(Exchange("POST /cgi-bin/updater?path=app HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc")
                  .rfind("HTTP/1.1 405 ", 0),
              0u);
    EXPECT_EQ(Exchange("GET / HTTP/2\r\n\r\n").rfind("HTTP/1.1 505 ", 0), 0u);
    EXPECT_EQ(Exchange("garbage\r\n\r\n").rfind("HTTP/1.1 400 ", 0), 0u);
    const std::string huge = "GET /cgi-bin/updater?path=" + std::string(kMaxRequestHead + 100, 'a');
    EXPECT_EQ(Exchange(huge).rfind("HTTP/1.1 431 ", 0), 0u);
    const std::string head = Exchange("HEAD /cgi-bin/updater?view=12&path=app&downfile=a.txt HTTP/1.1\r\n\r\n");
    EXPECT_NE(head.find("Content-Length: 47\r\n"), std::string::npos) << head;
    EXPECT_EQ(BodyOf(head), "") << "HEAD sends no body";
}

TEST_F(ServerLoopbackTest, BrokenClientsDoNotStopTheServer) {
    Hold("");                                         // connects and leaves at once
    Hold("GET /cgi-bin/upd");                         // half a head, then gone
    Hold("GET /cgi-bin/updater?view=12&path=app HTTP/1.1\r\n\r\n");  // asks, leaves unread
    EXPECT_EQ(BodyOf(Get("/cgi-bin/updater?view=12&path=app&downfile=none&date=0")), "Fail");
}

TEST_F(ServerLoopbackTest, StopsWhenAsked) {
    const auto start = std::chrono::steady_clock::now();
    stop_ = true;
    thread_.join();
    EXPECT_EQ(served_, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(ServerLoopbackTest, HeadLimitCountsWhatHasArrived) {
    // A status query whose head is exactly `size` bytes long, padded in a header line.
    auto head = [](size_t size) {
        const std::string start = std::string("GET ") + kStatusTarget + " HTTP/1.1\r\nX-Pad: ";
        return start + std::string(size - start.size() - 4, 'p') + "\r\n\r\n";
    };
    struct Case { size_t size; size_t pieces; const char* status; };
    const Case cases[] = {
        {kMaxRequestHead, 1, "HTTP/1.1 200 "},
        {kMaxRequestHead, 7, "HTTP/1.1 200 "},
        {kMaxRequestHead + 1, 1, "HTTP/1.1 431 "},
        {kMaxRequestHead + 1, 5, "HTTP/1.1 431 "},
        {20 * 1024, 1, "HTTP/1.1 431 "},
    };
    for (const Case& c : cases) {
        const std::string bytes = head(c.size);
        ASSERT_EQ(bytes.size(), c.size);
        const UniqueFd fd = Connect();
        const size_t piece = (bytes.size() + c.pieces - 1) / c.pieces;
        for (size_t at = 0; at < bytes.size(); at += piece) {
            send(fd.get(), bytes.data() + at, std::min(piece, bytes.size() - at), MSG_NOSIGNAL);
            if (c.pieces > 1) std::this_thread::sleep_for(milliseconds(20));
        }
        char answer[32] = {};
        struct pollfd p = {fd.get(), POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1) << c.size;
        recv(fd.get(), answer, sizeof answer - 1, 0);
        EXPECT_EQ(std::string(answer).rfind(c.status, 0), 0u) << c.size << " bytes in " << c.pieces << ": " << answer;
    }
}

TEST_F(ServerLoopbackTest, IdleConnectionsDoNotDelayOthers) {
    for (int idle : {1, 20}) {
        std::vector<UniqueFd> held;
        for (int i = 0; i < idle; ++i) held.push_back(Hold(i % 2 ? "GET /cgi-bin/upd" : ""));
        std::this_thread::sleep_for(milliseconds(100));  // the server has them all by now
        ExpectPromptStatus(std::to_string(idle) + " idle connections");
    }
}

TEST_F(ServerLoopbackTest, SlowReaderDoesNotHoldOthers) {
    root_.Write("app/big.bin", std::string(32 << 20, 'b'));
    const UniqueFd slow = Hold("GET /cgi-bin/updater?view=12&path=app&downfile=big.bin HTTP/1.1\r\n\r\n", 4096);
    std::this_thread::sleep_for(milliseconds(300));  // summed, and its buffers are full
    ExpectPromptStatus("a reader that does not read");
}

TEST_F(ServerLoopbackTest, FirstChecksumOfALargeFileDoesNotHoldOthers) {
    // A sparse file costs no disk, but every byte of it is read to sum it.
    const std::string path = root_ / "app/sparse.bin";
    root_.Write("app/sparse.bin", "");
    ASSERT_EQ(truncate(path.c_str(), 256 << 20), 0);
    const UniqueFd asking = Hold("GET /cgi-bin/updater?view=12&path=app&downfile=sparse.bin HTTP/1.1\r\n\r\n", 4096);
    std::this_thread::sleep_for(milliseconds(100));
    ExpectPromptStatus("while a large file is summed");
}

TEST_F(ServerLoopbackTest, SlowReaderIsCutOffBelowTheMinimumRate) {
    Stop();
    ServeLimits limits;
    limits.connection.rateWindowMs = 300;
    limits.connection.minSendRate = 1 << 20;
    Start(limits);
    const size_t size = 32 << 20;
    root_.Write("app/big.bin", std::string(size, 'b'));
    const UniqueFd slow = Hold("GET /cgi-bin/updater?view=12&path=app&downfile=big.bin HTTP/1.1\r\n\r\n", 4096);
    // 2 KiB every 100 ms is 20 KiB/s, far below the minimum.
    const Reading r = ReadUntilEnd(slow.get(), std::chrono::seconds(5), 2048, milliseconds(100));
    EXPECT_TRUE(r.ended) << "still open after 5 s";
    EXPECT_LT(r.bytes, size);
    // A reader that keeps up gets the whole answer under the same limits.
    const UniqueFd fast = Hold("GET /cgi-bin/updater?view=12&path=app&downfile=big.bin HTTP/1.1\r\n\r\n");
    const Reading all = ReadUntilEnd(fast.get(), std::chrono::seconds(20), 1 << 16, milliseconds(0));
    EXPECT_TRUE(all.ended);
    EXPECT_GT(all.bytes, size + kTransferHeaderSize);  // the HTTP head, the transfer header, the bytes
}

TEST_F(ServerLoopbackTest, HeadNotCompleteInTimeIsClosed) {
    Stop();
    ServeLimits limits;
    limits.connection.headDeadlineMs = 300;
    Start(limits);
    const UniqueFd trickle = Connect();
    const std::string head = std::string("GET ") + kStatusTarget + " HTTP/1.1\r\n\r\n";
    const auto start = Clock::now();
    bool refused = false;
    // One byte every 50 ms keeps the connection busy, but not past the deadline.
    for (size_t i = 0; i < head.size() && Clock::now() - start < std::chrono::seconds(3); ++i) {
        if (send(trickle.get(), &head[i], 1, MSG_NOSIGNAL) != 1) {
            refused = true;
            break;
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
    const Reading r = ReadUntilEnd(trickle.get(), std::chrono::seconds(3), 4096, milliseconds(0));
    EXPECT_TRUE(refused || r.ended);
    EXPECT_EQ(r.bytes, 0u) << "no answer to a head that came too late";
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}
