// Tests of folder listings (scans of real folders) and name lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/file_info.h"
#include "tests/support/pool_check.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace {

namespace fs = std::filesystem;

using rt_test::Str;
using rt_test::V;

std::vector<std::string> Names(const rt::FolderListing& l) {
    std::vector<std::string> out;
    if (l.count == 0) return out;
    std::string all = std::string(l.names.ptr, l.names.len);
    size_t start = 0;
    for (;;) {
        size_t nul = all.find('\0', start);
        out.push_back(all.substr(start, nul - start));
        if (nul == std::string::npos) break;
        start = nul + 1;
    }
    return out;
}

class ListingTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::is_directory(folder_.path()));
        PoolMarkTest::SetUp();
    }
    // The folder (or a name in it) as the updater writes paths: with backslashes.
    std::string Api(const std::string& name = "") const { return folder_.Path(name); }
    void MakeFile(const std::string& name, size_t size = 1) const { folder_.Write(name, std::string(size, 'x')); }
    // Pool entries above the test's mark.
    int EntriesAbove() const { return rt::PoolMark() - mark_; }

    rt_test::TempDir folder_{"kfl"};
};

// --- pure parts ---------------------------------------------------------------------------

TEST(ListingTakesTest, Table) {
    const struct { uint16_t mask; uint8_t attributes; bool taken; } cases[] = {
        {rt::kListArchive, 0x20, true},   {rt::kListArchive, 0x00, true},
        {rt::kListArchive, 0x01, false},  // read-only alone
        {rt::kListArchive, 0x21, true},   {rt::kListArchive, 0x10, false},
        {rt::kListArchive, 0x30, true},   {rt::kListNamesOnly, 0x10, true},
        {rt::kListNamesOnly, 0x00, true}, {0, 0x20, false}, {0, 0x00, false},
        {0x10, 0x10, true},               {0x10, 0x00, false}, {0x02, 0x22, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rt::ListingTakes(c.mask, c.attributes), c.taken)
            << std::hex << c.mask << " " << int(c.attributes);
}

TEST(ListingIndexTest, Table) {
    const std::string names("README.txt\0b.txt\0B.TXT\0x", 24);
    const struct { std::string name; uint16_t at; } cases[] = {
        {"README.txt", 0}, {"readme.TXT", 0}, {"B.TXT", 2},  // the exact match wins
        {"b.TXT", 1},                                        // else the first one in any case
        {"x", 3}, {"X", 3}, {"c", 0xFFFF}, {"", 0xFFFF}, {"b.tx", 0xFFFF}, {"README.txt2", 0xFFFF},
        {std::string("b.txt\0B", 7), 0xFFFF},
    };
    for (const auto& c : cases) EXPECT_EQ(rt::ListingIndex(V(names), V(c.name)), c.at) << c.name;
    EXPECT_EQ(rt::ListingIndex(rt::StrEmpty(), rt::StrEmpty()), 0xFFFF);
    EXPECT_EQ(rt::ListingIndex(rt::StrErr(rt::kErrDiskIo), V(cases[0].name)), 0xFFFF);
    EXPECT_EQ(rt::ListingIndex(V(names), rt::StrErr(rt::kErrDiskIo)), 0xFFFF);
}

// The sorted lookup answers every question as the plain one does, whatever the mix of cases,
// duplicates and prefixes.
TEST(ListingLookupTest, AgreesWithThePlainLookup) {
    std::mt19937 random(12);
    const char letters[] = "aAbB.";
    for (int round = 0; round < 50; ++round) {
        std::string names;
        const uint16_t count = static_cast<uint16_t>(1 + random() % 40);
        for (uint16_t i = 0; i < count; ++i) {
            if (i) names.push_back('\0');
            for (uint32_t n = random() % 4; n; --n) names.push_back(letters[random() % 5]);
        }
        const rt::ListingLookup lookup(rt::NameBlock(names.data(), static_cast<uint32_t>(names.size())), count);
        ASSERT_TRUE(lookup.indexed());
        for (int q = 0; q < 40; ++q) {
            std::string name;
            for (uint32_t n = random() % 4; n; --n) name.push_back(letters[random() % 5]);
            ASSERT_EQ(lookup.Find(V(name)), rt::ListingIndex(V(names), V(name))) << round << " " << name;
        }
    }
    // A count that does not match the block is answered by reading the block as it is.
    const std::string two("a\0b", 3);
    const rt::ListingLookup wrong(rt::NameBlock(two.data(), 3), 5);
    EXPECT_FALSE(wrong.indexed());
    EXPECT_EQ(wrong.Find(rt::StrFromLiteral("B")), 1);
}

// --- scans of real folders ----------------------------------------------------------------

TEST_F(ListingTest, FolderIsListedSortedByByteValueWithItsRecords) {
    MakeFile("a.txt", 10);
    MakeFile("B.txt", 20);
    MakeFile("_x", 30);
    MakeFile("Zeta", 40);
    const std::string root = Api();
    const rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, nullptr);
    ASSERT_EQ(l.status, 0);
    EXPECT_EQ(Str(l.pattern), root + "\\*.*");
    EXPECT_EQ(Str(l.folder), root);
    EXPECT_EQ(l.mask, rt::kListArchive);
    EXPECT_EQ(Str(l.exclusions), "");
    ASSERT_EQ(l.count, 4);
    EXPECT_EQ(Names(l), (std::vector<std::string>{"B.txt", "Zeta", "_x", "a.txt"}));
    ASSERT_NE(l.records, nullptr);
    const uint32_t sizes[] = {20, 40, 30, 10};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(l.records[i].status, 0u);
        EXPECT_EQ(l.records[i].size, sizes[i]);
        EXPECT_TRUE(l.records[i].attributes & rt::kAttrArchive);
        EXPECT_GT(l.records[i].writeDate, 20200101);
    }
}

