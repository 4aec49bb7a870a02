// String store: groups growing in place, items moving when neighbours change, capacity growth.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/shutdown.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;

namespace {

// Groups 20..29 are free for tests; each test empties the ones it used.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { RecordError(0, 0); }
    void TearDown() override {
        for (uint16_t g = 20; g < 30; ++g) StoreTrim(g, 0);
        StoreTrim(37, 0);
        StoreTrim(31, 0);
    }
};

}  // namespace

TEST_F(StoreTest, SettingBeyondTheEndGrowsTheGroupWithEmptyItems) {
    ASSERT_EQ(StoreSet(20, 5, StrFromLiteral("x")), 0);
    EXPECT_EQ(StoreCount(20), 6);
    for (uint16_t k = 0; k < 5; ++k) EXPECT_EQ(StoreGet(20, k).len, 0) << k;
    EXPECT_EQ(Str(StoreGet(20, 5)), "x");
    EXPECT_EQ(StoreGet(20, 6).len, 0) << "past the end: an empty value";
}

TEST_F(StoreTest, ItemsOfLaterGroupsSurviveChangesInEarlierOnes) {
    StoreSet(22, 0, StrFromLiteral("later-0"));
    StoreSet(22, 1, StrFromLiteral("later-1"));
    StoreSet(21, 0, StrFromLiteral("a"));
    StoreSet(21, 0, StrFromLiteral("a much longer text than before"));
    StoreSet(21, 3, StrFromLiteral("d"));
    StoreSet(21, 0, StrFromLiteral(""));
    EXPECT_EQ(Str(StoreGet(22, 0)), "later-0");
    EXPECT_EQ(Str(StoreGet(22, 1)), "later-1");
    EXPECT_EQ(Str(StoreGet(21, 3)), "d");
    ASSERT_EQ(StoreDelete(21, 0), 0);
    EXPECT_EQ(Str(StoreGet(21, 2)), "d");
    EXPECT_EQ(Str(StoreGet(22, 1)), "later-1");
}

TEST_F(StoreTest, ASetMayTakeItsTextFromTheStoreItself) {
    StoreSet(23, 0, StrFromLiteral("abcdef"));
    StoreSet(23, 1, StrFromLiteral("xyz"));
    // Item 0 grows, which moves item 1 while it is being read.
    ASSERT_EQ(StoreSet(23, 0, StoreGet(23, 1)), 0);
    ASSERT_EQ(StoreSet(23, 1, StoreGet(23, 0)), 0);
    EXPECT_EQ(Str(StoreGet(23, 0)), "xyz");
    EXPECT_EQ(Str(StoreGet(23, 1)), "xyz");
}

TEST_F(StoreTest, StacksAreLastInFirstOutAndQueuesFirstInFirstOut) {
    StoreAppend(31, StrFromLiteral("one"));
    StoreAppend(31, StrFromLiteral("two"));
    EXPECT_EQ(Str(StoreLast(31)), "two");
    StoreDropLast(31);
    EXPECT_EQ(Str(StoreLast(31)), "one");
    StoreAppend(37, StrFromLiteral("first"));
    StoreAppend(37, StrFromLiteral("second"));
    EXPECT_EQ(Str(StoreLast(37)), "first");
    StoreDropLast(37);
    EXPECT_EQ(Str(StoreLast(37)), "second");
    EXPECT_EQ(StoreCount(39), 2) << "all stacks together";
    EXPECT_EQ(StoreDropLast(24), kErrStrOutBound) << "nothing to drop";
}

// Fills group 25 with 10 texts of 7000 bytes; true when all were stored and read back.
static bool StoreSeventyThousandBytes() {
    std::string chunk(7000, 'q');
    for (uint16_t k = 0; k < 10; ++k) {
        chunk[0] = static_cast<char>('0' + k);
        if (StoreSet(25, k, StrRef{chunk.data(), static_cast<uint16_t>(chunk.size())}) != 0) return false;
    }
    return StoreGet(25, 9).len == 7000 && StoreGet(25, 9).ptr[0] == '9';
}

TEST_F(StoreTest, ByteCapacityGrowsOnceWhenFull) {
    const uint32_t before = CurrentContext().store.byteCap;
    uint32_t expected = before;
    while (expected <= CurrentContext().store.bytesInUse + 70000u) expected = (expected / 2048) * 4096;
    ASSERT_TRUE(StoreSeventyThousandBytes());
    EXPECT_EQ(CurrentContext().store.byteCap, expected);
    EXPECT_EQ(LastError().code, 0) << "a set that succeeded after growing records nothing";
}

// A fresh store of 65535 bytes grows exactly once, to 31 * 4096. Run in a child process so
// that the store starts new whatever the other tests did to it.
TEST(StoreDeathTest, AFreshStoreGrowsFrom65535To31Times4096) {
    EXPECT_EXIT(
        {
            BasicClose();
            bool ok = ContextInit() == 0 && CurrentContext().store.byteCap == 65535u &&
                      StoreSeventyThousandBytes() && CurrentContext().store.byteCap == 31u * 4096u;
            std::exit(ok ? 42 : 1);
        },
        ::testing::ExitedWithCode(42), "");
}

TEST_F(StoreTest, StringSlotsGrowPastTheInitialCapacity) {
    const uint16_t cap = CurrentContext().store.stringCap;
    for (uint32_t k = 0; k < cap + 10u; ++k)
        ASSERT_EQ(StoreSet(26, static_cast<uint16_t>(k), StrFromLiteral("s")), 0) << k;
    EXPECT_GT(CurrentContext().store.stringCap, cap);
    EXPECT_EQ(StoreCount(26), cap + 10);
    EXPECT_EQ(LastError().code, 0);
}

TEST_F(StoreTest, InvalidGroupsAreRefused) {
    EXPECT_EQ(StoreSet(40, 0, StrFromLiteral("x")), kErrStrOutBound);
    EXPECT_EQ(LastError().code, kErrStrOutBound);
    EXPECT_EQ(LastError().module, 16u);
    EXPECT_EQ(StoreGet(40, 0).len, 0);
    EXPECT_EQ(StoreSet(20, 0, StrErr(150)), 150) << "an error value is not stored";
    EXPECT_EQ(StoreCount(20), 0);
}

TEST_F(StoreTest, GrowRefusesToShrink) {
    const StringStore& st = CurrentContext().store;
    EXPECT_EQ(StoreGrow(static_cast<uint16_t>(st.stringCap - 1), st.byteCap), kErrBadInput);
    EXPECT_EQ(StoreGrow(st.stringCap, st.byteCap - 1), kErrBadInput);
}

TEST_F(StoreTest, StoreSetLeavesThePoolAsItFoundIt) {
    uint16_t mark = PoolMark();
    StoreSet(27, 2, StrFromLiteral("pool"));
    EXPECT_EQ(PoolMark(), mark);
}
