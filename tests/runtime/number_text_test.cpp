// Tests of the canonical number text, reading it back, 16-bit conversion and input cleanup.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>

#include "runtime/typed_arrays.h"
#include "runtime/number_text.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

namespace {

using rt_test::Err;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

// Runs each test with a clean pool mark and restores _PRECIS afterwards.
class NumberTextTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        saved_ = rt::IntGet(rt::kSysVarPrecis);
    }
    void TearDown() override {
        rt::IntSet(rt::kSysVarPrecis, saved_);
        PoolMarkTest::TearDown();
    }
    void SetPrecision(int p) { ASSERT_EQ(rt::IntSet(rt::kSysVarPrecis, static_cast<int16_t>(p)), 0); }
    std::string Text(int64_t v) {
        return Str(Disciplined([&] { return rt::NumberToText(v); }));
    }
    // The value read, or "<err N>".
    std::string Read(const std::string& s) {
        rt::ScaledNumber n = 12345;
        const uint16_t before = rt::PoolMark();
        const rt::ErrCode err = rt::TextToNumber(V(s), &n);
        EXPECT_EQ(rt::PoolMark(), before);
        if (err) {
            EXPECT_EQ(n, 0);
            return Err(err);
        }
        return std::to_string(n);
    }
    int16_t saved_ = 0;
};

// The canonical text independently: fixed-point with p decimals, trailing zeros and a leading
// "0" before the point dropped.
std::string Oracle(int64_t v, int p) {
    const bool neg = v < 0;
    uint64_t mag = neg ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    uint64_t scale = 1;
    for (int k = 0; k < p; ++k) scale *= 10;
    std::string frac = std::to_string(mag % scale + scale).substr(1);  // p digits, zero-filled
    if (p == 0) frac.clear();
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::string whole = mag / scale ? std::to_string(mag / scale) : "";
    std::string out = (neg ? "-" : "") + whole;
    if (!frac.empty()) out += "." + frac;
    return out;
}

TEST_F(NumberTextTest, CanonicalTextAtPrecisionTwo) {
    SetPrecision(2);
    const struct { int64_t v; const char* text; } cases[] = {
        {0, ""}, {50, ".5"}, {-50, "-.5"}, {10000, "100"}, {125, "1.25"}, {150, "1.5"},
        {100, "1"}, {5, ".05"}, {-5, "-.05"}, {-100, "-1"}, {1, ".01"}, {1010, "10.1"},
        {INT64_MAX, "92233720368547758.07"}, {INT64_MIN, "-92233720368547758.08"},
    };
    for (const auto& c : cases) EXPECT_EQ(Text(c.v), c.text) << c.v;
}

TEST_F(NumberTextTest, CanonicalTextAtOtherPrecisions) {
    const struct { int p; int64_t v; const char* text; } cases[] = {
        {0, 0, ""}, {0, 7, "7"}, {0, -7, "-7"}, {0, 100, "100"},
        {0, INT64_MIN, "-9223372036854775808"}, {1, 5, ".5"}, {1, 10, "1"}, {1, -15, "-1.5"},
        {3, 1, ".001"}, {3, 1500, "1.5"}, {4, 12345, "1.2345"}, {4, 10000, "1"},
        {4, -1, "-.0001"}, {4, INT64_MAX, "922337203685477.5807"},
    };
    for (const auto& c : cases) {
        SetPrecision(c.p);
        EXPECT_EQ(Text(c.v), c.text) << "P=" << c.p << " v=" << c.v;
    }
}

TEST_F(NumberTextTest, GivenDecimalsForIntegersAndRoundedValues) {
    SetPrecision(2);
    EXPECT_EQ(Str(rt::NumberToTextDecimals(1500, 0)), "1500");
    EXPECT_EQ(Str(rt::NumberToTextDecimals(1500, 3)), "1.5");
    EXPECT_EQ(Str(rt::NumberToTextDecimals(-1, 19)), "-.0000000000000000001");
    EXPECT_EQ(Str(rt::NumberToTextDecimals(INT64_MIN, 19)), "-.9223372036854775808");
    EXPECT_EQ(Str(rt::NumberToTextDecimals(1, 20)), Err(163));
    EXPECT_EQ(Str(rt::NumberToTextDecimals(1, -1)), Err(163));
}