// A few thousand files, created in shuffled order: every name comes back once, in byte order,
// with the record of its own file (the size encodes the name).
TEST_F(ListingTest, ThousandsOfFilesKeepTheirRecords) {
    constexpr int kFiles = 5000;
    std::vector<int> order(kFiles);
    for (int i = 0; i < kFiles; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int n : order) {
        char name[32];
        // Mixed case so that the byte order differs from the numeric one; names long enough that
        // together they pass what one text holds.
        std::snprintf(name, sizeof name, "%c%04d-component.dll", n % 2 ? 'a' : 'B', n / 2);
        MakeFile(name, static_cast<size_t>(n));
    }
    const std::string root = Api();
    const rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, nullptr);
    ASSERT_EQ(l.status, 0);
    ASSERT_EQ(l.count, kFiles);
    const std::vector<std::string> names = Names(l);
    ASSERT_EQ(names.size(), size_t{kFiles});
    for (int k = 0; k < kFiles; ++k) {
        if (k) {
            EXPECT_LT(names[k - 1], names[k]);
        }
        const int n = std::stoi(names[k].substr(1)) * 2 + (names[k][0] == 'a' ? 1 : 0);
        ASSERT_EQ(l.records[k].size, static_cast<uint32_t>(n)) << names[k];
    }
    EXPECT_EQ(names.front(), "B0000-component.dll");
    EXPECT_EQ(names.back(), "a2499-component.dll");
    EXPECT_GT(l.names.len, 65535u);
    // The pattern is all that stays in the pool.
    EXPECT_EQ(EntriesAbove(), 1);

    rt::PoolRelease(mark_);
    const rt::FolderListing only = rt::ScanFolder(V(root), rt::kListNamesOnly, nullptr);
    ASSERT_EQ(only.status, 0);
    EXPECT_EQ(only.records, nullptr);
    // "." and ".." come along when every entry is wanted.
    EXPECT_EQ(only.count, kFiles + 2);
    EXPECT_EQ(EntriesAbove(), 1);
}

TEST_F(ListingTest, MaskDecidesBetweenFilesAndFolders) {
    MakeFile("file.txt", 3);
    ASSERT_TRUE(fs::create_directory(folder_.path() / "sub"));
    const std::string root = Api();

    rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, nullptr);
    ASSERT_EQ(l.status, 0);
    EXPECT_EQ(Names(l), std::vector<std::string>{"file.txt"});

    l = rt::ScanFolder(V(root), rt::kListNamesOnly, nullptr);
    ASSERT_EQ(l.status, 0);
    EXPECT_EQ(Names(l), (std::vector<std::string>{".", "..", "file.txt", "sub"}));
    EXPECT_EQ(l.records, nullptr);

    l = rt::ScanFolder(V(root), rt::kAttrFolder, nullptr);
    ASSERT_EQ(l.status, 0);
    ASSERT_EQ(Names(l), (std::vector<std::string>{".", "..", "sub"}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(l.records[i].attributes & rt::kAttrFolder);

    // A mask that takes nothing is not "no match".
    l = rt::ScanFolder(V(root), 0, nullptr);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.count, 0);
    EXPECT_EQ(std::string(l.names.ptr, l.names.len), "");
}

