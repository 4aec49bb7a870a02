// Tests of the local state record: both file layouts, missing files and the stamp after an update.
#include <gtest/gtest.h>

#include <string>

#include "runtime/temp_pool.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "updater/state_record.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::V;
using rt_test::TempDir;

constexpr RunFlags kPlain = RunFlag::Apply | RunFlag::OverwriteNewer;
constexpr RunFlags kProgram = 0x106;

TEST(StateRecord, ReadLayouts) {
    const struct { RunFlags flags; std::string file; std::string record; } cases[] = {
        {kPlain, "C:\\App,C:\\App\\kelvaner.exe,20240131,12:30:05,0", "1,C:\\App,C:\\App\\kelvaner.exe,20240131,12:30:05,0,"},
        {kProgram, "0,C:\\App\\kelvaner.exe,20240131,12:30:05,1,0", "0,,C:\\App\\kelvaner.exe,20240131,12:30:05,1,0"},
        {kPlain, "", "1,,,,,,"},
        {kProgram, "", "1,,,,,,"},
        {kPlain, "C:\\App,u,20240131,1,0\r\nsecond line", "1,C:\\App,u,20240131,1,0,"},
        {kProgram, "1", "1,,,,,,"},
        {kPlain, "'C:\\A,B',u,1,2,0", "1,'C:\\A,B',u,1,2,0,"},
        // Damaged files: a quote never closed would swallow the fields after it, NUL bytes would
        // end them, and fields beyond the layout's would shift the others when written back.
        {kPlain, "C:\\A'pp,u,20240131,1,0", "1,C:\\App,u,20240131,1,0,"},
        {kProgram, std::string("0,k.\0exe,2024\0\0,1,0,1", 21), "0,,k.exe,2024,1,0,1"},
        {kPlain, "C:\\A,u,20240131,1,0,extra,more", "1,C:\\A,u,20240131,1,0,"},
        {kProgram, "0,u,20240131,1,0,1,extra", "0,,u,20240131,1,0,1"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string path = dir.Write("kelvane.dat", c.file);
        uint16_t mark = PoolMark();
        EXPECT_EQ(Str(ReadStateRecord(c.flags, V(path))), c.record) << c.file;
        PoolRelease(mark);
    }
}

// A record no run wrote (a line longer than any record, a file too long to read) goes aside as
// kelvane.dat.damaged and reads as none, so that one bad file does not stop every later run.
TEST(StateRecord, ADamagedRecordIsSetAsideAndReadsAsNone) {
    const struct { std::string file; bool aside; } cases[] = {
        {"0," + std::string(kMaxStateLine - 2, 'x') + "\r\n", false},
        {"0," + std::string(kMaxStateLine - 1, 'x'), true},
        {"0," + std::string(600 * 1024, 'x'), true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.Write("kelvane.dat", c.file);
        const uint16_t mark = PoolMark();
        const std::string record = Str(ReadStateRecord(kProgram, V(path)));
        PoolRelease(mark);
        EXPECT_EQ(record, c.aside ? "1,,,,,," : "0,," + std::string(kMaxStateLine - 2, 'x') + ",,,,") << c.file.size();
        EXPECT_EQ(TempDir::Exists(path), !c.aside) << c.file.size();
        EXPECT_EQ(TempDir::Read(path + ".damaged") == c.file, c.aside) << c.file.size();
    }
}

TEST(StateRecord, MissingFileReadsAsUpdatesOn) {
    TempDir dir;
    uint16_t mark = PoolMark();
    EXPECT_EQ(Str(ReadStateRecord(kPlain, V(dir.Path("kelvane.dat")))), "1,,,,,,");
    EXPECT_EQ(PoolMark(), mark + 1);
    PoolRelease(mark);
}

TEST(StateRecord, StampWritesOnlyTheStoredFields) {
    TempDir dir;
    std::string plain = dir.Write("plain.dat", "C:\\App,C:\\App\\k.exe,,,1");
    std::string program = dir.Write("program.dat", "0,C:\\App\\k.exe,20200101,01:00:00,1,1");
    uint16_t mark = PoolMark();
    ASSERT_EQ(StampStateRecordAt(kPlain, V(plain), T("20240131"), T("12:30:05")), 0);
    EXPECT_EQ(TempDir::Read(plain), "C:\\App,C:\\App\\k.exe,20240131,12:30:05,1");
    ASSERT_EQ(StampStateRecordAt(kProgram, V(program), T("20240201"), T("08:00:00")), 0);
    EXPECT_EQ(TempDir::Read(program), "0,C:\\App\\k.exe,20240201,08:00:00,1,1");
    // A missing file is made with updates on.
    std::string fresh = dir.Path("fresh.dat");
    ASSERT_EQ(StampStateRecordAt(kProgram, V(fresh), T("20240202"), T("09:00:00")), 0);
    EXPECT_EQ(TempDir::Read(fresh), "1,,20240202,09:00:00,,");
    EXPECT_EQ(PoolMark(), mark);
}

TEST(StateRecord, StampUsesTodayAndNow) {
    TempDir dir;
    std::string plain = dir.Path("k.dat");
    uint16_t mark = PoolMark();
    ASSERT_EQ(StampStateRecord(kPlain, V(plain)), 0);
    std::string text = TempDir::Read(plain);
    // ",,YYYYMMDD,hh:mm:ss,"
    ASSERT_EQ(text.size(), 2u + 8 + 1 + 8 + 1) << text;
    EXPECT_EQ(text.substr(0, 2), ",,");
    EXPECT_EQ(text[13], ':');
    EXPECT_EQ(text[16], ':');
    EXPECT_EQ(PoolMark(), mark);
}

TEST(StateRecord, FailedWriteKeepsTheOldRecord) {
    TempDir dir;
    std::string path = dir.Write("k.dat", "C:\\App,u,1,2,0");
    uint16_t mark = PoolMark();
    // A folder where the file should be cannot be replaced.
    EXPECT_NE(StampStateRecordAt(kPlain, V(dir.Path()), T("20240131"), T("12:00:00")), 0);
    EXPECT_EQ(TempDir::Read(path), "C:\\App,u,1,2,0");
    EXPECT_EQ(PoolMark(), mark);
}

}  // namespace
}  // namespace rt
