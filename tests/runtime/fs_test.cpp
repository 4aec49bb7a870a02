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

// Every way of opening, on an existing file and on a missing one: the result and what is left.
TEST_F(FsSeamTest, OpenModesTable) {
    struct Case {
        uint16_t mode;
        bool exists;
        rt::ErrCode result;
        const char* left;  // content afterwards; null: no file
    };
    using namespace rt;
    const Case cases[] = {
        {kFsRead, true, 0, "old"},
        {kFsRead, false, kErrFileNotFound, nullptr},
        {kFsWrite, true, 0, "old"},
        {kFsWrite | kFsTruncate, true, 0, ""},
        {kFsWrite | kFsTruncate, false, kErrFileNotFound, nullptr},
        {kFsWrite | kFsCreate, true, 0, "old"},
        {kFsWrite | kFsCreate, false, 0, ""},
        {kFsWrite | kFsCreate | kFsTruncate, true, 0, ""},
        {kFsWrite | kFsCreate | kFsTruncate, false, 0, ""},
        {kFsWrite | kFsCreate | kFsExclusive, true, kErrFileExist, "old"},
        {kFsWrite | kFsCreate | kFsExclusive, false, 0, ""},
        {kFsWrite | kFsCreate | kFsAppend, true, 0, "old"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "case" + std::to_string(n++) + ".bin";
        if (c.exists) Put(name, "old");
        rt::FsFile file;
        EXPECT_EQ(file.Open(name.c_str(), c.mode), c.result) << name << " mode " << c.mode;
        file.Close();
        if (c.left) {
            EXPECT_EQ(Get(name), c.left) << name << " mode " << c.mode;
        } else {
            EXPECT_FALSE(Exists(name)) << name << " mode " << c.mode;
        }
    }
    // A folder is no file to read, whichever way the system would let it be opened.
    std::filesystem::create_directory("afolder");
    rt::FsFile folder;
    EXPECT_EQ(folder.Open("afolder", kFsRead), kErrPermission);
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