TEST_F(ListingTest, EmptyFolderGives164) {
    const std::string root = Api();
    const rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, nullptr);
    EXPECT_EQ(l.status, rt::kErrFileNotFound);
    EXPECT_EQ(l.count, 0);
    EXPECT_EQ(std::string(l.names.ptr, l.names.len), "");
    EXPECT_EQ(l.records, nullptr);
    EXPECT_EQ(Str(l.folder), root);
    EXPECT_EQ(EntriesAbove(), 1);  // the pattern only
}

TEST_F(ListingTest, MissingFolderGives164) {
    const std::string root = Api("missing");
    const rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, nullptr);
    EXPECT_EQ(l.status, rt::kErrFileNotFound);
    EXPECT_EQ(Str(l.pattern), root);  // not a folder, so it is the pattern itself
}

TEST_F(ListingTest, NamesBeyondOneTextAreListed) {
    // 180 files of 185-character names: more than 32764 bytes with their separators.
    for (int i = 0; i < 180; ++i) {
        char tail[8];
        std::snprintf(tail, sizeof tail, "%03d", i);
        MakeFile(std::string(182, 'n') + tail, static_cast<size_t>(i));
    }
    const rt::FolderListing l = rt::ScanFolder(V(Api()), rt::kListArchive, nullptr);
    ASSERT_EQ(l.status, 0);
    EXPECT_EQ(l.count, 180);
    EXPECT_EQ(l.names.len, 180u * 186 - 1);
    EXPECT_EQ(l.records[179].size, 179u);
    EXPECT_EQ(Names(l)[179], std::string(182, 'n') + "179");
    EXPECT_EQ(EntriesAbove(), 1);
}

TEST_F(ListingTest, NamesJustUnderTheLimitAreListed) {
    // 176 names of 185 characters: 176 * 186 - 1 = 32735 bytes.
    for (int i = 0; i < 176; ++i) {
        char tail[8];
        std::snprintf(tail, sizeof tail, "%03d", i);
        MakeFile(std::string(182, 'n') + tail, static_cast<size_t>(i));
    }
    const rt::FolderListing l = rt::ScanFolder(V(Api()), rt::kListArchive, nullptr);
    ASSERT_EQ(l.status, 0);
    EXPECT_EQ(l.names.len, 32735);
    EXPECT_EQ(l.records[175].size, 175u);
}

TEST_F(ListingTest, WildcardPatterns) {
    MakeFile("a.txt", 1);
    MakeFile("b.TXT", 2);
    MakeFile("c.dat", 3);
    MakeFile("readme", 18);  // sizes: the first letter's place in the alphabet
    const struct { const char* pattern; std::vector<std::string> names; rt::ErrCode status; } cases[] = {
        {"*.txt", {"a.txt", "b.TXT"}, 0},
        {"*.TXT", {"a.txt", "b.TXT"}, 0},
        {"?.dat", {"c.dat"}, 0},
        {"r*", {"readme"}, 0},
        {"*.*", {"a.txt", "b.TXT", "c.dat", "readme"}, 0},
        {"*", {"a.txt", "b.TXT", "c.dat", "readme"}, 0},
        {"*.zip", {}, rt::kErrFileNotFound},
        {"??.txt", {}, rt::kErrFileNotFound},
    };
    for (const auto& c : cases) {
        const std::string pattern = Api(c.pattern);
        const rt::FolderListing l = rt::ScanFolder(V(pattern), rt::kListArchive, nullptr);
        EXPECT_EQ(l.status, c.status) << c.pattern;
        EXPECT_EQ(Names(l), c.names) << c.pattern;
        EXPECT_EQ(Str(l.pattern), pattern);
        // The names are relative to the pattern's drive and folder.
        EXPECT_EQ(Str(l.folder), Api());
        for (uint16_t i = 0; i < l.count; ++i)
            EXPECT_EQ(l.records[i].size, static_cast<uint32_t>(Names(l)[i][0] - 'a' + 1));
        rt::PoolRelease(mark_);
    }
}

TEST_F(ListingTest, RootWithTrailingSeparatorIsTheFolder) {
    MakeFile("one", 1);
    const std::string root = Api() + "\\";
    const rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, nullptr);
    ASSERT_EQ(l.status, 0);
    EXPECT_EQ(Names(l), std::vector<std::string>{"one"});
    EXPECT_EQ(Str(l.pattern), root + "*.*");
    EXPECT_EQ(Str(l.folder), root);
}

struct ObserverLog {
    static std::vector<std::pair<std::string, int>> calls;
    static int answer;
    static int Observe(rt::StrRef root, int starting) {
        calls.emplace_back(Str(root), starting);
        return starting ? answer : 0;
    }
};
std::vector<std::pair<std::string, int>> ObserverLog::calls;
int ObserverLog::answer = 0;

