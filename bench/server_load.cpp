// Load client of bench/server_load.sh: many clients fetch from one HTTP server on the loopback
// interface at once while idle connections and slow readers are held, and the latencies of the
// ordinary requests are printed.
//
//   server_load PORT CLIENTS REQUESTS IDLE SLOW SLOW_TARGET TARGET...
//
// Each of CLIENTS threads makes REQUESTS requests one after the other (connect, GET, read to the
// end), taking the TARGETs in turn from a place of its own. Meanwhile IDLE connections send
// nothing or half a request head, and SLOW connections ask for SLOW_TARGET and read 2 KiB of it
// every 2 s. A request is good when the answer is "200" with as many body bytes as its
// Content-Length says. Every wait is bounded (10 s per request, 120 s in all).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRequestMs = 10000;
constexpr auto kRunLimit = std::chrono::seconds(120);

// A connected socket, or -1 after waiting at most kRequestMs.
int Connect(uint16_t port, int receiveBuffer) {
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

bool SendAll(int fd, const std::string& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

std::string Request(const std::string& target) {
    // A server that keeps connections alive must not leave the client waiting for the close.
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
}

// One ordinary request: true when a whole 200 answer came within kRequestMs.
bool Fetch(uint16_t port, const std::string& target) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kRequestMs);
    const int fd = Connect(port, 0);
    if (fd < 0) return false;
    bool good = SendAll(fd, Request(target));
    std::string head;
    uint64_t body = 0;
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
            if (headEnd != std::string::npos) body = head.size() - headEnd - 4;
        } else {
            body += static_cast<uint64_t>(got);
        }
    }
    close(fd);
    if (!good || headEnd == std::string::npos || head.rfind("HTTP/1.1 200 ", 0) != 0) return false;
    const size_t length = head.find("Content-Length: ");
    return length != std::string::npos && length < headEnd &&
           std::strtoull(head.c_str() + length + 16, nullptr, 10) == body;
}

double Percentile(const std::vector<double>& sorted, double share) {
    if (sorted.empty()) return 0;
    const size_t at = static_cast<size_t>(share * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(at, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fputs("usage: server_load PORT CLIENTS REQUESTS IDLE SLOW SLOW_TARGET TARGET...\n", stderr);
        return 2;
    }
    const uint16_t port = static_cast<uint16_t>(std::atoi(argv[1]));
    const int clients = std::clamp(std::atoi(argv[2]), 1, 1000);
    const int requests = std::clamp(std::atoi(argv[3]), 1, 1000);
    const int idle = std::clamp(std::atoi(argv[4]), 0, 100);
    const int slow = std::clamp(std::atoi(argv[5]), 0, 100);
    const std::string slowTarget = argv[6];
    const std::vector<std::string> targets(argv + 7, argv + argc);
    const auto start = Clock::now();

    std::vector<int> held;
    for (int i = 0; i < idle; ++i) {
        const int fd = Connect(port, 0);
        if (fd >= 0 && i % 2) SendAll(fd, "GET /cgi-bin/updater?view=12&pa");
        held.push_back(fd);
    }
    std::vector<int> slowReaders;
    for (int i = 0; i < slow; ++i) {
        const int fd = Connect(port, 4096);
        if (fd >= 0) SendAll(fd, Request(slowTarget));
        slowReaders.push_back(fd);
    }
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        char buffer[2048];
        while (!done) {
            for (int fd : slowReaders) {
                if (fd >= 0) recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            }
            for (int i = 0; i < 20 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the server holds them all

    std::vector<std::vector<double>> latencies(clients);
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    const auto loadStart = Clock::now();
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            for (int r = 0; r < requests && Clock::now() - start < kRunLimit; ++r) {
                const std::string& target = targets[(c * 7 + r) % targets.size()];
                const auto t0 = Clock::now();
                if (!Fetch(port, target)) ++failed;
                latencies[c].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            }
        });
    }
    for (std::thread& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - loadStart).count();

    // How many slow readers the server still kept at the end (it may cut them off).
    int slowOpen = 0;
    for (int fd : slowReaders) {
        char probe;
        const ssize_t n = fd >= 0 ? recv(fd, &probe, 1, MSG_DONTWAIT | MSG_PEEK) : 0;
        if (n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))) ++slowOpen;
    }
    done = true;
    trickle.join();
    for (int fd : held) if (fd >= 0) close(fd);
    for (int fd : slowReaders) if (fd >= 0) close(fd);

    std::vector<double> all;
    for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    std::printf("requests %zu failed %d in %.2f s (%.0f/s); held %d idle, %d slow readers (%d still open)\n",
                all.size(), failed.load(), seconds, static_cast<double>(all.size()) / seconds, idle, slow,
                slowOpen);
    std::printf("latency ms: median %.1f  p99 %.1f  slowest %.1f\n", Percentile(all, 0.5), Percentile(all, 0.99),
                all.empty() ? 0.0 : all.back());
    return failed.load() == 0 ? 0 : 1;
}
