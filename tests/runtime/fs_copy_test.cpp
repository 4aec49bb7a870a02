// Tests of the block copy between open files: sizes around the block, a source that ends early,
// a stop asked by the progress callback, and a copy that starts mid-file.
#include <gtest/gtest.h>

#include <string>

#include "runtime/errcode.h"
#include "runtime/fs.h"
#include "tests/runtime/fs_test_support.h"

namespace {

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    return s;
}

class FsCopyTest : public rt_test::FsTest {
protected:
    // Copies from offset `from` of src.bin into a fresh dst.bin; the code and the bytes written.
    rt::ErrCode Copy(uint64_t from, uint64_t count, rt::FsCopyProgress progress = nullptr, void* arg = nullptr,
                     uint64_t* copied = nullptr) {
        rt::FsFile src, dst;
        EXPECT_EQ(src.Open("src.bin", rt::kFsRead), 0);
        EXPECT_EQ(dst.Open("dst.bin", rt::kFsWrite | rt::kFsCreate | rt::kFsTruncate), 0);
        EXPECT_EQ(src.Seek(from), 0);
        return rt::FsCopyBlocks(src, dst, count, progress, arg, copied);
    }
};

TEST_F(FsCopyTest, SizesAroundTheBlock) {
    const size_t block = rt::kFsCopyBlock;
    for (size_t n : {size_t{0}, size_t{1}, block - 1, block, block + 1, 3 * block + 17}) {
        SCOPED_TRACE(n);
        const std::string bytes = Pattern(n);
        Put("src.bin", bytes);
        uint64_t copied = 99;
        EXPECT_EQ(Copy(0, rt::kCopyToEnd, nullptr, nullptr, &copied), rt::kOk);
        EXPECT_EQ(copied, n);
        EXPECT_EQ(Get("dst.bin"), bytes);
        EXPECT_EQ(Copy(0, n), rt::kOk) << "an exact count";
        EXPECT_EQ(Get("dst.bin"), bytes);
    }
}

TEST_F(FsCopyTest, PartOfAFileFromAnOffset) {
    const std::string bytes = Pattern(2 * rt::kFsCopyBlock);
    Put("src.bin", bytes);
    EXPECT_EQ(Copy(42, rt::kFsCopyBlock + 5), rt::kOk);
    EXPECT_EQ(Get("dst.bin"), bytes.substr(42, rt::kFsCopyBlock + 5));
}

TEST_F(FsCopyTest, ASourceThatEndsEarlyIsAnError) {
    Put("src.bin", Pattern(1000));
    uint64_t copied = 0;
    EXPECT_EQ(Copy(0, 1001, nullptr, nullptr, &copied), rt::kErrFileIo);
    EXPECT_EQ(copied, 1000u);
    EXPECT_EQ(Copy(0, rt::kFsCopyBlock + 1), rt::kErrFileIo);
}

TEST_F(FsCopyTest, ProgressSeesEveryBlockAndCanStop) {
    Put("src.bin", Pattern(3 * rt::kFsCopyBlock));
    struct Seen { int calls = 0; uint64_t total = 0; } seen;
    auto count = [](void* arg, uint64_t total, uint32_t) -> rt::ErrCode {
        auto* s = static_cast<Seen*>(arg);
        ++s->calls;
        s->total = total;
        return 0;
    };
    EXPECT_EQ(Copy(0, rt::kCopyToEnd, count, &seen), rt::kOk);
    EXPECT_EQ(seen.calls, 3);
    EXPECT_EQ(seen.total, 3u * rt::kFsCopyBlock);
    auto stop = [](void* arg, uint64_t, uint32_t) -> rt::ErrCode {
        return ++static_cast<Seen*>(arg)->calls == 2 ? rt::kErrUserCanceled : 0;
    };
    Seen stopped;
    uint64_t copied = 0;
    EXPECT_EQ(Copy(0, rt::kCopyToEnd, stop, &stopped, &copied), rt::kErrUserCanceled);
    EXPECT_EQ(copied, 2u * rt::kFsCopyBlock) << "nothing is copied after the stop";
}

}  // namespace
