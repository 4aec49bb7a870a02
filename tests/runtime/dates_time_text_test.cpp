// Tests of times as text: reading every typed form, writing with each flag, seconds with decimals
// and strftime-style time stamps.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

#include "runtime/system_vars.h"
#include "runtime/clock.h"
#include "runtime/dates.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

namespace {

using rt_test::Err;
using rt_test::Str;
using rt_test::T;

constexpr int64_t kH = 3600000, kM = 60000, kS = 1000;

class TimeTextTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        ASSERT_EQ(rt::SystemVarsDefaults(), 0);
    }
    // "<err N>" or the milliseconds read.
    std::string Read(const char* text) {
        const uint16_t before = rt::PoolMark();
        int64_t ms = -1;
        const rt::ErrCode err = rt::ReadTime(T(text), &ms);
        EXPECT_EQ(rt::PoolMark(), before) << "ReadTime left pool entries: " << text;
        return err ? Err(err) : std::to_string(ms);
    }
    std::string Write(int64_t ms, int flags) {
        return Str(Disciplined([&] { return rt::WriteTime(ms, flags); }));
    }
};

TEST_F(TimeTextTest, ReadsEveryTypedForm) {
    struct { const char* in; std::string ms; } cases[] = {
        {"12:34:56", std::to_string(12 * kH + 34 * kM + 56 * kS)},
        {"12:30", std::to_string(12 * kM + 30 * kS)},  // two fields are minutes and seconds
        {"123000", std::to_string(12 * kH + 30 * kM)},
        {"1234", std::to_string(12 * kM + 34 * kS)},
        {"45", "45000"},
        {"5", "5000"},
        {"123", std::to_string(1 * kM + 23 * kS)},
        {"12345", std::to_string(1 * kH + 23 * kM + 45 * kS)},
        {"1000000", std::to_string(100 * kH)},
        {"12:34:56.789", std::to_string(12 * kH + 34 * kM + 56 * kS + 789)},
        {"12:34:56.7", std::to_string(12 * kH + 34 * kM + 56 * kS + 700)},
        {"12:34:56.78", std::to_string(12 * kH + 34 * kM + 56 * kS + 780)},
        {"12:34:56.7891", std::to_string(12 * kH + 34 * kM + 56 * kS + 789)},
        {".5", "500"},
        {"9h", std::to_string(9 * kH)},
        {"12h", std::to_string(12 * kH)},
        {"30m", std::to_string(30 * kM)},
        {"5m", std::to_string(5 * kM)},
        {"1:30m", std::to_string(1 * kH + 30 * kM)},
        // h: the text starts at the hours; the fields it lacks are added.
        {"0930h", std::to_string(9 * kH + 30 * kM)},
        {"930h", std::to_string(9 * kH + 30 * kM)},
        {"130h", std::to_string(1 * kH + 30 * kM)},
        {"1:30h", std::to_string(1 * kH + 30 * kM)},
        {"093015h", std::to_string(9 * kH + 30 * kM + 15 * kS)},
        {"9:30:15h", std::to_string(9 * kH + 30 * kM + 15 * kS)},
        {"1:30h.5", std::to_string(1 * kH + 30 * kM + 500)},
        {"1:2:3:4h", Err(163)},
        {"-1:30", "-90000"},
        {"+1:30", "90000"},
        {"  12:30  ", "750000"},
        {"1:2:3", std::to_string(1 * kH + 2 * kM + 3 * kS)},
        {"::", "0"},
        {"99:99", std::to_string(99 * kM + 99 * kS)},
        {"1:2:3:4", Err(163)},
        {"12a", Err(163)},
        {"12:3x", Err(163)},
        {"12.5x", Err(163)},
        {"9H", Err(163)},
        {"1234567890:00", Err(163)},
        {"12345678901234", Err(163)},
    };
    for (const auto& c : cases) EXPECT_EQ(Read(c.in), c.ms) << c.in;
}

TEST_F(TimeTextTest, EmptyTextIsNow) {
    const rt::ClockTime before = rt::ClockLocalNow();
    int64_t ms = -1;
    ASSERT_EQ(rt::ReadTime(T(""), &ms), 0);
    const int64_t was = (before.hour * 60 + before.minute) * 60000 + before.second * 1000;
    EXPECT_EQ(ms % 1000, 0);  // whole seconds
    // The clock may tick over between the two readings (or past midnight).
    EXPECT_TRUE((ms >= was && ms - was <= 2000) || ms < 2000) << ms << " vs " << was;
    EXPECT_EQ(rt::ReadTime(rt::StrErr(130), &ms), 130);
}

