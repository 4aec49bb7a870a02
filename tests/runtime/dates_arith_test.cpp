// Tests of date arithmetic: adding days, months and years across month and year ends, and the
// counts between two dates against a day-by-day counter.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "runtime/error_record.h"
#include "runtime/dates.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

namespace {

using rt_test::Err;

std::string Calc(int32_t date, char kind, int64_t n) {
    int64_t out = -1;
    const rt::ErrCode err = rt::DateCalc(date, kind, n, &out);
    return err ? Err(err) : std::to_string(out);
}

// The oracle: walks the calendar one day at a time with nothing but the month lengths.
struct DayWalker {
    int32_t y, m, d;
    void Next() {
        if (++d > rt::DaysInMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    int32_t Value() const { return y * 10000 + m * 100 + d; }
};

class DateArithTest : public rt_test::PoolMarkTest {};

TEST_F(DateArithTest, AddsAcrossMonthAndYearEnds) {
    struct { int32_t date; char kind; int64_t n; std::string out; } cases[] = {
        {20240131, 'M', 1, "20240229"},   // the day is limited to the new month
        {20230131, 'M', 1, "20230228"},
        {20230228, 'D', 1, "20230301"},
        {20240228, 'D', 1, "20240229"},
        {21000228, 'D', 1, "21000229"},   // every fourth year is a leap year
        {19000228, 'D', 1, "19000229"},
        {20231231, 'D', 1, "20240101"},
        {20240101, 'D', -1, "20231231"},
        {20240301, 'D', -1, "20240229"},
        {20240131, 'D', 0, "20240131"},
        {20240131, 'D', 366, "20250131"},
        {20240115, 'M', -1, "20231215"},
        {20240115, 'M', 12, "20250115"},
        {20240115, 'M', -13, "20221215"},
        {20240331, 'M', -1, "20240229"},
        {20241031, 'M', 1, "20241130"},
        {20241215, 'M', 1, "20250115"},
        {20240229, 'Y', 1, "20250301"},   // no 29 February: the day moves on into March
        {20240229, 'Y', 4, "20280229"},
        {20240115, 'Y', -24, "20000115"},
        {20240115, 'd', 1, "20240116"},   // kinds in either case
        {20240115, 'y', 1, "20250115"},
        {20240431, 'D', 0, "20240501"},   // an invalid day is normalised
        {20240100, 'D', 0, "20231231"},
        {99991231, 'D', 1, Err(163)},     // past the last year
        {101, 'D', -1, Err(163)},
        {20240115, 'Y', 8000, Err(163)},
        {20240115, 'D', INT64_MIN / 2, Err(163)},
        {20240115, 'Y', INT64_MIN, Err(163)},
        {-20240115, 'M', INT64_MIN, Err(163)},
        {20240115, 'M', -(int64_t{1} << 39), Err(163)},
        {20240115, 'X', 1, Err(147)},
        {20240115, 'V', 1, Err(147)},
    };
    for (const auto& c : cases) EXPECT_EQ(Calc(c.date, c.kind, c.n), c.out) << c.date << c.kind << c.n;
}

TEST_F(DateArithTest, CountsBetweenTwoDatesNeverNegative) {
    struct { int32_t date; char kind; int64_t other; std::string out; } cases[] = {
        {20240101, 'D', 20241231, "365"},
        {20241231, 'D', 20240101, "365"},
        {20230101, 'D', 20231231, "364"},
        {19000101, 'D', 19010101, "366"},  // 1900 counts as a leap year
        {20240131, 'M', 20240301, "2"},
        {20240301, 'M', 20240131, "2"},
        {20231215, 'M', 20240115, "1"},
        {20240131, 'Y', 20300101, "6"},
        {20240131, 'D', 20240131, "0"},
        {20240131, 'D', 10101, "738930"},  // 1 January of year 1
        {20240131, 'D', 10001, "738961"},  // 10001 is the first second date, not a count
        {20230231, 'D', 20230301, "2"},    // an invalid day counts on, and stays positive
        {20240131, 'D', 100000000, Err(163)},
    };
    for (const auto& c : cases) EXPECT_EQ(Calc(c.date, c.kind, c.other), c.out) << c.date << c.kind << c.other;
}

TEST_F(DateArithTest, DayNumbersMatchADayByDayCounter) {
    DayWalker w{0, 1, 1};
    int64_t days = 1;
    while (w.y <= 9999) {
        ASSERT_EQ(rt::DayNumber(w.y, w.m, w.d), days) << w.Value();
        ASSERT_EQ(rt::DateOfDayNumber(days), w.Value()) << days;
        w.Next();
        ++days;
    }
    EXPECT_EQ(rt::DayNumber(2024, 13, 1), rt::DayNumber(2025, 1, 1));
    EXPECT_EQ(rt::DayNumber(2024, 0, 1), rt::DayNumber(2023, 12, 1));
    EXPECT_EQ(rt::DayNumber(2024, 3, 0), rt::DayNumber(2024, 2, 29));
    EXPECT_EQ(rt::DayNumber(-1, 12, 31), 0);
}

TEST_F(DateArithTest, DayCountsAndAdditionsAgreeWithTheCounter) {
    // Pairs spread over the years, including the ends of 1461-day blocks and of months.
    const int32_t starts[] = {10101, 19991231, 20000229, 20031231, 20040101, 20231130, 21000228, 99950101};
    for (int32_t start : starts) {
        DayWalker w{start / 10000, start / 100 % 100, start % 100};
        for (int64_t n = 0; n <= 3000 && w.y <= 9999; ++n) {
            if (n % 7 == 0 || n < 40 || (n > 1440 && n < 1480)) {
                EXPECT_EQ(Calc(start, 'D', w.Value()), std::to_string(n)) << start << " to " << w.Value();
                EXPECT_EQ(Calc(w.Value(), 'D', start), std::to_string(n)) << w.Value() << " to " << start;
                if (n < 10001) {
                    EXPECT_EQ(Calc(start, 'D', n), std::to_string(w.Value())) << start << " + " << n;
                    EXPECT_EQ(Calc(w.Value(), 'D', -n), std::to_string(start)) << w.Value() << " - " << n;
                }
            }
            w.Next();
        }
    }
}

TEST_F(DateArithTest, MonthAndYearCountsFollowTheParts) {
    for (int32_t a : {20000115, 20231231, 20240229}) {
        for (int32_t months = 0; months < 60; months += 5) {
            int64_t later = 0;
            ASSERT_EQ(rt::DateCalc(a, 'M', months, &later), 0);
            EXPECT_EQ(Calc(a, 'M', later), std::to_string(months)) << a << " + " << months;
            EXPECT_EQ(Calc(a, 'Y', later), std::to_string(later / 10000 - a / 10000));
        }
    }
}

}  // namespace
