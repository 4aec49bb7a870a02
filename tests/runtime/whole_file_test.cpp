// Tests of whole-file reads, appending files and the one-step replacement of a file's contents,
// with faults injected through the file seam.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/fs.h"
#include "runtime/whole_file.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::V;

class WholeFileTest : public rt_test::FsTest {
protected:
    void TearDown() override {
        rt::SetFsSeams({});
        FsTest::TearDown();
    }
    static size_t FilesInFolder() {
        size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(".")) n += e.is_regular_file() ? 1 : 0;
        return n;
    }
};

TEST_F(WholeFileTest, Length) {
    Put("five.txt", "12345");
    Put("empty.txt", "");
    EXPECT_EQ(rt::FileLength(T("five.txt")), 5u);
    EXPECT_EQ(rt::FileLength(T("empty.txt")), 0u);
    EXPECT_EQ(rt::FileLength(T("missing.txt")), 0u);
    EXPECT_FALSE(Exists("missing.txt")) << "asking for a length creates nothing";
}

TEST_F(WholeFileTest, ReadBytes) {
    Put("f.bin", std::string("abc\0def", 7));
    EXPECT_EQ(Str(Disciplined([] { return rt::ReadBytes(T("f.bin"), 0, rt::kNpos); })), std::string("abc\0def", 7));
    EXPECT_EQ(Str(rt::ReadBytes(T("f.bin"), 4, 2)), "de");
    EXPECT_EQ(Str(rt::ReadBytes(T("f.bin"), 4, rt::kNpos)), "def");
    EXPECT_EQ(Str(rt::ReadBytes(T("f.bin"), 7, rt::kNpos)), "");
    EXPECT_EQ(Str(rt::ReadBytes(T("f.bin"), 0, 0)), "");
    const uint16_t before = rt::PoolMark();
    EXPECT_EQ(rt::StrError(rt::ReadBytes(T("f.bin"), 5, 3)), rt::kErrDataOutBound);
    EXPECT_EQ(rt::PoolMark(), before) << "a short read leaves nothing behind";
    EXPECT_EQ(rt::StrError(rt::ReadBytes(T("missing.bin"), 0, 1)), rt::kErrFileNotFound);
    EXPECT_EQ(rt::StrError(rt::ReadBytes(rt::StrErr(150), 0, 1)), 150);
}

TEST_F(WholeFileTest, ReadBytesBeyondWhatATextHolds) {
    Put("big.bin", std::string(70000, 'b'));
    EXPECT_EQ(rt::StrError(rt::ReadBytes(T("big.bin"), 0, rt::kNpos)), rt::kErrOutOfMemory);
    EXPECT_EQ(rt::ReadBytes(T("big.bin"), 69000, rt::kNpos).len, 1000);
}

TEST_F(WholeFileTest, ReadTextJoinsLines) {
    Put("t.txt", "a\r\nb\nc\r\n");
    EXPECT_EQ(Str(Disciplined([] { return rt::ReadText(T("t.txt"), T(",")); })), "a,b,c");
    EXPECT_EQ(Str(rt::ReadText(T("t.txt"), T(""))), "abc");
    Put("u.txt", "one\r\n\r\ntwo");
    EXPECT_EQ(Str(rt::ReadText(T("u.txt"), T("; "))), "one; ; two");
}

TEST_F(WholeFileTest, ReadSmallFileKeepsItsLimitFromBothSides) {
    struct Case { size_t size; size_t limit; rt::ErrCode code; };
    const Case cases[] = {{99, 100, 0}, {100, 100, 0}, {101, 100, rt::kErrDataOutBound}, {0, 0, 0}, {1, 0, rt::kErrDataOutBound}};
    for (const Case& c : cases) {
        Put("s.txt", std::string(c.size, 's'));
        std::string text = "before";
        EXPECT_EQ(rt::ReadSmallFile("s.txt", c.limit, &text), c.code) << c.size << " of " << c.limit;
        if (c.code == 0) {
            EXPECT_EQ(text, std::string(c.size, 's')) << c.size;
        }
    }
    std::string text;
    EXPECT_EQ(rt::ReadSmallFile("missing.txt", 100, &text), rt::kErrFileNotFound);
}

