// The file seam's own guarantees: exclusive creation and size queries, on both platforms.
#include "tests/runtime/fs_test_support.h"

#include "runtime/fs.h"

namespace rt_test {
namespace {

class FsSeamTest : public FsTest {};

TEST_F(FsSeamTest, ExclusiveCreationRefusesAnExistingFileAndLeavesItAlone) {
    Put("taken.bin", "keep me");
    rt::FsFile file;
    EXPECT_EQ(file.Open("taken.bin", rt::kFsWrite | rt::kFsCreate | rt::kFsExclusive), rt::kErrFileExist);
    EXPECT_EQ(Get("taken.bin"), "keep me");
    ASSERT_EQ(file.Open("fresh.bin", rt::kFsRead | rt::kFsWrite | rt::kFsCreate | rt::kFsExclusive), 0);
    uint32_t put = 0;
    ASSERT_EQ(file.Write("abc", 3, &put), 0);
    ASSERT_EQ(file.Seek(0), 0);
    char back[4] = {};
    uint32_t got = 0;
    ASSERT_EQ(file.Read(back, 3, &got), 0);
    EXPECT_EQ(std::string(back, got), "abc") << "an exclusive file can be read back through its handle";
}

TEST_F(FsSeamTest, FileSizeOfFilesAndMissingEntries) {
    Put("five.bin", "12345");
    Put("empty.bin", "");
    uint64_t size = 99;
    ASSERT_EQ(rt::FsFileSize("five.bin", &size), 0);
    EXPECT_EQ(size, 5u);
    ASSERT_EQ(rt::FsFileSize("empty.bin", &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(rt::FsFileSize("missing.bin", &size), rt::kErrFileNotFound);
    EXPECT_EQ(rt::FsFileSize("", &size), rt::kErrFileNotFound);
}

}  // namespace
}  // namespace rt_test
