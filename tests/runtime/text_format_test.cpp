// Bounded formatting: results up to the limit, error 146 beyond it, nothing left in the pool.
#include <gtest/gtest.h>

#include <string>

#include "runtime/text_format.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Err;
using rt_test::Str;

namespace {

class TextFormatTest : public rt_test::PoolMarkTest {};

}  // namespace

TEST_F(TextFormatTest, FormatsWithinTheLimit) {
    EXPECT_EQ(Str(Disciplined([] { return Format(64, "Error #%d. %s", 145, "detail"); })), "Error #145. detail");
    EXPECT_EQ(Str(Disciplined([] { return Format(5, "%s", "abcde"); })), "abcde") << "exactly max fits";
    EXPECT_EQ(Str(Disciplined([] { return Format(0, "%s", ""); })), "");
    EXPECT_EQ(Disciplined([] { return Format(kMaxText, "%*s", int{kMaxText}, "x"); }).len, kMaxText);
    EXPECT_EQ(LastError().code, 0);
}

TEST_F(TextFormatTest, TheEntryIsShrunkToTheResult) {
    const uint32_t before = PoolInfo().used;
    const StrRef r = Format(1000, "%d", 7);
    EXPECT_EQ(Str(r), "7");
    EXPECT_EQ(PoolInfo().used, before + 4) << "the unused part of the reservation is given back";
}

TEST_F(TextFormatTest, OneCharacterTooManyIs146RecordedAgainstFormatStrings) {
    EXPECT_EQ(Str(Disciplined([] { return Format(5, "%s", "abcdef"); })), Err(146));
    EXPECT_EQ(LastError().code, 146);
    EXPECT_EQ(LastError().module, kModFormatStrings);
    RecordError(0, 0);
    EXPECT_EQ(Str(Disciplined([] { return Format(0, "x"); })), Err(146));
}

TEST_F(TextFormatTest, AFullPoolIs145AndANullTemplate163) {
    FillPool(40);
    const uint16_t full = PoolMark();
    EXPECT_EQ(Str(Format(100, "%s", "x")), Err(145));
    EXPECT_EQ(PoolMark(), full);
    EXPECT_EQ(Str(Format(10, nullptr)), Err(163));
}
