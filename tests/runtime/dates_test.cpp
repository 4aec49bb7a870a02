// Tests of the calendar, the date order and century window, and reading and writing dates.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "runtime/clock.h"
#include "runtime/dates.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"
#include "tests/support/today.h"

namespace {

using rt_test::Err;
using rt_test::Str;
using rt_test::T;

constexpr char kSpanish[] =
    "NS;,NO,SI;Enero,Febrero,Marzo,Abril,Mayo,Junio,Julio,Agosto,Septiembre,Octubre,Noviembre,"
    "Diciembre;[$1] de [$2] de [$3]";
constexpr int16_t kMonthFirst = 0x100;
constexpr int16_t kYearFirst = 0x200;

// Sets the system variables and the date message the dates read, and puts them back afterwards.
class DatesTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        ASSERT_EQ(rt::SystemVarsDefaults(), 0);
        savedMessage_ = Str(rt::StoreGet(rt::kGroupParams, 0));
        ASSERT_EQ(rt::StoreSet(rt::kGroupParams, 0, rt::StrEmpty()), 0);
    }
    void TearDown() override {
        rt::StoreSet(rt::kGroupParams, 0, rt_test::V(savedMessage_));
        rt::SystemVarsDefaults();
        PoolMarkTest::TearDown();
    }
    void SetMessage(const char* message) { ASSERT_EQ(rt::StoreSet(rt::kGroupParams, 0, T(message)), 0); }
    std::string Read(const char* text) {
        return Str(Disciplined([&] { return rt::ReadDate(T(text)); }));
    }
    std::string Write(const char* date, int format) {
        return Str(Disciplined([&] { return rt::WriteDate(T(date), format); }));
    }
    std::string savedMessage_;
};

TEST_F(DatesTest, EveryFourthYearIsLeapCenturiesIncluded) {
    struct { int32_t year; bool leap; } cases[] = {
        {1900, true}, {2000, true}, {2100, true}, {2024, true}, {2023, false}, {1, false}, {0, true},
        {9996, true}, {9999, false}, {1800, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rt::IsLeapYear(c.year), c.leap) << c.year;
        EXPECT_EQ(rt::DaysInMonth(c.year, 2), c.leap ? 29 : 28) << c.year;
    }
    EXPECT_TRUE(rt::ValidDate(19000229));
    EXPECT_TRUE(rt::ValidDate(20000229));
    EXPECT_TRUE(rt::ValidDate(21000229));
    EXPECT_FALSE(rt::ValidDate(20230229));
}

TEST_F(DatesTest, MonthLengthsAndValidity) {
    const int expected[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m) EXPECT_EQ(rt::DaysInMonth(2023, m), expected[m - 1]) << m;
    EXPECT_EQ(rt::DaysInMonth(2023, 0), 0);
    EXPECT_EQ(rt::DaysInMonth(2023, 13), 0);
    struct { int32_t value; bool valid; } cases[] = {
        {20240131, true}, {20240431, false}, {20240430, true}, {20240001, false}, {20241301, false},
        {20240100, false}, {101, true}, {99991231, true}, {100000101, false}, {-20240101, false}, {0, false},
    };
    for (const auto& c : cases) EXPECT_EQ(rt::ValidDate(c.value), c.valid) << c.value;
}

