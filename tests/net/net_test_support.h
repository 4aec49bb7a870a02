// Shared pieces of the network tests: a fixture with a folder of files per test, a clock reading,
// and a scripted byte source with a memory sink.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "net/http_response.h"
#include "net/socket.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "tests/support/pool_check.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace rt::test {

inline std::string Detail() { return rt_test::Str(ErrorDetail()); }

// Milliseconds since t.
using Clock = std::chrono::steady_clock;
inline long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// Each test gets its own folder for files, which is also the run-time's TEMP on POSIX hosts, and
// must leave the pool as it found it.
class NetTest : public rt_test::BalancedPoolTest {
protected:
    void SetUp() override {
        BalancedPoolTest::SetUp();
        ReportError(0, StrEmpty());
#ifndef _WIN32
        // The run-time puts its temporary files in %TEMP%, which a POSIX host need not have.
        setenv("TEMP", folder_.path().string().c_str(), 1);
#endif
    }
    std::string File(const std::string& name) const { return (folder_.path() / name).string(); }
    // Every file in the test's folder, to show that temporary files went.
    size_t FileCount() const {
        size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(folder_.path())) {
            (void)e;
            ++n;
        }
        return n;
    }
    rt_test::TempDir folder_{"kelvane_net"};
};

// NetTest with the socket library started, and no socket left open at the end.
class SocketUsingTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        ASSERT_NE(SocketStartup(), kErrDeviceIo);
    }
    void TearDown() override {
        EXPECT_EQ(SocketOpenCount(), 0) << "a socket was left open";
        NetTest::TearDown();
    }
};

// Hands out fixed pieces, each in one read when the reader has room for it, then an error.
class ScriptedSource final : public ByteSource {
public:
    explicit ScriptedSource(std::vector<std::string> pieces, ErrCode end = kErrNetAccess)
        : pieces_(std::move(pieces)), end_(end) {}
    ErrCode Read(char* dst, uint32_t cap, uint32_t* got) override {
        *got = 0;
        if (next_ >= pieces_.size()) return end_;
        ++pulls_;
        const std::string& piece = pieces_[next_];
        *got = static_cast<uint32_t>(std::min<size_t>(cap, piece.size() - at_));
        std::memcpy(dst, piece.data() + at_, *got);
        at_ += *got;
        if (at_ == piece.size()) {
            ++next_;
            at_ = 0;
        }
        return kOk;
    }
    size_t pulls() const { return pulls_; }
private:
    std::vector<std::string> pieces_;
    size_t next_ = 0;
    size_t at_ = 0;
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
