// The CGI mode of the update server: headers and answers written to the web server's pipe.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "server/cgi.h"
#include "server/published_path.h"
#include "tests/server/server_test_support.h"
#include "protocol/transfer_header.h"

using namespace rt;

namespace {

// Runs fn with a pipe's writing end and returns everything it wrote (answers here are small).
template <typename Fn>
std::string Captured(Fn fn) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const ErrCode err = fn(fds[1]);
    close(fds[1]);
    EXPECT_EQ(err, 0);
    std::string out;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(got));
    close(fds[0]);
    return out;
}

class ServerCgiTest : public testing::Test {
protected:
    void SetUp() override {
        root_.MakeFolder("app");
        root_.Write("app/a.txt", "hello");
        ASSERT_EQ(RealPath(root_.path(), &config_.root), 0);
    }
    std::string Run(const char* method, const char* query) {
        return Captured([&](int fd) { return RunCgiRequest(config_, method, query, fd); });
    }
    server_test::ScratchDir root_;
    ServerConfig config_;
};

}  // namespace

TEST_F(ServerCgiTest, HeadersAndBodies) {
    EXPECT_EQ(Run("GET", "view=12&path=app&downfile=none&date=0&time=0"),
              "Status: 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 4\r\n\r\nFail");
    const std::string file = Run("GET", "view=12&path=app/&downfile=a.txt");
    const std::string prefix =
        "Status: 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 47\r\n\r\n";
    ASSERT_EQ(file.substr(0, prefix.size()), prefix);
    EXPECT_EQ(ParseTransferHeader(file.data() + prefix.size(), kTransferHeaderSize).size, 5u);
    EXPECT_EQ(file.substr(prefix.size() + kTransferHeaderSize), "hello");
    const std::string error = "Error #175.Permission Denied";
    int line = 0;
    ASSERT_EQ(ParseUsers("ana:pw:app\n", &config_.users, &line), 0);
    EXPECT_EQ(Run(nullptr, "view=12&path=app"),
              "Status: 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 28\r\n\r\n" + error);
}

TEST_F(ServerCgiTest, MissingQueryMethodsAndHead) {
    EXPECT_EQ(Run("GET", nullptr),
              "Status: 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 25\r\n\r\n"
              "Error #163.Bad input data");
    EXPECT_EQ(Run("POST", "view=12&path=app").rfind("Status: 405 ", 0), 0u);
    EXPECT_EQ(Run("HEAD", "view=12&path=app&downfile=a.txt"),
              "Status: 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 47\r\n\r\n");
}

TEST_F(ServerCgiTest, FailureAnswer) {
    const std::string out = Captured([](int fd) { return WriteCgiFailure(fd, "not configured"); });
    EXPECT_EQ(out, "Status: 500 Internal Server Error\r\nContent-Type: text/plain\r\nContent-Length: 15\r\n\r\n"
                   "not configured\n");
}
