// Tests of the stream table and stream reads and writes: the console, full tables, lines, short
// reads, writes at positions and WriteFileAt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/streams.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;

class StreamsTest : public rt_test::FsTest {
protected:
    void TearDown() override {
        for (uint16_t s = rt::kFirstFileSlot; s < rt::kStreamSlots; ++s) {
            if (rt::StreamSlotTag(s) == rt::kSlotFile) rt::StreamClose(s);
            else rt::StreamReleaseSlot(s);
        }
        FsTest::TearDown();
    }
    uint16_t Open(const char* name, uint16_t flags = 0) {
        uint16_t s = rt::StreamOpen(T(name), flags);
        EXPECT_LT(s, rt::kStreamSlots) << name;
        return s;
    }
};

TEST_F(StreamsTest, ConsoleSelectsAStandardStreamThatStaysOpen) {
    EXPECT_EQ(rt::StreamOpen(T("CON"), rt::kStreamWrite), 1);
    EXPECT_EQ(rt::StreamOpen(T("CON"), 0), 0);
    EXPECT_EQ(rt::StreamOpen(T("CON"), rt::kStreamAppend), 0);
    EXPECT_EQ(rt::StreamClose(1), 0);
    EXPECT_EQ(rt::StreamClose(0), 0);
    EXPECT_NE(rt::StreamFile(0), nullptr);
    EXPECT_NE(rt::StreamFile(1), nullptr);
    EXPECT_EQ(rt::StreamLength(1), 0xFFFFu);
    EXPECT_FALSE(Exists("CON"));
}

TEST_F(StreamsTest, ThirtySevenOpenStreamsFillTheTable) {
    std::vector<uint16_t> open;
    for (int i = 0; i < 37; ++i) {
        uint16_t s = Open(("f" + std::to_string(i) + ".txt").c_str());
        EXPECT_EQ(s, 3 + i);
        open.push_back(s);
    }
    EXPECT_EQ(rt::StreamOpen(T("one_more.txt"), rt::kStreamQuiet), rt::kErrDataOutBound);
    EXPECT_EQ(rt::StreamOpen(T("CON"), rt::kStreamQuiet), rt::kErrDataOutBound);
    EXPECT_EQ(rt::StreamClaimSlot(7), rt::kErrDataOutBound);
    EXPECT_EQ(rt::StreamClose(open[10]), 0);
    EXPECT_EQ(Open("again.txt"), open[10]) << "a closed slot is the first free one";
}

TEST_F(StreamsTest, SlotsClaimedByOtherLayers) {
    uint16_t socket = rt::StreamClaimSlot(5);
    EXPECT_EQ(socket, 3);
    EXPECT_EQ(rt::StreamSlotTag(socket), 5);
    EXPECT_EQ(rt::StreamFile(socket), nullptr);
    EXPECT_EQ(Open("f.txt"), 4);
    EXPECT_EQ(rt::StreamClose(socket), rt::kErrBadFileNumber) << "not a file";
    rt::StreamReleaseSlot(socket);
    EXPECT_EQ(rt::StreamSlotTag(socket), rt::kSlotFree);
    rt::StreamReleaseSlot(4);
    EXPECT_EQ(rt::StreamSlotTag(4), rt::kSlotFile) << "a file slot is only freed by closing it";
    EXPECT_EQ(rt::StreamClaimSlot(rt::kSlotFree), rt::kErrBadInput);
}

TEST_F(StreamsTest, OpenFailures) {
    EXPECT_EQ(rt::StreamOpen(T(""), rt::kStreamQuiet), rt::kErrBadInput);
    std::string longName(rt::kMaxStreamName, 'n');
    EXPECT_EQ(rt::StreamOpen(rt_test::V(longName), rt::kStreamQuiet), rt::kErrBadInput);
    EXPECT_EQ(rt::StreamOpen(T("missing.txt"), rt::kStreamNoCreate | rt::kStreamQuiet), rt::kErrFileNotFound);
    EXPECT_FALSE(Exists("missing.txt"));
    EXPECT_EQ(rt::StreamOpen(T("nofolder\\x.txt"), rt::kStreamQuiet), rt::kErrPermission);
    rt::RecordError(0, 0);
    EXPECT_EQ(rt::StreamOpen(T("missing.txt"), rt::kStreamNoCreate), rt::kErrFileNotFound);
    EXPECT_EQ(rt::LastError().code, rt::kErrFileNotFound) << "reported without the quiet flag";
}

TEST_F(StreamsTest, ReadingWithoutCreateFlagCreatesTheFile) {
    uint16_t s = Open("made.txt", 0);
    EXPECT_TRUE(Exists("made.txt"));
    EXPECT_EQ(rt::StreamLength(s), 0u);
    EXPECT_TRUE(rt::StreamAtEnd(s));
}

TEST_F(StreamsTest, LinesEndAtCrLfCrOrLf) {
    const struct {
        const char* content;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\n\nb\r\n", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"last\x1a\x1a", {"last"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        Put("lines.txt", c.content);
        uint16_t s = Open("lines.txt", rt::kStreamNoCreate);
        for (const std::string& expected : c.lines) EXPECT_EQ(Str(Disciplined([&] { return rt::StreamReadText(s, -1, -1); })), expected);
        EXPECT_TRUE(rt::StreamAtEnd(s));
        rt::StreamClose(s);
    }
}

