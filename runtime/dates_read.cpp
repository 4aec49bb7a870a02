// Reading a date from what a user typed: separators, the date order, ddmmyy and the century window.
#include "runtime/system_vars.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/typed_arrays.h"
#include "runtime/dates.h"

namespace rt {

namespace {

constexpr char kSeparators[] = "-./";
constexpr uint16_t kAuxStatNoToday = 64;

struct Part {
    int32_t value;
    int digits;
};

// The leading digits of a field (blanks and quotes around it removed); 0 without digits.
Part ReadPart(StrRef field) {
    field = Unquote(Trim(field, kTrimStart | kTrimEnd));
    Part part{0, 0};
    // Nine digits are more than any part of a date; stopping there keeps the value in range.
    for (uint16_t i = 0; i < field.len && part.digits < 9; ++i) {
        const char c = field.ptr[i];
        if (c < '0' || c > '9') break;
        part.value = part.value * 10 + (c - '0');
        ++part.digits;
    }
    return part;
}

// The date of three parts given as day, month and year texts.
StrRef DateOfParts(StrRef dayText, StrRef monthText, StrRef yearText) {
    const Part day = ReadPart(dayText), month = ReadPart(monthText);
    Part year = ReadPart(yearText);
    if (year.digits >= 1 && year.digits <= 2) year.value = CenturyYear(year.value);
    if (day.value == 0 || month.value == 0 || year.value == 0) return StrFromLiteral(kEmptyDate);
    if (year.value > 9999 || month.value > 12 || day.value > 31) return BuildDate(-1);
    return BuildDate(year.value * 10000 + month.value * 100 + day.value);
}

}  // namespace

StrRef ReadDate(StrRef text) {
    if (!text.ok()) return text;
    const uint16_t at = FindAny(text, StrMake(kSeparators, sizeof kSeparators - 1), false);
    if (at == kNpos) {
        // Six characters are day, month and two-digit year whatever the date order.
        if (text.len == 6)
            return DateOfParts(StrMake(text.ptr, 2), StrMake(text.ptr + 2, 2), StrMake(text.ptr + 4, 2));
        if (text.len == 0) return FlagTest(kSysAuxStat, kAuxStatNoToday) ? StrEmpty() : Today();
        return text;
    }
    const char sep = text.ptr[at];
    const StrRef a = Field(text, sep, 1), b = Field(text, sep, 2), c = Field(text, sep, 3);
    switch (CurrentDateOrder()) {
        case DateOrder::kMonthDayYear: return DateOfParts(b, a, c);
        case DateOrder::kYearMonthDay: return DateOfParts(c, b, a);
        case DateOrder::kDayMonthYear: break;
    }
    return DateOfParts(a, b, c);
}

}  // namespace rt