TEST_F(NumberTextTest, ReadingAtPrecisionTwo) {
    SetPrecision(2);
    const struct { const char* text; const char* value; } cases[] = {
        {"1.005", "101"}, {"-1.005", "-101"}, {"1.004", "100"}, {"15D2", "150000"},
        {"1.5D2", "150"}, {"", "0"}, {"  \t", "0"}, {"-", "0"}, {".5", "50"}, {"-.5", "-50"},
        {" 12.3\t", "1230"}, {"+7", "700"}, {"1.999", "200"}, {"-0.995", "-100"},
        {"0.004", "0"}, {"15D", "1500"}, {"1.2345678", "123"},
        // A stray character ends the reading and takes the decimals with it.
        {"12a.5", "12"}, {"1 000", "1"}, {"x1", "0"},
        // Many decimals round without overflowing the digit buffer.
        {"1.00000000000000000000000009", "100"}, {"1.004999999999999999999999", "100"},
        {".00500000000000000000000000", "1"},
        {"92233720368547758.07", "9223372036854775807"},
        {"-92233720368547758.08", "-9223372036854775808"},
        {"92233720368547758.08", "<err 168>"}, {"92233720368547758.075", "<err 168>"},
        {"-92233720368547758.085", "<err 168>"},
        {"12345678901234567890", "<err 168>"},
        // An integer part over 20 characters is refused, also when made by the D count.
        {"123456789012345678901", "<err 163>"}, {"1D20", "<err 163>"}, {"1D99999999", "<err 163>"},
        {"00000000000000000001", "100"}, {"1.5D99999999", "150"},
    };
    for (const auto& c : cases) EXPECT_EQ(Read(c.text), c.value) << "\"" << c.text << "\"";
}

TEST_F(NumberTextTest, ReadingAtOtherPrecisions) {
    const struct { int p; const char* text; const char* value; } cases[] = {
        {0, "2.5", "3"}, {0, "-2.5", "-3"}, {0, "2.49", "2"}, {0, "9223372036854775807", "9223372036854775807"},
        {0, "-9223372036854775808", "-9223372036854775808"}, {0, "9223372036854775808", "<err 168>"},
        {4, "1.00005", "10001"}, {4, "3", "30000"}, {4, ".1", "1000"}, {1, "1D3", "10000"},
    };
    for (const auto& c : cases) {
        SetPrecision(c.p);
        EXPECT_EQ(Read(c.text), c.value) << "P=" << c.p << " \"" << c.text << "\"";
    }
}

TEST_F(NumberTextTest, ErrorValueComesBackAsItsCode) {
    rt::ScaledNumber n = 5;
    EXPECT_EQ(rt::TextToNumber(rt::StrErr(146), &n), 146);
    EXPECT_EQ(n, 0);
}

TEST_F(NumberTextTest, RoundTripAtEveryPrecision) {
    std::mt19937_64 gen(20240611);
    std::vector<int64_t> values = {0, 1, -1, 9, 10, 99, 100, 101, -100, 12345, INT64_MAX, INT64_MIN,
                                   INT64_MAX - 1, INT64_MIN + 1, 1000000000000000000};
    for (int k = 0; k < 2000; ++k) {
        const int64_t v = static_cast<int64_t>(gen());
        values.push_back(v);
        values.push_back(v >> (k % 63));
    }
    for (int p = 0; p <= 4; ++p) {
        SetPrecision(p);
        for (int64_t v : values) {
            const uint16_t mark = rt::PoolMark();
            const std::string text = Text(v);
            ASSERT_EQ(text, Oracle(v, p)) << "P=" << p << " v=" << v;
            rt::ScaledNumber back = 0;
            ASSERT_EQ(rt::TextToNumber(V(text), &back), 0) << text;
            ASSERT_EQ(back, v) << "P=" << p << " text=" << text;
            rt::PoolRelease(mark);
        }
    }
}

TEST_F(NumberTextTest, SixteenBitIntegerConversion) {
    const struct { int p; int64_t v; int16_t i; } cases[] = {
        {2, 150, 2}, {2, 149, 1}, {2, -150, -2}, {2, -149, -1}, {2, 50, 1}, {2, -50, -1},
        {2, 49, 0}, {0, 7, 7}, {0, -7, -7}, {4, 15000, 2}, {4, 14999, 1},
        {0, 65537, 1},  // cut to 16 bits
    };
    for (const auto& c : cases) {
        SetPrecision(c.p);
        EXPECT_EQ(rt::NumberToInt16(c.v), c.i) << "P=" << c.p << " v=" << c.v;
    }
    SetPrecision(3);
    EXPECT_EQ(rt::NumberFromInt16(-12), -12000);
    EXPECT_EQ(rt::NumberFromInt16(INT16_MIN), int64_t{INT16_MIN} * 1000);
}

TEST_F(NumberTextTest, InputCleanup) {
    const struct { const char* typed; const char* clean; } cases[] = {
        {"1.234,5", "1234.5"}, {" 12,50 ", "12.50"}, {"007", "7"}, {"-0,5", "-0.5"},
        {"-05", "-5"}, {"00", "0"}, {"5-3", "5"}, {"12abc", "12"}, {"--5", "-"},
        {"1.234.567", "1.234567"}, {"1,234.5", "1.2345"}, {"15D2", "15D2"}, {"1 000", "1 000"},
        {"123456789012345678901234", "12345678901234567890"}, {"", ""}, {"abc", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Str(Disciplined([&] { return rt::CleanNumberInput(T(c.typed)); })), c.clean)
            << "\"" << c.typed << "\"";
    EXPECT_EQ(Str(rt::CleanNumberInput(rt::StrErr(145))), Err(145));
}

}  // namespace