TEST_F(WholeFileTest, ForEachLineSplitsEveryLineEnd) {
    struct Case { const char* text; const char* lines; };
    const Case cases[] = {
        {"a\r\nb\r\n", "a|b|"}, {"a\nb\n", "a|b|"}, {"a\nb", "a|b|"}, {"", ""},
        {"\n\r\n\nc", "|||c|"}, {"a\r\r\nb\r", "a\r|b|"}, {"stop\nnever", "stop|"},
    };
    for (const Case& c : cases) {
        std::string seen;
        rt::ForEachLine(c.text, [&](std::string_view line) {
            seen.append(line).push_back('|');
            return line != "stop";
        });
        EXPECT_EQ(seen, c.lines) << c.text;
    }
}

TEST_F(WholeFileTest, AppendFileContents) {
    Put("dest.txt", "ab");
    Put("src.txt", "cd");
    EXPECT_EQ(Disciplined([] { return rt::AppendFileContents(T("dest.txt"), T("src.txt")); }), 0);
    EXPECT_EQ(Get("dest.txt"), "abcd");
    EXPECT_EQ(rt::AppendFileContents(T("new.txt"), T("src.txt")), 0);
    EXPECT_EQ(Get("new.txt"), "cd");
    Put("empty.txt", "");
    EXPECT_EQ(rt::AppendFileContents(T("dest.txt"), T("empty.txt")), rt::kErrOutOfData);
    EXPECT_EQ(rt::AppendFileContents(T("dest.txt"), T("missing.txt")), rt::kErrOutOfData);
    EXPECT_EQ(Get("dest.txt"), "abcd");
}

TEST_F(WholeFileTest, AppendLargeFileInChunks) {
    std::string big;
    for (int i = 0; i < 150000; ++i) big += static_cast<char>('a' + i % 26);
    Put("big.txt", big);
    Put("dest.txt", "head");
    EXPECT_EQ(rt::AppendFileContents(T("dest.txt"), T("big.txt")), 0);
    EXPECT_EQ(Get("dest.txt"), "head" + big);
}

rt::FsFaultPoint gFailAt;
rt::ErrCode FailAt(rt::FsFaultPoint point, const char*) { return point == gFailAt ? rt::kErrFileIo : 0; }

TEST_F(WholeFileTest, ReplaceWritesNewAndReplacesOld) {
    EXPECT_EQ(Disciplined([] { return rt::ReplaceFileContents(T("state.dat"), T("first")); }), 0);
    EXPECT_EQ(Get("state.dat"), "first");
    EXPECT_EQ(rt::ReplaceFileContents(T("state.dat"), T("second, longer")), 0);
    EXPECT_EQ(Get("state.dat"), "second, longer");
    EXPECT_EQ(rt::ReplaceFileContents(T("state.dat"), T("3")), 0);
    EXPECT_EQ(Get("state.dat"), "3");
    EXPECT_EQ(rt::ReplaceFileContents(T("state.dat"), rt::StrEmpty()), 0);
    EXPECT_EQ(Get("state.dat"), "");
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file is left";
}

TEST_F(WholeFileTest, FailedReplaceLeavesTheOldFileWhole) {
    Put("state.dat", "old contents");
    for (rt::FsFaultPoint point : {rt::kFaultOpen, rt::kFaultWrite, rt::kFaultFlush, rt::kFaultReplace}) {
        SCOPED_TRACE(static_cast<int>(point));
        gFailAt = point;
        rt::SetFsSeams({FailAt});
        EXPECT_EQ(rt::ReplaceFileContents(T("state.dat"), T("new contents")), rt::kErrPermission);
        rt::SetFsSeams({});
        EXPECT_EQ(Get("state.dat"), "old contents");
        EXPECT_EQ(FilesInFolder(), 1u) << "the temporary file is removed";
    }
}

// The new contents go to a file of a fresh name: another file beside the target, whatever its
// name, is neither emptied nor taken over.
TEST_F(WholeFileTest, ReplaceLeavesNeighboursAlone) {
    Put("state.dat.tmp~", "someone else's");
    Put("state.dat", "old");
    EXPECT_EQ(rt::ReplaceFileContents(T("state.dat"), T("new")), 0);
    EXPECT_EQ(Get("state.dat"), "new");
    EXPECT_EQ(Get("state.dat.tmp~"), "someone else's");
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(WholeFileTest, ReplaceIntoAMissingFolderFails) {
    EXPECT_EQ(rt::ReplaceFileContents(T("nofolder\\state.dat"), T("x")), rt::kErrPermission);
    EXPECT_EQ(rt::ReplaceFileContents(rt::StrErr(150), T("x")), 150);
    EXPECT_EQ(rt::ReplaceFileContents(T("state.dat"), rt::StrErr(151)), 151);
    EXPECT_FALSE(Exists("state.dat"));
}

}  // namespace