TEST_F(StreamsTest, LineLeavesThePositionOnTheNextLine) {
    Put("lines.txt", "a\r\nb");
    uint16_t s = Open("lines.txt", rt::kStreamNoCreate);
    char buf[16];
    EXPECT_EQ(rt::StreamRead(s, 0, -1, buf, sizeof buf), 1);
    EXPECT_EQ(rt::StreamRead(s, -1, 1, buf, sizeof buf), 1);
    EXPECT_EQ(buf[0], 'b');
}

TEST_F(StreamsTest, LineEndsSplitAcrossChunks) {
    std::string first(511, 'x');
    Put("lines.txt", first + "\r\nsecond\r" + std::string(600, 'y') + "\r\nz");
    uint16_t s = Open("lines.txt", rt::kStreamNoCreate);
    EXPECT_EQ(Str(rt::StreamReadText(s, -1, -1)), first);
    EXPECT_EQ(Str(rt::StreamReadText(s, -1, -1)), "second");
    EXPECT_EQ(Str(rt::StreamReadText(s, -1, -1)), std::string(600, 'y'));
    EXPECT_EQ(Str(rt::StreamReadText(s, -1, -1)), "z");
}

TEST_F(StreamsTest, LineIsBoundedByTheBuffer) {
    Put("lines.txt", "abcdefgh\nz");
    uint16_t s = Open("lines.txt", rt::kStreamNoCreate);
    char buf[5];
    EXPECT_EQ(rt::StreamRead(s, 0, -1, buf, sizeof buf), 4) << "one byte of the buffer stays free";
    EXPECT_EQ(std::string(buf, 4), "abcd");
    EXPECT_EQ(rt::StreamRead(s, -1, -1, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "efgh");
}

TEST_F(StreamsTest, CountedReads) {
    Put("f.txt", "0123456789");
    uint16_t s = Open("f.txt", rt::kStreamNoCreate);
    EXPECT_EQ(Str(rt::StreamReadText(s, 2, 3)), "234");
    EXPECT_EQ(Str(rt::StreamReadText(s, -1, 2)), "56");
    EXPECT_EQ(Str(rt::StreamReadText(s, 0xFFFF, 2)), "78") << "0xFFFF keeps the position in a short file";
    char buf[16];
    EXPECT_EQ(rt::StreamRead(s, 8, 5, buf, sizeof buf), 0xFFFF) << "fewer bytes than asked";
    const uint16_t before = rt::PoolMark();
    EXPECT_EQ(rt::StrError(rt::StreamReadText(s, 8, 5)), rt::kErrDiskIo);
    EXPECT_EQ(rt::PoolMark(), before);
    EXPECT_EQ(rt::StrError(rt::StreamReadText(30, 0, 1)), rt::kErrBadFileNumber);
}

TEST_F(StreamsTest, WritesAtPositionsAndAtTheEnd) {
    uint16_t s = Open("w.txt", rt::kStreamWrite);
    EXPECT_EQ(rt::StreamWrite(s, -1, T("hello")), 5);
    EXPECT_EQ(rt::StreamWrite(s, 0, T("J")), 1);
    EXPECT_EQ(rt::StreamWriteText(s, -1, T(" world")), 0);
    std::string big(1500, 'b');
    EXPECT_EQ(rt::StreamWrite(s, -1, rt_test::V(big)), 1500);
    rt::StreamClose(s);
    EXPECT_EQ(Get("w.txt"), "Jello world" + big);
    uint16_t r = Open("w.txt", rt::kStreamNoCreate);
    EXPECT_EQ(rt::StreamWrite(r, -1, T("x")), 0xFFFF) << "a read-only stream takes no bytes";
}

TEST_F(StreamsTest, AppendStreamsWriteAtTheEnd) {
    Put("a.txt", "abc");
    uint16_t s = Open("a.txt", rt::kStreamAppend);
    EXPECT_EQ(rt::StreamWrite(s, 0, T("d")), 1);
    rt::StreamClose(s);
    EXPECT_EQ(Get("a.txt"), "abcd");
}

TEST_F(StreamsTest, WriteFileAt) {
    EXPECT_EQ(rt::WriteFileAt(T("x.txt"), -2, T("abc")), 0);
    EXPECT_EQ(Get("x.txt"), "abc");
    EXPECT_EQ(rt::WriteFileAt(T("x.txt"), -1, T("d")), 0);
    EXPECT_EQ(Get("x.txt"), "abcd");
    EXPECT_EQ(rt::WriteFileAt(T("x.txt"), 1, T("XY")), 0);
    EXPECT_EQ(Get("x.txt"), "aXYd");
    EXPECT_EQ(rt::WriteFileAt(T("x.txt"), -2, T("z")), 0);
    EXPECT_EQ(Get("x.txt"), "z");
    EXPECT_EQ(rt::WriteFileAt(T("y.txt"), 0, T("new")), 0);
    EXPECT_EQ(Get("y.txt"), "new");
    EXPECT_EQ(rt::WriteFileAt(T("nofolder\\x.txt"), -1, T("d")), rt::kErrFileIo);
    EXPECT_EQ(rt::WriteFileAt(T("x.txt"), -1, rt::StrErr(150)), 150);
    for (uint16_t s = rt::kFirstFileSlot; s < rt::kStreamSlots; ++s)
        EXPECT_EQ(rt::StreamSlotTag(s), rt::kSlotFree) << "no stream is left open";
}

}  // namespace
