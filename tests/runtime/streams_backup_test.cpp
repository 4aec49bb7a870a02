// Tests of backup names and of the backup taken before a file is overwritten.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/params.h"
#include "runtime/dates.h"
#include "runtime/paths.h"
#include "runtime/whole_file.h"
#include "runtime/streams.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;

class BackupTest : public rt_test::FsTest {
protected:
    std::string today_ = Str(rt::Today());
};

TEST_F(BackupTest, Names) {
    rt::SetRunParam(rt::kParamDocsFolder, T("D:\\Docs"));
    ASSERT_EQ(today_.size(), 8u);
    const struct {
        uint16_t flags;
        std::string expected;
    } cases[] = {
        {0, "C:\\app\\data.txt"},
        {1, "C:\\app\\data.BAK"},
        {2, "C:\\app\\data" + today_ + ".txt"},
        {3, "C:\\app\\data" + today_ + ".BAK"},
        {8, "D:\\Docs\\Backups\\C\\app\\Backups(" + today_ + ")\\data.txt"},
        {9, "D:\\Docs\\Backups\\C\\app\\Backups(" + today_ + ")\\data.BAK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(Str(Disciplined([&] { return rt::BackupName(T("C:\\app\\data.txt"), c.flags); })), c.expected);
    }
}

TEST_F(BackupTest, NameWithTime) {
    std::string name = Str(rt::BackupName(T("C:\\app\\data.txt"), 6));
    ASSERT_EQ(name.size(), std::string("C:\\app\\data.txt").size() + 14);
    EXPECT_EQ(name.substr(0, 11 + 8), "C:\\app\\data" + today_);
    for (char c : name.substr(19, 6)) EXPECT_TRUE(c >= '0' && c <= '9') << name;
    EXPECT_EQ(name.substr(25), ".txt");
}

TEST_F(BackupTest, BackupBeforeOverwrite) {
    rt::SetRunParam(rt::kParamDocsFolder, rt_test::V(Dir()));
    std::filesystem::create_directory("work");
    Put("work/data.txt", "version 1");
    rt::StrRef target = rt::PathJoin(rt_test::V(Dir()), T("work\\data.txt"));
    std::string backup = Str(rt::BackupName(target, rt::kBackupFolder));
    EXPECT_EQ(rt::BackupBeforeOverwrite(target, 0), 0);
    ASSERT_TRUE(Exists(backup.c_str()) || Exists(Str(rt::ConvertSeparators(rt_test::V(backup), 1)).c_str())) << backup;
    EXPECT_EQ(Str(rt::ReadBytes(rt_test::V(backup), 0, rt::kNpos)), "version 1");

    Put("work/data.txt", "version 2");
    EXPECT_EQ(rt::BackupBeforeOverwrite(target, 0), 0);
    EXPECT_EQ(Str(rt::ReadBytes(rt_test::V(backup), 0, rt::kNpos)), "version 1") << "a backup of the day is kept";
}

TEST_F(BackupTest, NothingToBackUp) {
    rt::SetRunParam(rt::kParamDocsFolder, rt_test::V(Dir()));
    Put("data.txt", "x");
    rt::StrRef target = rt::PathJoin(rt_test::V(Dir()), T("data.txt"));
    EXPECT_EQ(rt::BackupBeforeOverwrite(target, rt::kBackupOff), 0);
    EXPECT_FALSE(Exists("Backups"));
    EXPECT_EQ(rt::BackupBeforeOverwrite(rt::PathJoin(rt_test::V(Dir()), T("none.txt")), 0), 0);
    EXPECT_FALSE(Exists("Backups"));
}

}  // namespace
