// Writing a date in the display formats: short forms in the date order, and the month-year and
// long-date templates of the date message.
#include <cstdio>

#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "runtime/dates.h"

namespace rt {

namespace {

constexpr uint16_t kAuxStatNoToday = 64;
constexpr char kMessageSeparator = ';';
// The date message when the catalogue has not supplied one: logical answers only.
constexpr char kDefaultMessage[] = "NY;,NO,YES";
constexpr char kDefaultLongTemplate[] = "[$2] [$1], [$3]";
constexpr char kDefaultMonthYearTemplate[] = "[$2] [$3]";
// A message without month names would show dates without their month; English names stand in.
constexpr char kDefaultMonthNames[] =
    "January,February,March,April,May,June,July,August,September,October,November,December";
// The run-time's date separator between the parts of the short formats.
constexpr char kDateSeparator[] = "-";
constexpr uint16_t kMessageMonths = 3;
constexpr uint16_t kMessageLongTemplate = 4;
constexpr uint16_t kMessageMonthYearTemplate = 5;

StrRef DateMessage() {
    const StrRef message = StoreGet(kGroupParams, 0);
    return message.ok() && message.len ? message : StrMake(kDefaultMessage, sizeof kDefaultMessage - 1);
}

// The date's numeric value when it is an 8-digit valid date; -1 otherwise.
int32_t ValidValue(StrRef date) {
    if (date.len != 8) return -1;
    for (uint16_t i = 0; i < 8; ++i)
        if (date.ptr[i] < '0' || date.ptr[i] > '9') return -1;
    const int32_t value = DateValue(date);
    return ValidDate(value) ? value : -1;
}

StrRef ShortForm(StrRef date, bool fourDigitYear) {
    const StrRef day = StrMake(date.ptr + 6, 2), month = StrMake(date.ptr + 4, 2);
    const StrRef year = fourDigitYear ? StrMake(date.ptr, 4) : StrMake(date.ptr + 2, 2);
    StrRef first = day, second = month, third = year;
    switch (CurrentDateOrder()) {
        case DateOrder::kMonthDayYear: first = month; second = day; break;
        case DateOrder::kYearMonthDay: first = year; third = day; break;
        case DateOrder::kDayMonthYear: break;
    }
    return Format(32, "%.*s%s%.*s%s%.*s", first.len, first.ptr, kDateSeparator, second.len, second.ptr,
                  kDateSeparator, third.len, third.ptr);
}

StrRef MonthName(int32_t month, bool shortName) {
    StrRef names = Field(DateMessage(), kMessageSeparator, kMessageMonths);
    if (FieldCount(names, ',') < 12) names = StrMake(kDefaultMonthNames, sizeof kDefaultMonthNames - 1);
    const StrRef name = Trim(Field(names, ',', static_cast<uint16_t>(month)), kTrimStart | kTrimEnd);
    return shortName ? SubStr(name, 0, 3) : name;
}

StrRef FromTemplate(int32_t value, bool longForm) {
    const uint16_t field = longForm ? kMessageLongTemplate : kMessageMonthYearTemplate;
    StrRef tmpl = Field(DateMessage(), kMessageSeparator, field);
    if (tmpl.len == 0)
        tmpl = longForm ? StrFromLiteral(kDefaultLongTemplate) : StrFromLiteral(kDefaultMonthYearTemplate);
    const StrRef name = MonthName(DatePart(value, 2), !longForm);
    const StrRef parts = Format(80, "%d,%.*s,%d", static_cast<int>(DatePart(value, 1)), name.len, name.ptr,
                                static_cast<int>(DatePart(value, 4)));
    return Placeholders(tmpl, parts);
}

}  // namespace

StrRef WriteDate(StrRef date, int format) {
    if (!date.ok()) return date;
    if (format < kDateAsIs || format > kDateWords) return StrEmpty();
    const uint16_t mark = PoolMark();
    if (date.len == 0 && !FlagTest(kSysAuxStat, kAuxStatNoToday)) date = Today();
    if (format == kDateAsIs) return PoolReturn(mark, date);
    const int32_t value = ValidValue(date);
    StrRef shown;
    if (value < 0) {
        shown = format == kDateShort ? PoolAllocFilled(8, ' ')
              : format == kDateLong  ? PoolAllocFilled(10, ' ')
                                     : StrEmpty();
    } else if (format == kDateShort || format == kDateLong) {
        shown = ShortForm(date, format == kDateLong);
    } else {
        shown = FromTemplate(value, format == kDateWords);
    }
    return PoolReturn(mark, shown);
}

}  // namespace rt
