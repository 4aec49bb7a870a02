// Tests of integers written in and read from radixes 2 to 36.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <random>
#include <string>

#include "script/radix.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::V;

class RadixTest : public rt_test::PoolMarkTest {
protected:
    std::string Write(int64_t v, int radix) {
        return Str(Disciplined([&] { return rt::IntToRadix(v, radix); }));
    }
    std::string Read(const std::string& text, int radix) {
        int64_t v = 99;
        const uint16_t before = rt::PoolMark();
        const rt::ErrCode err = rt::RadixToInt(V(text), radix, &v);
        EXPECT_EQ(rt::PoolMark(), before);
        if (err) {
            EXPECT_EQ(v, 0);
            return rt_test::Err(err);
        }
        return std::to_string(v);
    }
};

TEST_F(RadixTest, Writing) {
    const struct { int64_t v; int radix; const char* text; } cases[] = {
        {0, 2, "0"}, {0, 36, "0"}, {255, 16, "ff"}, {-255, 16, "-ff"}, {35, 36, "z"},
        {36, 36, "10"}, {5, 2, "101"}, {-1, 2, "-1"}, {8, 8, "10"},
        {INT64_MAX, 16, "7fffffffffffffff"}, {INT64_MIN, 16, "-8000000000000000"},
        {INT64_MIN, 2, "-1000000000000000000000000000000000000000000000000000000000000000"},
        {INT64_MIN, 10, "-9223372036854775808"},
        {1, 1, "<err 163>"}, {1, 37, "<err 163>"}, {1, 0, "<err 163>"}, {1, -16, "<err 163>"},
    };
    for (const auto& c : cases) EXPECT_EQ(Write(c.v, c.radix), c.text) << c.v << " radix " << c.radix;
}

TEST_F(RadixTest, Reading) {
    const struct { const char* text; int radix; const char* value; } cases[] = {
        {"ff", 16, "255"}, {"FF", 16, "255"}, {"fF", 16, "255"}, {"-ff", 16, "-255"},
        {"Z", 36, "35"}, {"101", 2, "5"}, {"", 10, "0"}, {"-", 10, "0"},
        // Read from the right: the first character that is not a digit ends the reading.
        {"12x34", 10, "34"}, {" 12", 10, "12"}, {"19", 8, "0"}, {"12", 2, "0"}, {"5-", 10, "0"},
        {"x-5", 10, "-5"}, {"--5", 10, "-5"}, {"g1", 16, "1"},
        {"0000000000000000000000000000000000000000000000000000000000000000000001", 2, "1"},
        {"7fffffffffffffff", 16, "9223372036854775807"},
        {"-8000000000000000", 16, "-9223372036854775808"},
        {"8000000000000000", 16, "<err 168>"}, {"10000000000000000", 16, "<err 168>"},
        {"-8000000000000001", 16, "<err 168>"}, {"zzzzzzzzzzzzzzz", 36, "<err 168>"},
        {"1", 1, "<err 163>"}, {"1", 37, "<err 163>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.text, c.radix), c.value) << "\"" << c.text << "\" radix " << c.radix;
    int64_t v = 3;
    EXPECT_EQ(rt::RadixToInt(rt::StrErr(145), 10, &v), 145);
    EXPECT_EQ(v, 0);
}

TEST_F(RadixTest, RoundTripInEveryRadix) {
    std::mt19937_64 gen(36);
    std::vector<int64_t> values = {0, 1, -1, 2, 35, 36, -36, INT64_MAX, INT64_MIN, INT64_MIN + 1};
    for (int k = 0; k < 300; ++k) values.push_back(static_cast<int64_t>(gen()) >> (k % 64));
    for (int radix = 2; radix <= 36; ++radix) {
        for (int64_t v : values) {
            const uint16_t mark = rt::PoolMark();
            const rt::StrRef text = rt::IntToRadix(v, radix);
            ASSERT_TRUE(text.ok());
            int64_t back = 0;
            ASSERT_EQ(rt::RadixToInt(text, radix, &back), 0) << Str(text);
            ASSERT_EQ(back, v) << "radix " << radix << " text " << Str(text);
            // Upper-case digits read the same.
            std::string upper = Str(text);
            for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            ASSERT_EQ(rt::RadixToInt(V(upper), radix, &back), 0);
            ASSERT_EQ(back, v);
            if (radix == 10) {
                ASSERT_EQ(Str(text), std::to_string(v));
            }
            rt::PoolRelease(mark);
        }
    }
}

TEST_F(RadixTest, EveryCharacterAgainstEveryRadix) {
    // A single character reads as its digit value when that is below the radix, else as 0.
    for (int radix = 2; radix <= 36; ++radix) {
        for (int c = 1; c < 256; ++c) {
            const char ch = static_cast<char>(c);
            int expected = 0;
            if (ch >= '0' && ch <= '9') expected = ch - '0';
            else if (ch >= 'a' && ch <= 'z') expected = ch - 'a' + 10;
            else if (ch >= 'A' && ch <= 'Z') expected = ch - 'A' + 10;
            if (expected >= radix) expected = 0;
            int64_t v = -1;
            ASSERT_EQ(rt::RadixToInt(rt::StrMake(&ch, 1), radix, &v), 0);
            ASSERT_EQ(v, expected) << "char " << c << " radix " << radix;
        }
    }
}

}  // namespace
