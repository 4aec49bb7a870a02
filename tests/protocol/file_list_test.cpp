// Tests of the server list body: entries, bounds, hostile names and round trips into a listing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "tests/support/text.h"
#include "protocol/file_list.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::V;

std::string Entry(uint32_t attr, uint32_t size, int32_t date, int32_t time) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%2u%12u%10d%10d", attr, size, date, time);
    return buf;
}

std::string Body(const std::string& names, const std::vector<std::string>& entries) {
    char len[8];
    std::snprintf(len, sizeof len, "%5u", static_cast<unsigned>(names.size()));
    std::string s = std::string(len) + names;
    for (const auto& e : entries) s += e;
    return s;
}

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override { mark_ = PoolMark(); }
    void TearDown() override {
        // A listing holds its names and records itself: the run's pool is left as it was.
        EXPECT_EQ(PoolMark(), mark_) << "entries left in the pool";
        PoolRelease(mark_);
    }
    ErrCode Parse(const std::string& body, FolderListing* out) {
        return ParseFileList(body.data(), static_cast<uint32_t>(body.size()), out);
    }
    uint16_t mark_ = 0;
};

TEST_F(FileListTest, ParsesNamesAndEntriesInOrder) {
    std::string names = std::string("app.exe") + '\0' + "sub/new.dll" + '\0' + ".temp";
    std::string body = Body(names, {Entry(32, 1025, 20240131, 45296000), Entry(0, 0, 19991231, 0),
                                    Entry(33, 4294967295u, 20380119, 86399000)});
    FolderListing l;
    ASSERT_EQ(Parse(body, &l), 0);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.count, 3);
    EXPECT_EQ(l.mask, kListArchive);
    EXPECT_EQ(std::string(l.names.ptr, l.names.len), std::string("app.exe") + '\0' + "sub\\new.dll" + '\0' + ".temp");
    ASSERT_NE(l.records, nullptr);
    EXPECT_EQ(l.records[0].size, 1025u);
    EXPECT_EQ(l.records[0].attributes, 32u);
    EXPECT_EQ(l.records[0].writeDate, 20240131);
    EXPECT_EQ(l.records[0].writeTime, 45296000);
    EXPECT_EQ(l.records[0].status, 0u);
    EXPECT_EQ(l.records[0].creationDate, 0);
    EXPECT_EQ(l.records[0].accessTime, 0);
    EXPECT_EQ(l.records[1].writeDate, 19991231);
    EXPECT_EQ(l.records[2].size, 4294967295u);
    EXPECT_EQ(l.records[2].attributes, 33u);
    EXPECT_EQ(ListingIndex(l.names, T("SUB\\NEW.DLL")), 1);
}

TEST_F(FileListTest, TrailingBytesAfterTheEntriesAreIgnored) {
    FolderListing l;
    ASSERT_EQ(Parse(Body("a", {Entry(32, 1, 20240101, 0)}) + "\r\n", &l), 0);
    EXPECT_EQ(l.count, 1);
}

TEST_F(FileListTest, EmptyNamesBlockIs164) {
    FolderListing l;
    l.count = 77;
    EXPECT_EQ(Parse(Body("", {}), &l), kErrFileNotFound);
    EXPECT_EQ(l.count, 77) << "listing touched on failure";
}

TEST_F(FileListTest, AnnouncedSizesBeyondTheAnswerFailCleanly) {
    const std::string cases[] = {
        "",
        "12",
        "abcde",
        "-0001x",
        "99999abc",                                        // names block longer than the answer
        "00010app.exe",                                    // names block cut short
        Body("a", {}),                                     // entry missing
        Body("a", {Entry(32, 1, 20240101, 0).substr(0, 33)}),  // entry one byte short
        Body(std::string("a") + '\0' + "b", {Entry(32, 1, 20240101, 0)}),  // one entry for two names
        Body("a", {"3x" + Entry(32, 1, 20240101, 0).substr(2)}),         // unreadable attributes
        Body("a", {Entry(32, 1, 20240101, 0).substr(0, 2) + "  4294967296" +
                   Entry(32, 1, 20240101, 0).substr(14)}),               // size beyond 32 bits
    };
    for (const auto& body : cases) {
        FolderListing l;
        EXPECT_EQ(Parse(body, &l), kErrTransUp) << '"' << body << '"';
    }
}

// A name longer than one text is refused, not cut: a cut name would no longer match the records
// that follow it.
TEST_F(FileListTest, NameBeyondOneTextIsRefused) {
    for (size_t n : {size_t{32765}, size_t{70001}}) {
        FolderListing l;
        EXPECT_EQ(Parse(Body(std::string(n, 'a'), {Entry(32, 1, 20240101, 0)}), &l), kErrBadInput) << n;
        EXPECT_EQ(l.count, 0) << n;
    }
    FolderListing fits;
    EXPECT_EQ(Parse(Body(std::string(200, 'a'), {Entry(32, 1, 20240101, 0)}), &fits), 0);
}

