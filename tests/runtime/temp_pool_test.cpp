// Temporary pool: entry and byte limits, release to marks, return and keep across releases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;

namespace {

// Every test starts from an empty pool and leaves it empty, whatever it allocated.
class PoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        PoolRelease(0);
        RecordError(0, 0);
    }
    void TearDown() override { PoolRelease(0); }
};

}  // namespace

TEST(StrRefTest, ErrorConventions) {
    EXPECT_EQ(StrError(StrFromLiteral(nullptr)), 163);
    EXPECT_EQ(StrError(StrRef{nullptr, 0}), 0xFFFF);
    EXPECT_EQ(StrError(StrRef{"", 0}), 0);
    EXPECT_EQ(StrError(StrErr(145)), 145);
    EXPECT_EQ(StrFromLiteral("abc").len, 3);
    EXPECT_TRUE(StrEq(StrFromLiteral("abc"), "abc"));
    EXPECT_FALSE(StrEq(StrErr(1), StrErr(1)));
}

TEST_F(PoolTest, AllocationRoundsToFourBytesAndReleaseRestoresTop) {
    PoolStats before = PoolInfo();
    uint16_t mark = PoolMark();
    ASSERT_EQ(PoolAlloc(0), 0);
    EXPECT_EQ(PoolInfo().used, before.used) << "a zero-length entry does not move top";
    ASSERT_EQ(PoolAlloc(5), 0);
    EXPECT_EQ(PoolInfo().used, before.used + 8);
    EXPECT_EQ(PoolMark(), mark + 2);
    EXPECT_EQ(PoolTop().len, 5);
    PoolRelease(mark);
    EXPECT_EQ(PoolInfo().used, before.used);
    EXPECT_EQ(PoolMark(), mark);
}

TEST_F(PoolTest, TheEntryStackHoldsCapacityLessOneEntries) {
    const uint16_t cap = PoolInfo().capacity;
    for (uint16_t i = 1; i < cap; ++i) ASSERT_EQ(PoolAlloc(1), 0) << "entry " << i;
    PoolStats full = PoolInfo();
    EXPECT_EQ(PoolAlloc(1), kErrOutOfMemory);
    EXPECT_EQ(PoolInfo().used, full.used) << "a refused request leaves top alone";
    EXPECT_EQ(PoolInfo().current, full.current);
    EXPECT_EQ(LastError().code, kErrOutOfMemory);
}

TEST_F(PoolTest, TheTextBlockCannotBeFilledToItsEnd) {
    const uint32_t size = PoolInfo().size;
    ASSERT_EQ(size, 131072u);
    EXPECT_EQ(PoolAlloc(size), kErrOutOfMemory);
    ASSERT_EQ(PoolAlloc(size - 8), 0);
    EXPECT_EQ(PoolAlloc(8), kErrOutOfMemory) << "top may not reach the end of the block";
    EXPECT_EQ(PoolAlloc(4), 0) << "but may stop four bytes short of it";
    EXPECT_EQ(PoolAlloc(1), kErrOutOfMemory);
    EXPECT_EQ(PoolAlloc(0), 0);
}

// A caller's "len - 1" with len 0 asks for 0xFFFFFFFF bytes: rounded up to four it would wrap to
// a tiny size and hand out a buffer the caller believes is huge.
TEST_F(PoolTest, SizesThatWrapWhenRoundedAreRefused) {
    const PoolStats before = PoolInfo();
    for (uint32_t n : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFDu, 0xFFFFFFF1u}) {
        EXPECT_EQ(PoolAlloc(n), kErrOutOfMemory) << n;
        EXPECT_EQ(PoolBuffer(n), nullptr) << n;
    }
    EXPECT_EQ(PoolInfo().current, before.current);
    EXPECT_EQ(PoolInfo().used, before.used);
}

TEST_F(PoolTest, FreeBytesAndScratchDescribeTheSpaceAboveTop) {
    EXPECT_EQ(PoolFreeBytes(), PoolInfo().size - 4);
    StrRef scratch = PoolScratch();
    ASSERT_TRUE(scratch.ok());
    EXPECT_EQ(scratch.len, kMaxText);
    uint16_t mark = PoolMark();
    EXPECT_EQ(PoolMark(), mark) << "scratch allocates nothing";
    ASSERT_EQ(PoolAlloc(PoolInfo().size - 100), 0);
    EXPECT_EQ(PoolScratch().len, 96);
}

