// Tests of file-information records and time stamps, on real files in a fresh temporary folder.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>

#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "runtime/dir_search.h"
#include "runtime/file_info.h"
#include "tests/support/pool_check.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace {

namespace fs = std::filesystem;

using rt_test::V;

// Each test works in its own new folder, removed afterwards. Paths handed to the run-time use
// backslashes, as the updater's paths do; the POSIX search accepts them.
class FileInfoTest : public rt_test::BalancedPoolTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::is_directory(folder_.path()));
        BalancedPoolTest::SetUp();
    }
    std::string Api(const std::string& name = "") const { return folder_.Path(name); }
    void MakeFile(const std::string& name, size_t size) const { folder_.Write(name, std::string(size, 'x')); }
    rt_test::TempDir folder_{"kfi"};
};

TEST_F(FileInfoTest, FileRecordHasSizeAndArchiveBit) {
    MakeFile("data.bin", 1234);
    const std::string path = Api("data.bin");
    const rt::FileInfo info = rt::FileInfoOf(V(path));
    EXPECT_EQ(info.status, 0u);
    EXPECT_EQ(info.size, 1234u);
    EXPECT_TRUE(info.attributes & rt::kAttrArchive);
    EXPECT_FALSE(info.attributes & rt::kAttrFolder);
    EXPECT_EQ(rt::PathAttributes(V(path)), info.attributes);
    EXPECT_FALSE(rt::IsFolder(V(path)));
    // Freshly written: every stamp is a real date.
    EXPECT_GT(info.writeDate, 20200101);
    EXPECT_GT(info.creationDate, 20200101);
    EXPECT_GT(info.accessDate, 20200101);
}

TEST_F(FileInfoTest, FolderRecordHasFolderBit) {
    ASSERT_TRUE(fs::create_directory(folder_.path() / "sub"));
    const std::string path = Api("sub");
    EXPECT_TRUE(rt::IsFolder(V(path)));
    EXPECT_TRUE(rt::PathAttributes(V(path)) & rt::kAttrFolder);
    EXPECT_EQ(rt::FileInfoOf(V(path)).status, 0u);
}

TEST_F(FileInfoTest, MissingEntryGives164) {
    const std::string path = Api("nothing.here");
    EXPECT_EQ(rt::FileInfoOf(V(path)).status, rt::kErrFileNotFound);
    EXPECT_EQ(rt::PathAttributes(V(path)), rt::kErrFileNotFound);
    EXPECT_FALSE(rt::IsFolder(V(path)));
    int32_t date = 7, ms = 7;
    EXPECT_EQ(rt::FileTimeOf(V(path), rt::kStampWrite, &date, &ms), rt::kErrFileNotFound);
    EXPECT_EQ(date, 7);
    EXPECT_EQ(ms, 7);
    // A missing folder on the way is the same condition.
    const std::string deeper = Api("no_folder\\x.txt");
    EXPECT_EQ(rt::FileInfoOf(V(deeper)).status, rt::kErrFileNotFound);
    EXPECT_EQ(rt::SetFileWriteTimeLocal(V(path), 20240101, 0), rt::kErrFileNotFound);
}

TEST_F(FileInfoTest, ErrorValueComesBackAsStatus) {
    EXPECT_EQ(rt::FileInfoOf(rt::StrErr(rt::kErrBadInput)).status, rt::kErrBadInput);
    EXPECT_EQ(rt::PathAttributes(rt::StrErr(rt::kErrDiskIo)), rt::kErrDiskIo);
    EXPECT_FALSE(rt::IsFolder(rt::StrErr(rt::kErrDiskIo)));
}

TEST_F(FileInfoTest, WildcardTakesTheMatchingFile) {
    MakeFile("one.txt", 11);
    MakeFile("two.dat", 22);
    MakeFile("three.txt", 33);
    EXPECT_EQ(rt::FileInfoOf(V(Api("*.dat"))).size, 22u);
    EXPECT_EQ(rt::FileInfoOf(V(Api("t?o.*"))).size, 22u);
    EXPECT_EQ(rt::FileInfoOf(V(Api("TWO.DAT"))).size, 22u);  // names match in any case
    EXPECT_EQ(rt::FileInfoOf(V(Api("*.zip"))).status, rt::kErrFileNotFound);
}

// Local times set on a file read back as the same date and whole second.
TEST_F(FileInfoTest, WriteTimeReadsBackAsTheLocalTimeSet) {
    const struct { int32_t date, ms; } cases[] = {
        {20240115, 12 * 3600000 + 34 * 60000 + 56 * 1000},  // winter
        {20230715, 13 * 3600000 + 45 * 60000 + 30 * 1000},  // summer
        {20240229, 0},                                      // leap day, midnight
        {20001231, 86399000},                               // last second of a day
        {19700102, 3600000},
        {20380117, 23 * 3600000},                           // near the end of the range
        {20110327, 10 * 3600000 + 500},                     // milliseconds are dropped
    };
    MakeFile("stamp.txt", 5);
    const std::string path = Api("stamp.txt");
    for (const auto& c : cases) {
        ASSERT_EQ(rt::SetFileWriteTimeLocal(V(path), c.date, c.ms), 0) << c.date;
        const rt::FileInfo info = rt::FileInfoOf(V(path));
        ASSERT_EQ(info.status, 0u);
        EXPECT_EQ(info.writeDate, c.date);
        EXPECT_EQ(info.writeTime, c.ms / 1000 * 1000) << c.date;
        int32_t date = 0, ms = -1;
        EXPECT_EQ(rt::FileTimeOf(V(path), rt::kStampWrite, &date, &ms), 0);
        EXPECT_EQ(date, c.date);
        EXPECT_EQ(ms, c.ms / 1000 * 1000);
    }
}

