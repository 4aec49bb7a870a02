// Scrambling of stored texts: known values, round trips, odd inputs and limits.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "runtime/scramble.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Err;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class TextScrambleTest : public rt_test::PoolMarkTest {};

}  // namespace

TEST_F(TextScrambleTest, KnownValues) {
    struct Case { const char* s; const char* key; const char* want; };
    const Case cases[] = {
        {"A", "", "21"},      // 65 = 2 * 32 + 1
        {"AB", "a", "5215"},  // seed 97: 65+97 = 162; k = 194|97 = 227; 66+227 = 293 -> 37
        {"\xff", "\x01", "00"},
        {"", "key", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return Scramble(T(c.s), T(c.key)); })), c.want) << c.s;
        EXPECT_EQ(Str(Disciplined([&] { return Unscramble(T(c.want), T(c.key)); })), c.s) << c.want;
    }
    EXPECT_EQ(Str(Unscramble(T("21"), T(""))), "A");
    EXPECT_EQ(Str(Unscramble(T("2V"), T(""))), Str(Unscramble(T("2v"), T("")))) << "either letter case";
}

TEST_F(TextScrambleTest, RoundTripOverRandomTextsAndKeys) {
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        std::string s(rng() % 200, '\0'), key(rng() % 12, '\0');
        for (char& c : s) c = static_cast<char>(rng());
        for (char& c : key) c = static_cast<char>(rng());
        const StrRef scrambled = Scramble(V(s), V(key));
        ASSERT_EQ(scrambled.len, s.size() * 2);
        for (uint16_t i = 0; i < scrambled.len; ++i) {
            ASSERT_NE(std::string("0123456789abcdefghijklmnopqrstuv").find(scrambled.ptr[i]), std::string::npos);
            ASSERT_LE(scrambled.ptr[i & ~1], '7') << "a byte needs at most 8 in the high digit";
        }
        EXPECT_EQ(Str(Unscramble(scrambled, V(key))), s);
        PoolRelease(mark_);
    }
}

TEST_F(TextScrambleTest, OddInputGivesBlanks) {
    EXPECT_EQ(Str(Unscramble(T("52151"), T("a"))), "  ");
    EXPECT_EQ(Str(Unscramble(T("5"), T("a"))), "");
}

TEST_F(TextScrambleTest, ErrorsAndLimits) {
    EXPECT_EQ(StrError(Scramble(StrErr(150), T("k"))), 150);
    EXPECT_EQ(StrError(Scramble(T("s"), StrErr(150))), 150);
    EXPECT_EQ(StrError(Unscramble(StrErr(150), T("k"))), 150);
    EXPECT_EQ(StrError(Unscramble(T("00"), StrErr(150))), 150);
    const std::string big(kMaxText / 2 + 1, 'x');
    EXPECT_EQ(Str(Disciplined([&] { return Scramble(V(big), T("k")); })), Err(145));
    const std::string fits(kMaxText / 2, 'x');
    EXPECT_EQ(Disciplined([&] { return Scramble(V(fits), T("k")); }).len, kMaxText);
}
