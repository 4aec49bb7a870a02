// The calendar: leap years, month lengths, date values and their parts, the date order, the
// century window, day counts, and today's date and time from the clock.
#include <cstdio>

#include "runtime/error_record.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "runtime/clock.h"
#include "runtime/dates.h"

namespace rt {

namespace {

constexpr int64_t kDaysPerBlock = 4 * 365 + 1;  // four years, the first of them a leap year
constexpr uint16_t kLangMonthFirst = 0x100;
constexpr uint16_t kLangYearFirst = 0x200;

// Days before month m (1..12) in a year.
int32_t DaysBeforeMonth(int32_t year, int32_t month) {
    static const int32_t kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return kBefore[month - 1] + (month > 2 && IsLeapYear(year) ? 1 : 0);
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

// The 8-character text of a date already known to be valid.
StrRef DateDigits(int32_t value) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08d", static_cast<int>(value));
    return PoolCopy(StrMake(buf, 8));
}

}  // namespace

bool IsLeapYear(int32_t year) { return year % 4 == 0; }

int MonthDays(int32_t month, bool leapYear) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return kDays[month - 1] + (month == 2 && leapYear ? 1 : 0);
}

int DaysInMonth(int32_t year, int32_t month) { return MonthDays(month, IsLeapYear(year)); }

bool ValidDate(int32_t value) {
    if (value < 0) return false;
    const int32_t year = value / 10000, month = value / 100 % 100, day = value % 100;
    return year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

int32_t DatePart(int32_t value, int mask) {
    const int32_t year = value / 10000, month = value / 100 % 100, day = value % 100;
    int32_t part = 0;
    if (mask & 4) part = year;
    if (mask & 2) part = part * 100 + month;
    if (mask & 1) part = part * 100 + day;
    return part;
}

int32_t DateValue(StrRef date) {
    if (!date.ok()) return 0;
    uint16_t i = 0;
    while (i < date.len && (date.ptr[i] == ' ' || date.ptr[i] == '\t')) ++i;
    int64_t value = 0;
    for (; i < date.len && date.ptr[i] >= '0' && date.ptr[i] <= '9'; ++i) {
        value = value * 10 + (date.ptr[i] - '0');
        if (value > 99999999) return 0;  // more digits than any date has
    }
    return static_cast<int32_t>(value);
}

StrRef BuildDate(int32_t value) {
    if (!ValidDate(value)) return FailStr(true, kModFormatStrings, kErrBadInput, {});
    return DateDigits(value);
}

DateOrder CurrentDateOrder() {
    const uint16_t lang = static_cast<uint16_t>(IntGet(kSysLang));
    if (lang & kLangMonthFirst) return DateOrder::kMonthDayYear;
    if (lang & kLangYearFirst) return DateOrder::kYearMonthDay;
    return DateOrder::kDayMonthYear;
}

int32_t CenturyYear(int32_t twoDigits) {
    const int32_t base = IntGet(kSysBYear), pivot = IntGet(kSysBkYear);
    return twoDigits < pivot ? base + twoDigits : base + twoDigits - 100;
}

int64_t DayNumber(int32_t year, int32_t month, int32_t day) {
    // Months outside 1..12 move whole years first, as the normalisation of the arithmetic does.
    int64_t y = year + FloorDiv(static_cast<int64_t>(month) - 1, 12);
    const int32_t m = static_cast<int32_t>(static_cast<int64_t>(month) - 1 - FloorDiv(static_cast<int64_t>(month) - 1, 12) * 12) + 1;
    const int64_t blocks = FloorDiv(y, 4);
    const int64_t inBlock = y - blocks * 4;  // 0..3; year 0 of a block is the leap year
    int64_t days = blocks * kDaysPerBlock + (inBlock ? 366 + (inBlock - 1) * 365 : 0);
    days += DaysBeforeMonth(static_cast<int32_t>(inBlock), m);
    return days + day;
}

int64_t DateOfDayNumber(int64_t days) {
    int64_t rest = days - 1;  // 0 = 1 January of year 0
    const int64_t blocks = FloorDiv(rest, kDaysPerBlock);
    rest -= blocks * kDaysPerBlock;
    int64_t year = blocks * 4;
    if (rest >= 366) {
        rest -= 366;
        year += 1 + rest / 365;
        rest %= 365;
    }
    const int32_t inBlock = static_cast<int32_t>(year - blocks * 4);
    int32_t month = 1;
    while (month < 12 && rest >= DaysBeforeMonth(inBlock, month + 1)) ++month;
    const int64_t day = rest - DaysBeforeMonth(inBlock, month) + 1;
    return year * 10000 + month * 100 + day;
}

StrRef Today() {
    const ClockTime now = ClockLocalNow();
    return DateDigits(now.year * 10000 + now.month * 100 + now.day);
}

int32_t Now() {
    const ClockTime now = ClockLocalNow();
    return ((now.hour * 60 + now.minute) * 60 + now.second) * 1000;
}

}  // namespace rt