TEST_F(TimeTextTest, WritesWithEachFlag) {
    const int64_t t = 45296789;  // 12:34:56.789
    struct { int flags; const char* out; } cases[] = {
        {0, "1234"}, {1, "12:34"}, {2, "123456"}, {3, "12:34:56"}, {4, "1234.789"}, {5, "12:34.789"},
        {6, "123456.789"}, {7, "12:34:56.789"}, {8, "1234"}, {0x70, "1234"}, {0x77, "12:34:56.789"},
    };
    for (const auto& c : cases) EXPECT_EQ(Write(t, c.flags), c.out) << c.flags;
}

TEST_F(TimeTextTest, WritesEdgeTimes) {
    EXPECT_EQ(Write(0, 7), "00:00:00.000");
    EXPECT_EQ(Write(86399999, 7), "23:59:59.999");
    EXPECT_EQ(Write(100 * kH, 3), "100:00:00");
    EXPECT_EQ(Write(-90000, 3), "-00:01:30");
    EXPECT_EQ(Write(INT64_MIN, 0).substr(0, 1), "-");
}

TEST_F(TimeTextTest, WriteThenReadComesBack) {
    for (int64_t ms = 0; ms < 24 * kH; ms += 7919 * 13 + 1) {
        int64_t back = -1;
        const uint16_t mark = rt::PoolMark();
        ASSERT_EQ(rt::ReadTime(rt::WriteTime(ms, 7), &back), 0);
        rt::PoolRelease(mark);
        EXPECT_EQ(back, ms);
    }
}

TEST_F(TimeTextTest, SecondsWithDecimals) {
    struct { const char* in; std::string ms; } cases[] = {
        {"1.5", "1500"}, {"2", "2000"}, {"-2.25", "-2250"}, {"0.0125", "13"}, {"0.0124", "12"},
        {"  3.001 ", "3001"}, {"", "0"}, {".5", "500"}, {"1.5x", Err(163)}, {"abc", Err(163)},
        {"1234567890123456", Err(163)},
    };
    for (const auto& c : cases) {
        int64_t ms = -1;
        const rt::ErrCode err = rt::SecondsToMs(T(c.in), &ms);
        EXPECT_EQ(err ? Err(err) : std::to_string(ms), c.ms) << c.in;
    }
}

TEST_F(TimeTextTest, TimeStampsOfAGivenMoment) {
    auto stamp = [&](const char* pattern, int32_t date, int64_t ms) {
        return Str(Disciplined([&] { return rt::TimeStampTextAt(pattern, date, ms); }));
    };
    const int64_t t = 14 * kH + 3 * kM + 22 * kS;
    EXPECT_EQ(stamp("%b %d %H:%M:%S ", 20241206, t), "Dec 06 14:03:22 ");
    EXPECT_EQ(stamp("%a %A %B %e %j", 20241206, t), "Fri Friday December  6 341");
    EXPECT_EQ(stamp("%Y-%m-%d %y %I%p", 20240101, 0), "2024-01-01 24 12AM");
    EXPECT_EQ(stamp("%a", 20240101, 0), "Mon");
    EXPECT_EQ(stamp("%a", 20000229, 0), "Tue");
    EXPECT_EQ(stamp("%T %D %F", 20240131, 45296789), "12:34:56 01/31/24 2024-01-31");
    EXPECT_EQ(stamp("%I %p", 20240131, 13 * kH), "01 PM");
    EXPECT_EQ(stamp("100%% %q %", 20240131, 0), "100% %q %");
    EXPECT_EQ(stamp("", 20240131, 0), "");
    EXPECT_EQ(Str(rt::TimeStampTextAt(nullptr, 20240131, 0)), Err(163));
    std::string pattern;
    for (int i = 0; i < 4000; ++i) pattern += "%B";  // far beyond one text
    EXPECT_EQ(Str(Disciplined([&] { return rt::TimeStampTextAt(pattern.c_str(), 20240930, 0); })), Err(145));
}

TEST_F(TimeTextTest, TimeStampNowHasEnglishMonthNames) {
    const std::string s = Str(Disciplined([] { return rt::TimeStampText("%b %d %H:%M:%S "); }));
    EXPECT_TRUE(std::regex_match(s, std::regex("(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                               "[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] ")))
        << s;
}

}  // namespace
