// The standalone HTTP mode of the update server: request heads, targets, and a real server on
// the loopback interface.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "server/http_listener.h"
#include "server/published_path.h"
#include "tests/server/server_test_support.h"
#include "protocol/transfer_header.h"

using namespace rt;
using server_test::ScratchDir;

TEST(ServerRequestHeadTest, Table) {
    struct Case { const char* head; int status; const char* method; const char* target; };
    const Case cases[] = {
        {"GET /cgi-bin/updater?a=1 HTTP/1.1\r\nHost: x\r\n\r\n", 0, "GET", "/cgi-bin/updater?a=1"},
        {"GET /x HTTP/1.0\n\n", 0, "GET", "/x"},
        // The updater does not encode blanks in file names: the target runs to the last blank.
        {"GET /u?downfile=my file.txt HTTP/1.1\r\n\r\n", 0, "GET", "/u?downfile=my file.txt"},
        {"HEAD / HTTP/1.1\r\n\r\n", 0, "HEAD", "/"},
        {"GET / HTTP/2.0\r\n\r\n", 505, "", ""},
        {"GET /\r\n\r\n", 400, "", ""},
        {"GET  HTTP/1.1\r\n\r\n", 400, "", ""},
        {" / HTTP/1.1\r\n\r\n", 400, "", ""},
        {"GET / FTP/1.1\r\n\r\n", 400, "", ""},
        {"\r\n\r\n", 400, "", ""},
        {"", 400, "", ""},
    };
    for (const Case& c : cases) {
        RequestHead h;
        EXPECT_EQ(ParseRequestHead(c.head, &h), c.status) << c.head;
        if (c.status == 0) {
            EXPECT_EQ(h.method, c.method);
            EXPECT_EQ(h.target, c.target);
        }
    }
}

TEST(ServerUpdaterQueryTest, Table) {
    struct Case { const char* target; bool ok; const char* query; };
    const Case cases[] = {
        {"/cgi-bin/updater?view=12&path=a", true, "view=12&path=a"},
        {"/cgi-bin/updater", true, ""},
        {"/cgi-bin/updater?", true, ""},
        {"http://host:8080/cgi-bin/updater?x=1", true, "x=1"},
        {"/cgi-bin/updater/?x=1", false, ""},
        {"/cgi-bin/updaterx?x=1", false, ""},
        {"/CGI-BIN/updater?x=1", false, ""},
        {"/?x=/cgi-bin/updater", false, ""},
        {"http://host", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        std::string q = "untouched";
        EXPECT_EQ(UpdaterQuery(c.target, &q), c.ok) << c.target;
        EXPECT_EQ(q, c.ok ? c.query : "untouched") << c.target;
    }
}

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
        thread_ = std::thread([this] { served_ = Serve(listener_.get(), config_, &stop_, nullptr, nullptr); });
    }
    void TearDown() override {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    int Connect() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        struct sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port_);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr), 0);
        return fd;
    }
    // Sends the bytes and reads until the server closes (at most 5 s).
    std::string Exchange(const std::string& request) {
        const int fd = Connect();
        EXPECT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
        std::string response;
        char buffer[4096];
        for (;;) {
            struct pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) break;
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            response.append(buffer, static_cast<size_t>(got));
        }
        close(fd);
        return response;
    }
    std::string Get(const std::string& target) {
        return Exchange("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    }
    static std::string BodyOf(const std::string& response) {
        const size_t end = response.find("\r\n\r\n");
        return end == std::string::npos ? std::string() : response.substr(end + 4);
    }

    ScratchDir root_;
    ServerConfig config_;
    UniqueFd listener_;
    uint16_t port_ = 0;
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
    close(Connect());                                  // connects and leaves at once
    const int partial = Connect();                     // half a head, then gone
    send(partial, "GET /cgi-bin/upd", 16, MSG_NOSIGNAL);
    close(partial);
    const int reader = Connect();                      // asks, then leaves without reading
    const std::string request = "GET /cgi-bin/updater?view=12&path=app HTTP/1.1\r\n\r\n";
    send(reader, request.data(), request.size(), MSG_NOSIGNAL);
    close(reader);
    EXPECT_EQ(BodyOf(Get("/cgi-bin/updater?view=12&path=app&downfile=none&date=0")), "Fail");
}

TEST_F(ServerLoopbackTest, StopsWhenAsked) {
    const auto start = std::chrono::steady_clock::now();
    stop_ = true;
    thread_.join();
    EXPECT_EQ(served_, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