TEST_F(ListingTest, ObserverSeesTheScanAndCanSkipIt) {
    MakeFile("x", 1);
    const std::string root = Api();
    ObserverLog::calls.clear();
    ObserverLog::answer = 1;
    rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, &ObserverLog::Observe);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.count, 0);
    EXPECT_EQ(std::string(l.names.ptr, l.names.len), "");
    EXPECT_EQ(EntriesAbove(), 0);
    ASSERT_EQ(ObserverLog::calls.size(), 1u);
    EXPECT_EQ(ObserverLog::calls[0], std::make_pair(root, 1));

    ObserverLog::calls.clear();
    ObserverLog::answer = 0;
    l = rt::ScanFolder(V(root), rt::kListArchive, &ObserverLog::Observe);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.count, 1);
    ASSERT_EQ(ObserverLog::calls.size(), 2u);
    EXPECT_EQ(ObserverLog::calls[0], std::make_pair(root, 1));
    EXPECT_EQ(ObserverLog::calls[1], std::make_pair(root, 0));
}

TEST_F(ListingTest, OnlyThePatternStaysAboveTheCallersMark) {
    for (const char* n : {"c", "a", "b"}) MakeFile(n, 2);
    const std::string root = Api();
    const rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, nullptr);
    ASSERT_EQ(l.status, 0);
    ASSERT_EQ(EntriesAbove(), 1);
    EXPECT_EQ(rt::PoolTop().ptr, l.pattern.ptr);

    // A wildcard root is its own pattern: only the folder part is made.
    rt::PoolRelease(mark_);
    const std::string pattern = Api("?");
    const rt::FolderListing w = rt::ScanFolder(V(pattern), rt::kListNamesOnly, nullptr);
    ASSERT_EQ(w.status, 0);
    EXPECT_EQ(w.pattern.ptr, pattern.data());
    EXPECT_LE(EntriesAbove(), 2);
}

TEST_F(ListingTest, AFullPoolStillListsAndAMovedListingKeepsItsNames) {
    for (int i = 0; i < 200; ++i) MakeFile("f" + std::to_string(i), static_cast<size_t>(i));
    const std::string root = Api();
    // Room for the pattern and nothing else: the names and records are the listing's own.
    const uint32_t spare = 1024;
    ASSERT_GT(rt::PoolFreeBytes(), spare);
    ASSERT_NE(rt::PoolBuffer(rt::PoolFreeBytes() - spare), nullptr);
    const uint16_t filled = rt::PoolMark();
    rt::FolderListing l = rt::ScanFolder(V(root), rt::kListArchive, nullptr);
    ASSERT_EQ(l.status, 0);
    EXPECT_EQ(l.count, 200);
    EXPECT_EQ(rt::PoolMark(), filled + 1);  // the pattern only

    const rt::FolderListing moved = std::move(l);
    const uint16_t at = rt::ListingIndex(moved.names, rt::StrFromLiteral("f199"));
    ASSERT_NE(at, rt::kNpos);
    EXPECT_EQ(moved.records[at].size, 199u);
}

TEST_F(ListingTest, ErrorValueRootIsTheStatus) {
    const rt::FolderListing l = rt::ScanFolder(rt::StrErr(rt::kErrBadInput), rt::kListArchive, nullptr);
    EXPECT_EQ(l.status, rt::kErrBadInput);
    EXPECT_EQ(EntriesAbove(), 0);
}

#ifndef _WIN32
// Only POSIX names can end in a blank. The sort trims it, so the sorted name no longer names its
// record: an internal failure rather than a listing with a wrong record.
TEST_F(ListingTest, NameWithTrailingBlankCannotBeMatchedAgain) {
    MakeFile("x ", 1);
    MakeFile("y", 2);
    const rt::FolderListing l = rt::ScanFolder(V(Api()), rt::kListArchive, nullptr);
    EXPECT_EQ(l.status, rt::kErrInternal);
    EXPECT_EQ(rt::LastError().code, rt::kErrInternal);
    EXPECT_EQ(rt::LastError().module, 2002u);
    EXPECT_EQ(l.count, 0);
    EXPECT_EQ(EntriesAbove(), 1);

    // Names only: there are no records to match, so the listing stands.
    rt::PoolRelease(mark_);
    const rt::FolderListing names = rt::ScanFolder(V(Api()), rt::kListNamesOnly, nullptr);
    EXPECT_EQ(names.status, 0);
}
#endif

}  // namespace
