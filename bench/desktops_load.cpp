// Load client of bench/desktops.sh: the desktops of a plan ask one update server on the loopback
// interface for their update, AT_ONCE of them at any time, each the way kelvaner.exe does at
// start: the list, and for some the files of a new release, every request with the desktop's
// report headers.
//
//   desktops_load PORT AT_ONCE PLAN
//
// PLAN has one line per desktop, tab-separated: header lines ("Name: value"), then the requests,
// each "BYTES TARGET" with the length of the whole answer body expected. A desktop is served when
// every answer is "200", whole and as long as expected. Prints the requests per second, the
// latencies of single requests and of whole desktops, and the time for all of them. Every wait is
// bounded: 10 s per request, and no desktop starts after 600 s.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

struct Desktop {
    std::string headers;
    std::vector<std::pair<size_t, std::string>> requests;  // expected bytes, target
};

bool ReadPlan(const char* path, std::vector<Desktop>* out) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        Desktop d;
        size_t at = 0;
        while (at <= line.size()) {
            size_t end = line.find('\t', at);
            if (end == std::string::npos) end = line.size();
            const std::string field = line.substr(at, end - at);
            at = end + 1;
            if (field.empty()) continue;
            const size_t blank = field.find(' ');
            if (field[0] >= '0' && field[0] <= '9' && blank != std::string::npos) {
                d.requests.emplace_back(std::strtoull(field.c_str(), nullptr, 10), field.substr(blank + 1));
            } else {
                d.headers += field + "\r\n";
            }
        }
        if (d.requests.empty()) return false;
        out->push_back(std::move(d));
    }
    return !out->empty();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Desktop> plan;
    if (argc != 4 || !ReadPlan(argv[3], &plan)) {
        std::fputs("usage: desktops_load PORT AT_ONCE PLAN (a desktop a line: headers, then BYTES TARGET, tab-separated)\n", stderr);
        return 2;
    }
    const uint16_t port = static_cast<uint16_t>(std::atoi(argv[1]));
    const int atOnce = std::clamp(std::atoi(argv[2]), 1, 1000);
    const int desktops = static_cast<int>(plan.size());

    std::atomic<int> next{0};
    std::atomic<int> failed{0};
    std::vector<std::vector<double>> requestMs(atOnce), desktopMs(atOnce);
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int t = 0; t < atOnce; ++t) {
        threads.emplace_back([&, t] {
            std::string body;
            for (int i = next++; i < desktops && Clock::now() - start < kRunLimit; i = next++) {
                const Desktop& d = plan[static_cast<size_t>(i)];
                const auto t0 = Clock::now();
                bool good = true;
                for (const auto& [bytes, target] : d.requests) {
                    const auto t1 = Clock::now();
                    good = bench::Fetch(port, target, &body, d.headers) && body.size() == bytes && good;
                    requestMs[t].push_back(MsSince(t1));
                }
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
    std::printf("desktops %zu of %d (%d at a time), %d failed, in %.1f s: %.0f requests/s (%zu requests)\n", served.size(),
                desktops, atOnce, failed.load(), seconds, static_cast<double>(requests.size()) / seconds, requests.size());
    std::printf("request ms: median %.1f  p99 %.1f  slowest %.1f; desktop ms: median %.1f  p99 %.1f\n",
                bench::Percentile(requests, 0.5), bench::Percentile(requests, 0.99),
                requests.empty() ? 0.0 : requests.back(), bench::Percentile(served, 0.5),
                bench::Percentile(served, 0.99));
    return failed.load() == 0 && unserved == 0 ? 0 : 1;
}
