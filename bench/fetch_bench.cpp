// Benchmark client: fetches every address of a list file with the updater's HTTP client, one
// connection per address as an update does, and prints the seconds it took.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "net/http_client.h"
#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"

namespace {

rt::StrRef View(const std::string& s) { return rt::StrRef{s.data(), static_cast<uint16_t>(s.size())}; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fetch_bench ADDRESS-LIST OUTPUT-FOLDER\n");
        return 2;
    }
    if (rt::SystemVarsInit() != 0) return 3;
    std::vector<std::string> addresses;
    std::ifstream list(argv[1]);
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) addresses.push_back(line);
    }
    const std::string folder = argv[2];
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < addresses.size(); ++i) {
        // The output folder starts empty (the script empties it before each round), as the
        // client appends bodies to an output that exists.
        const std::string output = folder + "\\f" + std::to_string(i);
        uint16_t mark = rt::PoolMark();
        rt::ErrCode err = rt::HttpFetchToFile(View(addresses[i]), View(output), rt::kFetchNoLog);
        rt::PoolRelease(mark);
        if (err) {
            std::fprintf(stderr, "fetch %zu failed with %u\n", i, err);
            return 1;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", took.count());
    return 0;
}
