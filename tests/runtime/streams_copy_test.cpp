// Tests of the chunked file copy with its progress calls, and of separator conversion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/streams.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;

class CopyStreamTest : public rt_test::FsTest {};

struct Calls {
    std::vector<std::pair<uint32_t, uint32_t>> seen;
    rt::ErrCode stopAfter = 0;  // the call number that answers 122
};

rt::ErrCode Record(void* arg, uint32_t total, uint32_t chunk) {
    Calls& c = *static_cast<Calls*>(arg);
    c.seen.emplace_back(total, chunk);
    return c.stopAfter && c.seen.size() == c.stopAfter ? rt::kErrUserCanceled : 0;
}

std::string Pattern(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>(i * 7 % 251);
    return s;
}

TEST_F(CopyStreamTest, ThirtyThousandBytesInThreeChunks) {
    const std::string data = Pattern(30000);
    Put("src.bin", data);
    Calls calls;
    EXPECT_EQ(Disciplined([&] { return rt::CopyStream(T("src.bin"), 0, T("dst.bin"), 0, 0xFFFFFFFF, Record, &calls); }), 0);
    ASSERT_EQ(calls.seen.size(), 3u);
    EXPECT_EQ(calls.seen[0], std::make_pair(12288u, 12288u));
    EXPECT_EQ(calls.seen[1], std::make_pair(24576u, 12288u));
    EXPECT_EQ(calls.seen[2], std::make_pair(30000u, 5424u));
    EXPECT_EQ(Get("dst.bin"), data);
}

TEST_F(CopyStreamTest, PositionsAndCount) {
    Put("src.txt", "0123456789");
    Put("dst.txt", "abcdefgh");
    EXPECT_EQ(rt::CopyStream(T("src.txt"), 2, T("dst.txt"), 3, 4, nullptr, nullptr), 0);
    EXPECT_EQ(Get("dst.txt"), "abc2345") << "the target ends with the copied bytes";
    EXPECT_EQ(rt::CopyStream(T("src.txt"), 8, T("dst.txt"), -1, 100, nullptr, nullptr), 0);
    EXPECT_EQ(Get("dst.txt"), "abc234589") << "the count is limited to the source";
}

// Copying onto an existing file that is longer than the copy must not keep its old tail.
TEST_F(CopyStreamTest, ALongerTargetKeepsNoOldTail) {
    const std::string data = Pattern(20000);
    Put("src.bin", data);
    Put("dst.bin", std::string(30000, 'o'));
    EXPECT_EQ(rt::CopyStream(T("src.bin"), 0, T("dst.bin"), 0, 0xFFFFFFFF, nullptr, nullptr), 0);
    EXPECT_EQ(Get("dst.bin").size(), data.size());
    EXPECT_TRUE(Get("dst.bin") == data);
    Put("empty.bin", "");
    EXPECT_EQ(rt::CopyStream(T("empty.bin"), 0, T("dst.bin"), 0, 0xFFFFFFFF, nullptr, nullptr), 0);
    EXPECT_EQ(Get("dst.bin").size(), 0u) << "an empty source leaves an empty target";
    // A copy that is stopped leaves the bytes copied so far, not old ones behind them.
    Put("dst.bin", std::string(30000, 'o'));
    Calls calls;
    calls.stopAfter = 1;
    EXPECT_EQ(rt::CopyStream(T("src.bin"), 0, T("dst.bin"), 0, 0xFFFFFFFF, Record, &calls), rt::kErrUserCanceled);
    EXPECT_EQ(Get("dst.bin").size(), rt::kCopyChunk);
    EXPECT_TRUE(Get("dst.bin") == data.substr(0, rt::kCopyChunk));
}

TEST_F(CopyStreamTest, ProgressCanStopTheCopy) {
    Put("src.bin", Pattern(30000));
    Calls calls;
    calls.stopAfter = 1;
    EXPECT_EQ(rt::CopyStream(T("src.bin"), 0, T("dst.bin"), 0, 0xFFFFFFFF, Record, &calls), rt::kErrUserCanceled);
    EXPECT_EQ(calls.seen.size(), 1u);
    EXPECT_EQ(Get("dst.bin").size(), 12288u);
}

TEST_F(CopyStreamTest, Failures) {
    EXPECT_EQ(rt::CopyStream(T("missing.bin"), 0, T("dst.bin"), 0, 10, nullptr, nullptr), rt::kErrFileNotFound);
    EXPECT_FALSE(Exists("missing.bin")) << "a copy never creates its source";
    Put("src.bin", "x");
    EXPECT_EQ(rt::CopyStream(T("src.bin"), 0, T("nofolder\\dst.bin"), 0, 10, nullptr, nullptr), rt::kErrFileIo);
    for (uint16_t s = rt::kFirstFileSlot; s < rt::kStreamSlots; ++s) EXPECT_EQ(rt::StreamSlotTag(s), rt::kSlotFree);
}

TEST_F(CopyStreamTest, ConvertSeparators) {
    EXPECT_EQ(Str(Disciplined([] { return rt::ConvertSeparators(T("C:\\a\\b.txt"), 1); })), "C:/a/b.txt");
    EXPECT_EQ(Str(rt::ConvertSeparators(T("C:/a/b.txt"), 0)), "C:\\a\\b.txt");
    EXPECT_EQ(Str(rt::ConvertSeparators(T("C:/a\\b"), 1)), "C:/a/b");
    rt::StrRef plain = T("name.txt");
    const uint16_t before = rt::PoolMark();
    EXPECT_EQ(rt::ConvertSeparators(plain, 0).ptr, plain.ptr) << "nothing to convert, nothing copied";
    EXPECT_EQ(rt::PoolMark(), before);
    EXPECT_EQ(rt::StrError(rt::ConvertSeparators(rt::StrErr(150), 0)), 150);
}

}  // namespace