TEST_F(PoolTest, CopyAndConcatPropagateErrors) {
    EXPECT_EQ(StrError(PoolCopy(StrErr(150))), 150);
    EXPECT_EQ(StrError(PoolConcat(StrErr(151), StrFromLiteral("x"))), 151);
    EXPECT_EQ(StrError(PoolConcat(StrFromLiteral("x"), StrErr(152))), 152);
    EXPECT_EQ(Str(PoolConcat(StrFromLiteral("ab"), StrFromLiteral("cd"))), "abcd");
    StrRef filled = PoolAllocFilled(3, '*');
    EXPECT_EQ(Str(filled), "***");
}

TEST_F(PoolTest, ReturnCopiesAValueFromTheReleasedAreaIntact) {
    uint16_t mark = PoolMark();
    const char* topAtMark = PoolScratch().ptr;
    PoolCopy(StrFromLiteral("garbage that will be released"));
    StrRef value = PoolCopy(StrFromLiteral("the result of a routine, longer than the first"));
    StrRef kept = PoolReturn(mark, value);
    EXPECT_EQ(Str(kept), "the result of a routine, longer than the first");
    EXPECT_EQ(PoolMark(), mark + 1);
    EXPECT_EQ(kept.ptr, topAtMark) << "the copy sits at the mark";
}

TEST_F(PoolTest, ReturnOfAnOverlappingValueKeepsEveryByte) {
    uint16_t mark = PoolMark();
    PoolAllocFilled(4, 'x');
    // The value starts 4 bytes above the mark and overlaps the place where its copy will go.
    StrRef value = PoolCopy(StrFromLiteral("0123456789abcdef"));
    StrRef kept = PoolReturn(mark, value);
    EXPECT_EQ(Str(kept), "0123456789abcdef");
}

TEST_F(PoolTest, KeepMovesSeveralValuesDownInOrder) {
    uint16_t mark = PoolMark();
    PoolCopy(StrFromLiteral("noise noise noise"));
    StrRef second = PoolCopy(StrFromLiteral("second"));
    PoolCopy(StrFromLiteral("more noise"));
    StrRef first = PoolCopy(StrFromLiteral("first value"));
    // Listed in reverse order of their places in the pool.
    ASSERT_EQ(PoolKeep(mark, {&first, &second}), 0);
    EXPECT_EQ(Str(first), "first value");
    EXPECT_EQ(Str(second), "second");
    EXPECT_EQ(PoolMark(), mark + 2);
    EXPECT_LT(first.ptr, second.ptr) << "kept values are contiguous just above the mark";
    EXPECT_EQ(second.ptr - first.ptr, 12);
}

TEST_F(PoolTest, ReleaseToAMarkAboveTheTopChangesNothing) {
    uint16_t mark = PoolMark();
    PoolCopy(StrFromLiteral("abc"));
    PoolStats before = PoolInfo();
    EXPECT_EQ(PoolRelease(mark + 5), before.current);
    EXPECT_EQ(PoolRelease(kNoMark), before.current);
    EXPECT_EQ(PoolInfo().used, before.used);
}

TEST_F(PoolTest, ScopeReleasesUnlessItReturnsOrKeeps) {
    uint16_t mark = PoolMark();
    {
        PoolScope scope;
        PoolCopy(StrFromLiteral("dropped"));
    }
    EXPECT_EQ(PoolMark(), mark);
    StrRef r;
    {
        PoolScope scope;
        PoolCopy(StrFromLiteral("dropped"));
        r = scope.Return(PoolCopy(StrFromLiteral("kept")));
    }
    EXPECT_EQ(PoolMark(), mark + 1);
    EXPECT_EQ(Str(r), "kept");
    PoolRelease(mark);
    {
        PoolScope scope;
        char* buffer = PoolBuffer(64);
        ASSERT_NE(buffer, nullptr);
        std::memcpy(buffer, "in place", 8);
        r = PoolShrinkTop(8);
        scope.Keep();
    }
    EXPECT_EQ(PoolMark(), mark + 1);
    EXPECT_EQ(Str(r), "in place");
    EXPECT_EQ(PoolTop().ptr, r.ptr) << "a kept result is not moved";
}

TEST_F(PoolTest, FailuresNeverTouchDataBelowTheMark) {
    StrRef below = PoolCopy(StrFromLiteral("precious"));
    uint16_t mark = PoolMark();
    while (PoolAlloc(1000) == 0) {
    }
    EXPECT_EQ(StrError(PoolCopy(StrFromLiteral("one more"))), kErrOutOfMemory);
    PoolRelease(mark);
    EXPECT_EQ(Str(below), "precious");
}
