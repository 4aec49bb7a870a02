// Date arithmetic: adding days, months or years to a date, and counting them between two dates.
#include "runtime/error_record.h"
#include "runtime/dates.h"

namespace rt {

namespace {

// n from this value up is a second date rather than a count to add.
constexpr int64_t kFirstDateOperand = 10001;
constexpr int64_t kLastYear = 9999;
constexpr int64_t kLastDateValue = 99991231;
constexpr int64_t kLargestCount = int64_t{1} << 40;

// The date of year, month and day after normalisation: months outside 1..12 move years, days
// outside the month move into the neighbouring months.
ErrCode Normalised(int64_t year, int64_t month, int64_t day, int64_t* result) {
    // Far outside the calendar the day count would overflow; such dates cannot be valid anyway.
    constexpr int64_t kLimit = int64_t{1} << 40;
    if (year < -kLimit || year > kLimit || month < -kLimit || month > kLimit || day < -kLimit || day > kLimit)
        return Fail(true, kModFormatStrings, kErrBadInput, 0);
    const int64_t monthIndex = year * 12 + month - 1;
    const int64_t y = monthIndex >= 0 ? monthIndex / 12 : -((-monthIndex + 11) / 12);
    const int64_t m = monthIndex - y * 12 + 1;
    if (y < 0 || y > kLastYear) return Fail(true, kModFormatStrings, kErrBadInput, 0);
    const int64_t value = DateOfDayNumber(DayNumber(static_cast<int32_t>(y), static_cast<int32_t>(m), 0) + day);
    if (value < 0 || value / 10000 > kLastYear) return Fail(true, kModFormatStrings, kErrBadInput, 0);
    *result = value;
    return 0;
}

}  // namespace

ErrCode DateCalc(int32_t date, char kind, int64_t n, int64_t* result) {
    *result = 0;
    if (kind >= 'a' && kind <= 'z') kind = static_cast<char>(kind - 'a' + 'A');
    if (kind != 'D' && kind != 'M' && kind != 'Y') return kErrSyntax;
    const int64_t year = date / 10000, month = date / 100 % 100, day = date % 100;
    if (n < kFirstDateOperand) {
        // No count this far back reaches a valid date; refusing it early keeps the sums in range.
        if (n < -kLargestCount) return Fail(true, kModFormatStrings, kErrBadInput, 0);
        switch (kind) {
            case 'D': return Normalised(year, month, day + n, result);
            case 'Y': return Normalised(year + n, month, day, result);
            default: break;
        }
        // Months keep the day, but never beyond the end of the month they arrive in.
        int64_t target = 0;
        if (ErrCode err = Normalised(year, month + n, 1, &target)) return err;
        const int64_t last = DaysInMonth(static_cast<int32_t>(target / 10000), static_cast<int32_t>(target / 100 % 100));
        return Normalised(year, month + n, day < last ? day : last, result);
    }
    // No date has more than 8 digits; a larger second operand is no date at all.
    if (n > kLastDateValue) return Fail(true, kModFormatStrings, kErrBadInput, 0);
    // Counting: the later date first, so that the count is never negative.
    int64_t later = n, earlier = date;
    if (later < earlier) {
        later = date;
        earlier = n;
    }
    const int64_t ly = later / 10000, lm = later / 100 % 100, ld = later % 100;
    const int64_t ey = earlier / 10000, em = earlier / 100 % 100, ed = earlier % 100;
    switch (kind) {
        case 'D':
            *result = DayNumber(static_cast<int32_t>(ly), static_cast<int32_t>(lm), static_cast<int32_t>(ld)) -
                      DayNumber(static_cast<int32_t>(ey), static_cast<int32_t>(em), static_cast<int32_t>(ed));
            break;
        case 'M': *result = (ly - ey) * 12 + (lm - em); break;
        default: *result = ly - ey; break;
    }
    // Parts beyond their range (a 31 February) can turn the order of the values against the
    // order of the days; the count still comes out positive.
    if (*result < 0) *result = -*result;
    return 0;
}

}  // namespace rt
