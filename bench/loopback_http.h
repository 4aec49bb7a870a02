// One HTTP request at a time over the loopback interface, for the load clients of bench/: connect,
// GET with "Connection: close", read to the end. Every wait is bounded by kRequestMs.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

constexpr int kRequestMs = 10000;

// A connected socket, or -1 after waiting at most kRequestMs.
inline int Connect(uint16_t port, int receiveBuffer) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (receiveBuffer) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    const struct timeval limit = {kRequestMs / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);  // bounds connect as well
    struct sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

inline bool SendAll(int fd, const std::string& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

// headers: more header lines, each ending in CR LF.
inline std::string Request(const std::string& target, const std::string& headers = std::string()) {
    // A server that keeps connections alive must not leave the client waiting for the close.
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "Connection: close\r\n\r\n";
}

// One request: true when a whole "200" answer came within kRequestMs, as many body bytes as its
// Content-Length says. The body is kept in *body when one is given; its size is counted anyway.
inline bool Fetch(uint16_t port, const std::string& target, std::string* body = nullptr,
                  const std::string& headers = std::string()) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kRequestMs);
    const int fd = Connect(port, 0);
    if (fd < 0) return false;
    bool good = SendAll(fd, Request(target, headers));
    std::string head;
    uint64_t bodySize = 0;
    char buffer[65536];
    size_t headEnd = std::string::npos;
    while (good) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        struct pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
            good = false;
            break;
        }
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got < 0) good = false;
        if (got <= 0) break;
        if (headEnd == std::string::npos) {
            head.append(buffer, static_cast<size_t>(got));
            headEnd = head.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                bodySize = head.size() - headEnd - 4;
                if (body) body->assign(head, headEnd + 4);
            }
        } else {
            bodySize += static_cast<uint64_t>(got);
            if (body) body->append(buffer, static_cast<size_t>(got));
        }
    }
    close(fd);
    if (!good || headEnd == std::string::npos || head.rfind("HTTP/1.1 200 ", 0) != 0) return false;
    const size_t length = head.find("Content-Length: ");
    return length != std::string::npos && length < headEnd &&
           std::strtoull(head.c_str() + length + 16, nullptr, 10) == bodySize;
}

inline double Percentile(const std::vector<double>& sorted, double share) {
    if (sorted.empty()) return 0;
    const size_t at = static_cast<size_t>(share * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(at, sorted.size() - 1)];
}

}  // namespace bench
