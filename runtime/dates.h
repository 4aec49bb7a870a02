// Dates and times of the run-time: the calendar, reading and writing dates and times, date
// arithmetic, file times and time-stamp texts. Each dates_*.cpp implements one group of these.
//
// A date is the 8-character text YYYYMMDD, its numeric value year * 10000 + month * 100 + day; a
// time of day is a signed count of milliseconds since midnight. The calendar counts every fourth
// year as a leap year (1900 and 2100 included), as the stored dates of the run-time always have.
// Text results are one pool entry above the caller's mark unless a contract says "piece".
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// ---- calendar ---------------------------------------------------------------------------------
// Every year divisible by 4 (negative years too).
bool IsLeapYear(int32_t year);
// Days of month 1..12 of year; 0 for any other month.
int DaysInMonth(int32_t year, int32_t month);
// Days of month 1..12 when February has 29 days in a leap year; 0 for any other month. The one
// table of month lengths, for callers that follow another leap-year rule (file times).
int MonthDays(int32_t month, bool leapYear);
// Year 0..9999, month 1..12, day 1..days of the month.
bool ValidDate(int32_t value);
// Parts of a numeric date value; mask bits 1 day, 2 month, 4 year (7 and 15: the whole value).
// Several bits give those parts side by side (6: YYYYMM).
int32_t DatePart(int32_t value, int mask);
// Numeric value of a date text: its leading decimal digits (after blanks); 0 when there are none.
int32_t DateValue(StrRef date);
// Validate-and-build: the 8-character text of a date value; kErrBadInput (recorded) when invalid.
StrRef BuildDate(int32_t value);

// Field order of dates typed and shown, from bits 8 and 9 of _LANG.
enum class DateOrder { kDayMonthYear, kMonthDayYear, kYearMonthDay };
DateOrder CurrentDateOrder();
// A two-digit year through the century window of _BYEAR and _BKYEAR.
int32_t CenturyYear(int32_t twoDigits);
// Day count of a (possibly unnormalised) date from 1 January of year 0, in blocks of 1461 days:
// 1 for 00000101. A month outside 1..12 borrows or carries years; a day outside the month counts
// on into the neighbouring months.
int64_t DayNumber(int32_t year, int32_t month, int32_t day);
// The numeric date value of a day count (inverse of DayNumber); the year may leave 0..9999.
int64_t DateOfDayNumber(int64_t days);

// ---- clock ------------------------------------------------------------------------------------
// Today's local date as a date text.
StrRef Today();
// The local time of day in milliseconds, in whole seconds.
int32_t Now();

// ---- dates as text ----------------------------------------------------------------------------
// A date read from what a user typed: "31/01/24", "1-31-2024" (by the date order), "310124"
// (ddmmyy whatever the order), "" (today, unless bit 64 of _AUXSTAT is set). A text without
// separators and of another length is taken to be a date text already and comes back as it is
// (a piece). Separators inside quotes do not count. All three parts non-zero: the built date or
// kErrBadInput (recorded); a part missing or zero: kEmptyDate.
StrRef ReadDate(StrRef text);
// The fixed empty date that ReadDate gives for a typed date with a missing or zero part: blanks,
// which show as blanks in every format. Not the empty text, which the formats take as today.
inline constexpr char kEmptyDate[] = "        ";
// The date text in format 0..127: 0 as it is, 1 "31-01-24" and 2 "31-01-2024" in the date order,
// 3 the month-year template with the short month name, 4 the long-date template; other formats the
// empty text. An empty date means today (unless bit 64 of _AUXSTAT is set). An invalid date shows
// as 8 blanks (format 1), 10 blanks (format 2) or the empty text (3, 4).
StrRef WriteDate(StrRef date, int format);
// Date format codes.
inline constexpr int kDateAsIs = 0;
inline constexpr int kDateShort = 1;
inline constexpr int kDateLong = 2;
inline constexpr int kDateMonthYear = 3;
inline constexpr int kDateWords = 4;

// ---- times as text ----------------------------------------------------------------------------
// A time read into *ms: "12:34:56", "12:30" (minutes and seconds), "45" (seconds), "1234" (mmss),
// "123456" (hhmmss), ".5" fractions as milliseconds, "9h", "0930h" (from the hours) and "30m" (up
// to the minutes) with a unit letter, a leading '-' negates; "" is now. kErrBadInput for
// characters that are no digits where digits belong and for more than three fields; an error
// value returns its code.
ErrCode ReadTime(StrRef text, int64_t* ms);
// The time of ms: flag 1 ':' between the fields, 2 with seconds, 4 with '.' and milliseconds;
// other bits are ignored. 0 "hhmm", 3 "hh:mm:ss", 7 "hh:mm:ss.fff". Hours take more digits when
// needed; a negative time starts with '-'.
StrRef WriteTime(int64_t ms, int flags);
inline constexpr int kTimeColons = 1;
inline constexpr int kTimeSeconds = 2;
inline constexpr int kTimeMillis = 4;
// A number of seconds with decimals ("1.5", "-2", "0.0125") as rounded milliseconds; kErrBadInput
// when the text is not such a number.
ErrCode SecondsToMs(StrRef text, int64_t* ms);

// ---- date arithmetic --------------------------------------------------------------------------
// kind 'D', 'M' or 'Y' (either case). n below 10001: the date n days, months or years after
// `date` (n may be negative; months keep the day but not beyond the new month's end), normalised.
// n of 10001 or more: a second date, and the result the days, months or years between the two,
// never negative. kErrSyntax for another kind, kErrBadInput when a result leaves the years 0..9999.
ErrCode DateCalc(int32_t date, char kind, int64_t n, int64_t* result);

// ---- file times -------------------------------------------------------------------------------
// Which time stamp of a file: creation, last access, last write.
inline constexpr int kFileCreated = 0;
inline constexpr int kFileAccessed = 1;
inline constexpr int kFileWritten = 2;
// A file's time stamp in local time: *date the numeric date value, *ms the milliseconds since
// midnight (either may be null). kErrFileNotFound when the file is missing.
ErrCode FileTime(StrRef path, int which, int32_t* date, int32_t* ms);

// ---- time stamps ------------------------------------------------------------------------------
// pattern with strftime-style conversions applied to the local time now: %a %A %b %B %d %e %H %I
// %j %m %M %p %S %y %Y %T %D %F and %%; names are the English ones whatever the locale. Any other
// conversion is copied as it is. At most kMaxText characters (kErrOutOfMemory beyond); a null
// pattern is kErrBadInput.
StrRef TimeStampText(const char* pattern);
// The same for a given date value and time of day in milliseconds.
StrRef TimeStampTextAt(const char* pattern, int32_t date, int64_t ms);

}  // namespace rt
