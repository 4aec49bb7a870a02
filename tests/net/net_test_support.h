// Shared pieces of the network tests: a fixture that checks the pool is left as found and gives
// each test its own folder for files, and a scripted byte source with a memory sink.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "net/http_response.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"

namespace rt::test {

inline std::string Text(StrRef s) { return s.ok() ? std::string(s.ptr, s.len) : std::string("<error>"); }
inline StrRef Ref(const std::string& s) { return StrMake(s.data(), static_cast<uint16_t>(s.size())); }
inline std::string Detail() { return Text(ErrorDetail()); }

class NetTest : public ::testing::Test {
protected:
    void SetUp() override {
        mark_ = PoolMark();
        RecordError(0, 0);
        ReportError(0, StrEmpty());
        // Taken once: the tests point TEMP at their own folders, which go again.
        static const std::filesystem::path base = std::filesystem::temp_directory_path();
        folder_ = base /
                  ("kelvane_net_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
#ifndef _WIN32
        // The run-time puts its temporary files in %TEMP%, which a POSIX host need not have.
        setenv("TEMP", folder_.string().c_str(), 1);
#endif
    }
    void TearDown() override {
        EXPECT_EQ(PoolMark(), mark_) << "pool left above the test's mark";
        PoolRelease(mark_);
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    std::string File(const std::string& name) const { return (folder_ / name).string(); }
    // Every file in the test's folder, to show that temporary files went.
    size_t FileCount() const {
        size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(folder_)) {
            (void)e;
            ++n;
        }
        return n;
    }
    uint16_t mark_ = 0;
    std::filesystem::path folder_;
};

// Hands out fixed pieces, then an error value.
class ScriptedSource final : public ByteSource {
public:
    explicit ScriptedSource(std::vector<std::string> pieces, ErrCode end = kErrNetAccess)
        : pieces_(std::move(pieces)), end_(end) {}
    StrRef Next() override {
        if (next_ >= pieces_.size()) return StrErr(end_);
        ++pulls_;
        return PoolCopy(Ref(pieces_[next_++]));
    }
    size_t pulls() const { return pulls_; }
private:
    std::vector<std::string> pieces_;
    size_t next_ = 0;
    size_t pulls_ = 0;
    ErrCode end_;
};

// The whole answer cut into pieces of n bytes.
inline std::vector<std::string> Pieces(const std::string& all, size_t n) {
    std::vector<std::string> out;
    for (size_t i = 0; i < all.size(); i += n) out.push_back(all.substr(i, n));
    return out;
}

class MemorySink final : public BodySink {
public:
    ErrCode Write(const char* data, uint32_t n) override {
        if (failWith) return failWith;
        bytes.append(data, n);
        return 0;
    }
    std::string bytes;
    ErrCode failWith = 0;
};

}  // namespace rt::test
