// Benchmark client: fetches every address of a list file with the updater's HTTP client, one
// connection per address as an update does, and prints the seconds it took.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "net/http_client.h"
#include "net/http_response.h"
#include "runtime/fs.h"
#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"

namespace {

rt::StrRef View(const std::string& s) { return rt::StrRef{s.data(), static_cast<uint16_t>(s.size())}; }

// Each piece of the body written as it arrives, as the client hands it over.
class FileSink final : public rt::BodySink {
public:
    explicit FileSink(rt::FsFile& file) : file_(file) {}
    rt::ErrCode Write(const char* data, uint32_t n) override {
        uint32_t put = 0;
        return file_.Write(data, n, &put);
    }
private:
    rt::FsFile& file_;
};

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
        const std::string output = folder + "\\f" + std::to_string(i);
        uint16_t mark = rt::PoolMark();
        rt::FsFile file;
        rt::ErrCode err = file.Open(output.c_str(), rt::kFsWrite | rt::kFsCreate | rt::kFsTruncate);
        if (!err) {
            FileSink sink(file);
            err = rt::HttpFetchToSink(View(addresses[i]), rt::kFetchNoLog, sink);
        }
        const rt::ErrCode closed = file.Close();
        if (!err) err = closed;
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