TEST_F(FileInfoTest, FolderWriteTimeCanBeSet) {
    ASSERT_TRUE(fs::create_directory(folder_.path() / "sub"));
    const std::string path = Api("sub");
    ASSERT_EQ(rt::SetFileWriteTimeLocal(V(path), 20210606, 6 * 3600000), 0);
    int32_t date = 0, ms = 0;
    ASSERT_EQ(rt::FileTimeOf(V(path), rt::kStampWrite, &date, &ms), 0);
    EXPECT_EQ(date, 20210606);
    EXPECT_EQ(ms, 6 * 3600000);
}

// A time stamp is a signed 32-bit count of seconds: before 1970 and after January 2038 it reads
// as date 0 and time 0.
TEST_F(FileInfoTest, StampsOutsideThe32BitRangeReadAsZero) {
    MakeFile("old.txt", 1);
    const std::string path = Api("old.txt");
    for (int32_t date : {19600601, 19691230, 20400101, 21100101}) {
        ASSERT_EQ(rt::SetFileWriteTimeLocal(V(path), date, 12 * 3600000), 0) << date;
        const rt::FileInfo info = rt::FileInfoOf(V(path));
        ASSERT_EQ(info.status, 0u);
        EXPECT_EQ(info.writeDate, 0) << date;
        EXPECT_EQ(info.writeTime, 0) << date;
    }
}

TEST_F(FileInfoTest, LocalStampRange) {
    const struct { int64_t seconds; bool zero; } cases[] = {
        {-1, true}, {INT64_MIN, true}, {int64_t{INT32_MAX} + 1, true},
        // A count past 2106 must not wrap round into a plausible date.
        {(int64_t{1} << 32) + 86400 * 365, true},
        {int64_t{INT32_MAX}, false}, {86400 * 2, false}, {1700000000, false},
    };
    for (const auto& c : cases) {
        int32_t date = -1, ms = -1;
        rt::LocalStamp(c.seconds, &date, &ms);
        if (c.zero) {
            EXPECT_EQ(date, 0) << c.seconds;
            EXPECT_EQ(ms, 0) << c.seconds;
        } else {
            EXPECT_GE(date, 19700101) << c.seconds;
            EXPECT_LE(date, 20380120) << c.seconds;
            EXPECT_GE(ms, 0);
            EXPECT_LT(ms, 86400000);
            EXPECT_EQ(ms % 1000, 0);
        }
    }
    int32_t date = 0, ms = 0;
    rt::LocalStamp(1700000000, &date, &ms);  // 2023-11-14 22:13:20 UTC
    EXPECT_GE(date, 20231114);
    EXPECT_LE(date, 20231115);
}

TEST_F(FileInfoTest, StampPartsValidity) {
    const struct { int32_t date, ms; bool valid; } cases[] = {
        {20240229, 0, true},      {20230229, 0, false},  {21000229, 0, false},
        {20000229, 0, true},      {20240431, 0, false},  {20241231, 86399999, true},
        {20241231, 86400000, false}, {20240101, -1, false}, {20240001, 0, false},
        {20241301, 0, false},     {20240100, 0, false},  {16000101, 0, false},
        {16010101, 0, true},      {99991231, 0, true},   {0, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rt::StampPartsValid(c.date, c.ms), c.valid) << c.date << " " << c.ms;
}

TEST_F(FileInfoTest, BadStampOrSelectorGives163) {
    MakeFile("f.txt", 1);
    const std::string path = Api("f.txt");
    EXPECT_EQ(rt::SetFileWriteTimeLocal(V(path), 20230229, 0), rt::kErrBadInput);
    EXPECT_EQ(rt::SetFileWriteTimeLocal(rt::StrErr(rt::kErrDiskIo), 20230101, 0), rt::kErrBadInput);
    int32_t date = 0, ms = 0;
    EXPECT_EQ(rt::FileTimeOf(V(path), 3, &date, &ms), rt::kErrBadInput);
    EXPECT_EQ(rt::FileTimeOf(V(path), -1, &date, &ms), rt::kErrBadInput);
}

TEST_F(FileInfoTest, SearchWalksEveryMatchOnce) {
    for (const char* n : {"a.log", "b.log", "c.log", "d.txt"}) MakeFile(n, 1);
    const std::string pattern = Api("*.log");
    rt::DirSearch search;
    rt::DirEntry e;
    int seen = 0;
    for (rt::ErrCode err = search.First(V(pattern), &e); err != rt::kCompletion;
         err = search.Next(&e)) {
        ASSERT_EQ(err, 0);
        EXPECT_EQ(std::string(e.name).substr(1), ".log");
        EXPECT_EQ(e.nameLen, 5);
        ++seen;
    }
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(search.Next(&e), rt::kCompletion);  // stays at the end
}

}  // namespace