TEST_F(DatesTest, PartsOfADateValue) {
    struct { int mask; int32_t part; } cases[] = {
        {1, 31}, {2, 1}, {4, 2024}, {15, 20240131}, {7, 20240131}, {6, 202401}, {3, 131}, {0, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(rt::DatePart(20240131, c.mask), c.part) << c.mask;
    EXPECT_EQ(rt::DateValue(T("20240131")), 20240131);
    EXPECT_EQ(rt::DateValue(T(" 2024x")), 2024);
    EXPECT_EQ(rt::DateValue(T("abc")), 0);
    EXPECT_EQ(rt::DateValue(T("123456789")), 0);  // more digits than a date has
}

TEST_F(DatesTest, BuildValidatesAndRecords163) {
    EXPECT_EQ(Str(Disciplined([] { return rt::BuildDate(20240229); })), "20240229");
    EXPECT_EQ(Str(Disciplined([] { return rt::BuildDate(101); })), "00000101");
    EXPECT_EQ(Str(Disciplined([] { return rt::BuildDate(20230229); })), Err(163));
    EXPECT_EQ(rt::LastError().code, 163);
}

TEST_F(DatesTest, DateOrderFromLang) {
    EXPECT_EQ(rt::CurrentDateOrder(), rt::DateOrder::kDayMonthYear);
    rt::IntSet(rt::kSysLang, kMonthFirst);
    EXPECT_EQ(rt::CurrentDateOrder(), rt::DateOrder::kMonthDayYear);
    rt::IntSet(rt::kSysLang, kYearFirst);
    EXPECT_EQ(rt::CurrentDateOrder(), rt::DateOrder::kYearMonthDay);
    rt::IntSet(rt::kSysLang, kMonthFirst | kYearFirst);  // month first wins
    EXPECT_EQ(rt::CurrentDateOrder(), rt::DateOrder::kMonthDayYear);
    rt::IntSet(rt::kSysLang, 0xFF);  // other bits do not count
    EXPECT_EQ(rt::CurrentDateOrder(), rt::DateOrder::kDayMonthYear);
}

TEST_F(DatesTest, CenturyWindow) {
    EXPECT_EQ(rt::CenturyYear(0), 2000);
    EXPECT_EQ(rt::CenturyYear(79), 2079);
    EXPECT_EQ(rt::CenturyYear(80), 1980);
    EXPECT_EQ(rt::CenturyYear(99), 1999);
    rt::IntSet(rt::kSysBkYear, 50);
    EXPECT_EQ(rt::CenturyYear(49), 2049);
    EXPECT_EQ(rt::CenturyYear(50), 1950);
    rt::IntSet(rt::kSysBYear, 1900);
    EXPECT_EQ(rt::CenturyYear(49), 1949);
    EXPECT_EQ(rt::CenturyYear(50), 1850);
}

TEST_F(DatesTest, ReadsTypedDatesInTheDefaultOrder) {
    struct { const char* in; std::string out; } cases[] = {
        {"31/12/79", "20791231"}, {"01/01/80", "19800101"}, {"310124", "20240131"},
        {"31-01-2024", "20240131"}, {"31.01.24", "20240131"}, {"1/2/3", "20030201"},
        {" 31 / 1 / 2024 ", "20240131"}, {"29/02/1900", "19000229"}, {"29/02/2100", "21000229"},
        {"01/01/00", "20000101"}, {"15/6/0024", "00240615"},
        {"31/02/24", Err(163)}, {"32/01/24", Err(163)}, {"1/13/24", Err(163)}, {"1/1/10000", Err(163)},
        {"0/1/24", rt::kEmptyDate}, {"1/0/24", rt::kEmptyDate}, {"1/1/", rt::kEmptyDate},
        {"31/01", rt::kEmptyDate}, {"a/b/c", rt::kEmptyDate},
        {"20240131", "20240131"}, {"2024013", "2024013"}, {"abc", "abc"}, {"'1/2/3'", "'1/2/3'"},
        {"320124", Err(163)}, {"31x124", rt::kEmptyDate},
    };
    for (const auto& c : cases) EXPECT_EQ(Read(c.in), c.out) << c.in;
}

// The empty text means today, so a typed date that lacks a part must not read as one.
TEST_F(DatesTest, ADateWithAZeroOrMissingPartStaysInvalid) {
    for (const char* typed : {"00/01/2024", "0/1/24", "1/0/24", "1/2", "1/1/", "31/01", "a/b/c", "//", "1-2"}) {
        const std::string read = Read(typed);
        EXPECT_EQ(Write(read.c_str(), 0), read) << typed;
        EXPECT_EQ(Write(read.c_str(), 1), std::string(8, ' ')) << typed;
        EXPECT_EQ(Write(read.c_str(), 4), "") << typed;
    }
}

TEST_F(DatesTest, ReadsInTheOtherOrders) {
    rt::IntSet(rt::kSysLang, kMonthFirst);
    EXPECT_EQ(Read("12/31/79"), "20791231");
    EXPECT_EQ(Read("1-31-2024"), "20240131");
    EXPECT_EQ(Read("310124"), "20240131");  // six digits are ddmmyy whatever the order
    rt::IntSet(rt::kSysLang, kYearFirst);
    EXPECT_EQ(Read("2024/01/31"), "20240131");
    EXPECT_EQ(Read("24.1.31"), "20240131");
    EXPECT_EQ(Read("310124"), "20240131");
}

TEST_F(DatesTest, EmptyTextIsTodayUnlessAuxStatSaysNo) {
    EXPECT_EQ(Read(""), rt_test::TodayText());
    EXPECT_EQ(Write("", 0), rt_test::TodayText());
    rt::IntSet(rt::kSysAuxStat, 64);
    EXPECT_EQ(Read(""), "");
    EXPECT_EQ(Write("", 0), "");
    EXPECT_EQ(Write("", 2), std::string(10, ' '));
}

TEST_F(DatesTest, ShortFormatsInEveryOrder) {
    EXPECT_EQ(Write("20240131", 0), "20240131");
    EXPECT_EQ(Write("20240131", 1), "31-01-24");
    EXPECT_EQ(Write("20240131", 2), "31-01-2024");
    EXPECT_EQ(Write("20240105", 2), "05-01-2024");
    rt::IntSet(rt::kSysLang, kMonthFirst);
    EXPECT_EQ(Write("20240131", 1), "01-31-24");
    EXPECT_EQ(Write("20240131", 2), "01-31-2024");
    rt::IntSet(rt::kSysLang, kYearFirst);
    EXPECT_EQ(Write("20240131", 1), "24-01-31");
    EXPECT_EQ(Write("20240131", 2), "2024-01-31");
}

TEST_F(DatesTest, InvalidDatesShowAsBlanksOrEmpty) {
    const char* invalid[] = {"20240230", "2024013", "abcdefgh", "20241301", " 2024013"};
    for (const char* d : invalid) {
        EXPECT_EQ(Write(d, 1), std::string(8, ' ')) << d;
        EXPECT_EQ(Write(d, 2), std::string(10, ' ')) << d;
        EXPECT_EQ(Write(d, 3), "") << d;
        EXPECT_EQ(Write(d, 4), "") << d;
        EXPECT_EQ(Write(d, 0), d) << d;  // format 0 takes the text as it is
    }
}

TEST_F(DatesTest, OtherFormatCodesGiveEmptyText) {
    for (int format : {5, 6, 64, 127, 128, -1}) EXPECT_EQ(Write("20240131", format), "") << format;
}

TEST_F(DatesTest, TemplatesWithTheSpanishMessage) {
    SetMessage(kSpanish);
    EXPECT_EQ(Write("20240131", 3), "Ene 2024");
    EXPECT_EQ(Write("20240131", 4), "31 de Enero de 2024");
    EXPECT_EQ(Write("20241201", 4), "1 de Diciembre de 2024");
    EXPECT_EQ(Write("20240915", 3), "Sep 2024");
}

TEST_F(DatesTest, TemplatesFromTheMessageAndTheirDefaults) {
    SetMessage("NY;,NO,YES;Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec;[$3]/[$2]/[$1];[$3]-[$2]");
    EXPECT_EQ(Write("20240131", 4), "2024/Jan/31");
    EXPECT_EQ(Write("20240131", 3), "2024-Jan");
    SetMessage("NY;,NO,YES;January,February,March,April,May,June,July,August,September,October,November,December");
    EXPECT_EQ(Write("20240704", 4), "July 4, 2024");
    EXPECT_EQ(Write("20240704", 3), "Jul 2024");
}

TEST_F(DatesTest, FallbackMessageStillNamesTheMonth) {
    // The built-in message has no month names; the English ones stand in.
    EXPECT_EQ(Write("20241206", 4), "December 6, 2024");
    EXPECT_EQ(Write("20241206", 3), "Dec 2024");
}

TEST_F(DatesTest, ErrorValuesPassThrough) {
    EXPECT_EQ(Str(rt::ReadDate(rt::StrErr(131))), Err(131));
    EXPECT_EQ(Str(rt::WriteDate(rt::StrErr(131), 2)), Err(131));
}

}  // namespace
