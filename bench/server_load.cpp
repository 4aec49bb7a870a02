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
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/loopback_http.h"

namespace {

using bench::Clock;
using bench::Connect;
using bench::Fetch;
using bench::Percentile;
using bench::Request;
using bench::SendAll;

constexpr auto kRunLimit = std::chrono::seconds(120);

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
