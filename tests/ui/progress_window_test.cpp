// The ProgressWindow's arithmetic: ranges, divisors, the endless bar, label tails and checksums.
#include <gtest/gtest.h>

#include <vector>

#include "ui/progress_window.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

TEST(ProgressBarTest, RangeOfZeroRunsOneToTwoHundredAndAgain) {
    ProgressState s;
    BarUpdate u = BarAdvance(s, 0, 1);
    EXPECT_TRUE(u.setRange);
    EXPECT_EQ(u.rangeMax, 200);
    EXPECT_EQ(u.position, 1);
    for (int i = 2; i <= 200; ++i) u = BarAdvance(s, 0, 1);
    EXPECT_EQ(u.position, 200);
    EXPECT_FALSE(u.setRange);
    u = BarAdvance(s, 0, 1);
    EXPECT_EQ(u.position, 1);
    EXPECT_TRUE(ProgressActive() == (Progress().range != 0));
}

TEST(ProgressBarTest, LargeRangesAreHalvedAndStepsSpread) {
    ProgressState s;
    std::vector<int32_t> positions;
    BarUpdate u = BarAdvance(s, 100000, 1);
    EXPECT_EQ(u.rangeMax, 50000);
    EXPECT_EQ(s.divisor, 2);
    positions.push_back(u.position);
    for (int i = 0; i < 5; ++i) positions.push_back(BarAdvance(s, 100000, 1).position);
    EXPECT_EQ(positions, (std::vector<int32_t>{0, 1, 1, 2, 2, 3}));
    ProgressState big;
    u = BarAdvance(big, 1000000, 16);
    EXPECT_EQ(u.rangeMax, 1000000 / 16);
    EXPECT_EQ(big.divisor, 16);
    EXPECT_EQ(u.position, 1);
}

TEST(ProgressBarTest, AStoredRangeWinsAndAKnownRangeDoesNotWrap) {
    ProgressState s;
    s.range = 300;
    BarUpdate u = BarAdvance(s, 10, 250);
    EXPECT_EQ(u.rangeMax, 300);
    u = BarAdvance(s, 10, 100);
    EXPECT_EQ(u.position, 350);
}

TEST(ProgressTextTest, TailsAndChecksums) {
    EXPECT_EQ(Str(ProgressTextTail(T("C:\\datos\\largos\\fichero.txt"), 100, 10)), "ichero.txt");
    EXPECT_EQ(Str(ProgressTextTail(T("corto"), 100, 10)), "corto");
    EXPECT_EQ(TextChecksum(T("ab")), 'a' + 'b');
    EXPECT_EQ(TextChecksum(T("\xff\xff")), 0x1FE);
    EXPECT_NE(TextChecksum(T("ab")), TextChecksum(T("ac")));
    EXPECT_EQ(ProgressWidth(0), 400);
    EXPECT_EQ(ProgressWidth(-1), 400);
    EXPECT_EQ(ProgressWidth(250), 250);
}

}  // namespace