TEST_F(FileListTest, HostileNameRejectsTheWholeListAndNamesIt) {
    const std::string bad[] = {"..\\evil.exe", "../evil.exe", "C:\\x", "/abs", "CON", "sub\\nul.txt",
                               "a.", "a ", "x*y", "", "a//b", "lpt1"};
    for (const auto& name : bad) {
        std::string names = std::string("good.exe") + '\0' + name;
        FolderListing l;
        EXPECT_EQ(Parse(Body(names, {Entry(32, 1, 20240101, 0), Entry(32, 1, 20240101, 0)}), &l),
                  kErrBadInput) << name;
        if (!name.empty()) {
            EXPECT_EQ(Str(ErrorDetail()), name);
        }
    }
}

TEST_F(FileListTest, TrailingNulMeansAnEmptyNameAndIsRefused) {
    FolderListing l;
    EXPECT_EQ(Parse(Body(std::string("a") + '\0', {Entry(32, 1, 20240101, 0), Entry(32, 1, 20240101, 0)}), &l),
              kErrBadInput);
}

// The most files of short names the bound admits, and one more: the server refuses the same
// list with the same bound (tests/server/answers_test.cpp).
TEST_F(FileListTest, TheLongestNamesBlockHoldsTwentyThousandFilesWithTheirOwnRecords) {
    // 20000 names of 4 characters and their separators: the 99999 bytes 5 digits can announce.
    std::string names;
    std::vector<std::string> entries;
    auto nameOf = [](uint32_t i) {
        const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
        return std::string{digits[i / 46656 % 36], digits[i / 1296 % 36], digits[i / 36 % 36], digits[i % 36]};
    };
    for (uint32_t i = 0; i < 20000; ++i) {
        if (i) names.push_back('\0');
        names += nameOf(i);
        entries.push_back(Entry(32, i, 20240101, 0));
    }
    ASSERT_EQ(names.size(), kMaxNamesBlock);
    FolderListing l;
    ASSERT_EQ(Parse(Body(names, entries), &l), 0);
    EXPECT_EQ(l.count, 20000);
    EXPECT_EQ(l.names.len, kMaxNamesBlock);
    for (uint32_t i : {0u, 8191u, 8192u, 16384u, 19999u}) {
        EXPECT_EQ(ListingIndex(l.names, V(nameOf(i))), i);
        EXPECT_EQ(l.records[i].size, i);
    }
    // One more name cannot be announced at all.
    EXPECT_EQ(Parse(Body(names + '\0' + "x", entries), &l), kErrTransUp);
    EXPECT_EQ(l.count, 20000) << "a refused list leaves the listing alone";
}

TEST_F(FileListTest, FormatThenParseRoundTrip) {
    std::string names = std::string("app.exe") + '\0' + "sub/new.dll" + '\0' + "empty.txt";
    FileInfo recs[3];
    recs[0].size = 67108864; recs[0].attributes = 32; recs[0].writeDate = 20240229; recs[0].writeTime = 3723000;
    recs[1].size = 1025; recs[1].attributes = 32; recs[1].writeDate = 20231231; recs[1].writeTime = 86399000;
    recs[2].size = 0; recs[2].attributes = 0; recs[2].writeDate = 19700101; recs[2].writeTime = 0;
    std::vector<char> out(FileListBodySize(static_cast<uint32_t>(names.size()), 3));
    uint32_t written = 0;
    ASSERT_EQ(FormatFileList(V(names), recs, 3, out.data(), static_cast<uint32_t>(out.size()), &written), 0);
    EXPECT_EQ(written, out.size());
    EXPECT_EQ(std::string(out.data(), 5), "   29");
    FolderListing l;
    ASSERT_EQ(Parse(std::string(out.data(), written), &l), 0);
    ASSERT_EQ(l.count, 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(l.records[k].size, recs[k].size);
        EXPECT_EQ(l.records[k].attributes, recs[k].attributes);
        EXPECT_EQ(l.records[k].writeDate, recs[k].writeDate);
        EXPECT_EQ(l.records[k].writeTime, recs[k].writeTime);
    }
}

TEST_F(FileListTest, FormatRefusesWhatAClientWouldRefuse) {
    FileInfo rec;
    rec.attributes = 32;
    char out[256];
    uint32_t written = 0;
    EXPECT_EQ(FormatFileList(T("..\\x"), &rec, 1, out, sizeof out, &written), kErrBadInput);
    EXPECT_EQ(FormatFileList(V(std::string("a") + '\0' + "b"), &rec, 1, out, sizeof out, &written), kErrBadInput)
        << "count differs from the names";
    EXPECT_EQ(FormatFileList(T("a"), &rec, 1, out, 5 + 1 + 33, &written), kErrOutOfMemory);
    rec.attributes = 0x80;
    EXPECT_EQ(FormatFileList(T("a"), &rec, 1, out, sizeof out, &written), kErrBadInput);
}

TEST(FileListEntry, Layout) {
    FileInfo rec;
    rec.attributes = 32; rec.size = 1025; rec.writeDate = 20240131; rec.writeTime = 45296000;
    char out[kListEntrySize];
    ASSERT_EQ(FormatListEntry(rec, out), 0);
    EXPECT_EQ(std::string(out, 34), "32        1025  20240131  45296000");
    FileInfo back;
    ASSERT_EQ(ParseListEntry(out, &back), 0);
    EXPECT_EQ(back.size, 1025u);
}

}  // namespace
}  // namespace rt
