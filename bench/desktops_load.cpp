// Load client of bench/desktops.sh: DESKTOPS desktops ask one update server on the loopback
// interface for their update, AT_ONCE of them at any time, the way kelvaner.exe does at start:
// the status query, then (its answer being "Fail": there are newer files) the list.
//
//   desktops_load PORT DESKTOPS AT_ONCE LIST_BYTES STATUS_TARGET LIST_TARGET [STATUS LIST]...
//
// Desktop i takes the (i mod n)th pair of targets, so that the desktops of several sites, each
// with its own credentials, come in turn. A desktop is served when its status answer is "Fail"
// and its list answer is LIST_BYTES long, both "200" and whole. Prints the requests per second,
// the latencies of single requests and of whole desktops, and the time for all of them. Every
// wait is bounded: 10 s per request, and no desktop starts after 600 s.
#include <algorithm>
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

constexpr auto kRunLimit = std::chrono::seconds(600);

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7 || (argc - 5) % 2 != 0) {
        std::fputs("usage: desktops_load PORT DESKTOPS AT_ONCE LIST_BYTES STATUS_TARGET LIST_TARGET "
                   "[STATUS_TARGET LIST_TARGET]...\n", stderr);
        return 2;
    }
    const uint16_t port = static_cast<uint16_t>(std::atoi(argv[1]));
    const int desktops = std::clamp(std::atoi(argv[2]), 1, 1000000);
    const int atOnce = std::clamp(std::atoi(argv[3]), 1, 1000);
    const size_t listBytes = std::strtoull(argv[4], nullptr, 10);
    const int pairs = (argc - 5) / 2;

    std::atomic<int> next{0};
    std::atomic<int> failed{0};
    std::vector<std::vector<double>> requestMs(atOnce), desktopMs(atOnce);
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int t = 0; t < atOnce; ++t) {
        threads.emplace_back([&, t] {
            std::string body;
            for (int i = next++; i < desktops && Clock::now() - start < kRunLimit; i = next++) {
                const int pair = 5 + 2 * (i % pairs);
                const auto t0 = Clock::now();
                bool good = bench::Fetch(port, argv[pair], &body) && body == "Fail";
                requestMs[t].push_back(MsSince(t0));
                const auto t1 = Clock::now();
                good = bench::Fetch(port, argv[pair + 1], &body) && body.size() == listBytes && good;
                requestMs[t].push_back(MsSince(t1));
                desktopMs[t].push_back(MsSince(t0));
                if (!good) ++failed;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    auto merged = [](const std::vector<std::vector<double>>& parts) {
        std::vector<double> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        std::sort(all.begin(), all.end());
        return all;
    };
    const std::vector<double> requests = merged(requestMs), served = merged(desktopMs);
    const int unserved = desktops - static_cast<int>(served.size());
    std::printf("desktops %zu of %d (%d at a time), %d failed, in %.1f s: %.0f requests/s\n", served.size(),
                desktops, atOnce, failed.load(), seconds, static_cast<double>(requests.size()) / seconds);
    std::printf("request ms: median %.1f  p99 %.1f  slowest %.1f; desktop (status + list) ms: median %.1f  p99 %.1f\n",
                bench::Percentile(requests, 0.5), bench::Percentile(requests, 0.99),
                requests.empty() ? 0.0 : requests.back(), bench::Percentile(served, 0.5),
                bench::Percentile(served, 0.99));
    return failed.load() == 0 && unserved == 0 ? 0 : 1;
}
