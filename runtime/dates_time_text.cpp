// Times as text: reading typed times, writing them with the format flags, seconds with decimals,
// and strftime-style time stamps with English names whatever the locale.
#include <cstdio>
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/clock.h"
#include "runtime/dates.h"

namespace rt {

namespace {

constexpr int64_t kMsPerSecond = 1000;
constexpr int64_t kMsPerMinute = 60 * kMsPerSecond;
constexpr int64_t kMsPerHour = 60 * kMsPerMinute;
// More digits than this in one field of a time would overflow the count of milliseconds.
constexpr uint16_t kMaxFieldDigits = 9;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// All-digit text as a number; false for any other character or too many digits. Empty reads 0.
bool Digits(const char* p, uint16_t n, int64_t* out) {
    if (n > kMaxFieldDigits) return false;
    int64_t v = 0;
    for (uint16_t i = 0; i < n; ++i) {
        if (!IsDigit(p[i])) return false;
        v = v * 10 + (p[i] - '0');
    }
    *out = v;
    return true;
}

// The time of the main part (before any '.'), already stripped of signs and completed.
ErrCode MainPart(const char* p, uint16_t n, int64_t* ms) {
    int64_t fields[3] = {0, 0, 0};
    int count = 0;
    const char* colon = static_cast<const char*>(std::memchr(p, ':', n));
    if (colon) {
        uint16_t start = 0;
        for (uint16_t i = 0; i <= n; ++i) {
            if (i < n && p[i] != ':') continue;
            if (count == 3) return kErrBadInput;
            if (!Digits(p + start, static_cast<uint16_t>(i - start), &fields[count++])) return kErrBadInput;
            start = static_cast<uint16_t>(i + 1);
        }
    } else {
        // Pairs of digits from the right: seconds, minutes, then hours with whatever is left.
        if (n > kMaxFieldDigits + 4) return kErrBadInput;
        uint16_t end = n;
        while (end > 0 && count < 3) {
            const uint16_t take = count < 2 ? (end >= 2 ? 2 : end) : end;
            if (!Digits(p + end - take, take, &fields[count++])) return kErrBadInput;
            end = static_cast<uint16_t>(end - take);
        }
        // fields were collected seconds first; put them in reading order.
        if (count == 2) {
            const int64_t s = fields[0];
            fields[0] = fields[1];
            fields[1] = s;
        } else if (count == 3) {
            const int64_t s = fields[0];
            fields[0] = fields[2];
            fields[2] = s;
        }
    }
    int64_t h = 0, m = 0, s = 0;
    if (count == 3) {
        h = fields[0]; m = fields[1]; s = fields[2];
    } else if (count == 2) {
        m = fields[0]; s = fields[1];
    } else if (count == 1) {
        s = fields[0];
    }
    *ms = h * kMsPerHour + m * kMsPerMinute + s * kMsPerSecond;
    return 0;
}

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

struct StampParts {
    int32_t year, month, day, hour, minute, second, weekday, yearDay;
};

// Writes the expansion of pattern to out (when not null) and returns its length, counting on past
// kMaxText so that the caller can refuse an over-long result.
uint32_t Render(const char* pattern, const StampParts& t, char* out) {
    uint32_t n = 0;
    auto put = [&](const char* s, size_t len) {
        if (out) std::memcpy(out + n, s, len);
        n += static_cast<uint32_t>(len);
    };
    auto number = [&](int64_t v, const char* fmt) {
        char buf[24];
        const int len = std::snprintf(buf, sizeof buf, fmt, static_cast<long long>(v));
        put(buf, len > 0 ? static_cast<size_t>(len) : 0);
    };
    for (const char* p = pattern; *p; ++p) {
        if (*p != '%' || !p[1]) {
            put(p, 1);
            continue;
        }
        const char c = *++p;
        const char* const month = kMonthNames[(t.month >= 1 && t.month <= 12 ? t.month : 1) - 1];
        switch (c) {
            case 'a': put(kDayNames[t.weekday], 3); break;
            case 'A': put(kDayNames[t.weekday], std::strlen(kDayNames[t.weekday])); break;
            case 'b': put(month, 3); break;
            case 'B': put(month, std::strlen(month)); break;
            case 'd': number(t.day, "%02lld"); break;
            case 'e': number(t.day, "%2lld"); break;
            case 'H': number(t.hour, "%02lld"); break;
            case 'I': number(t.hour % 12 ? t.hour % 12 : 12, "%02lld"); break;
            case 'j': number(t.yearDay, "%03lld"); break;
            case 'm': number(t.month, "%02lld"); break;
            case 'M': number(t.minute, "%02lld"); break;
            case 'p': put(t.hour < 12 ? "AM" : "PM", 2); break;
            case 'S': number(t.second, "%02lld"); break;
            case 'y': number(t.year % 100, "%02lld"); break;
            case 'Y': number(t.year, "%lld"); break;
            case 'T':
                number(t.hour, "%02lld"); put(":", 1); number(t.minute, "%02lld"); put(":", 1);
                number(t.second, "%02lld");
                break;
            case 'D':
                number(t.month, "%02lld"); put("/", 1); number(t.day, "%02lld"); put("/", 1);
                number(t.year % 100, "%02lld");
                break;
            case 'F':
                number(t.year, "%04lld"); put("-", 1); number(t.month, "%02lld"); put("-", 1);
                number(t.day, "%02lld");
                break;
            case '%': put("%", 1); break;
            default: put(p - 1, 2); break;
        }
    }
    return n;
}

}  // namespace

ErrCode ReadTime(StrRef text, int64_t* ms) {
    *ms = 0;
    if (!text.ok()) return StrError(text);
    const uint16_t mark = PoolMark();
    StrRef s = Trim(text, kTrimStart | kTrimEnd);
    const bool negative = s.len && s.ptr[0] == '-';
    s = KeepChars(s, StrFromLiteral("-+"), true);
    if (!s.ok()) {
        PoolRelease(mark);
        return StrError(s);
    }
    if (s.len == 0) {
        PoolRelease(mark);
        *ms = negative ? -static_cast<int64_t>(Now()) : Now();
        return 0;
    }
    const char* dot = static_cast<const char*>(std::memchr(s.ptr, '.', s.len));
    uint16_t mainLen = dot ? static_cast<uint16_t>(dot - s.ptr) : s.len;

    // The fraction: up to three digits of milliseconds, shorter ones scaled up.
    int64_t millis = 0;
    if (dot) {
        const uint16_t fracLen = static_cast<uint16_t>(s.len - mainLen - 1);
        for (uint16_t i = 0; i < fracLen; ++i) {
            if (!IsDigit(dot[1 + i])) {
                PoolRelease(mark);
                return kErrBadInput;
            }
        }
        const uint16_t used = fracLen < 3 ? fracLen : 3;
        Digits(dot + 1, used, &millis);
        for (uint16_t i = used; i < 3; ++i) millis *= 10;
    }

    // A unit letter completes the text to hours, minutes and seconds. With h the text starts at
    // the hours ("0930h" is 09:30:00), so the fields it lacks follow; with m it ends at the
    // minutes ("30m", "1:30m"), so the seconds follow.
    char buf[kMaxFieldDigits * 3 + 16];
    const char* main = s.ptr;
    const char unit = mainLen ? s.ptr[mainLen - 1] : 0;
    if (unit == 'h' || unit == 'm') {
        const uint16_t digits = static_cast<uint16_t>(mainLen - 1);
        const bool colon = std::memchr(s.ptr, ':', digits) != nullptr;
        const int pad = !colon && digits % 2 ? 1 : 0;
        int extra = 1;
        if (unit == 'h') {
            int fields = (digits + pad) / 2;
            if (colon) {
                fields = 1;
                for (uint16_t i = 0; i < digits; ++i) fields += s.ptr[i] == ':';
            }
            extra = fields < 3 ? 3 - fields : 0;
        }
        if (digits + pad + extra * 3 > static_cast<int>(sizeof buf)) {
            PoolRelease(mark);
            return kErrBadInput;
        }
        uint16_t n = 0;
        if (pad) buf[n++] = '0';
        std::memcpy(buf + n, s.ptr, digits);
        n = static_cast<uint16_t>(n + digits);
        for (int i = 0; i < extra; ++i) {
            if (colon) buf[n++] = ':';
            buf[n++] = '0';
            buf[n++] = '0';
        }
        main = buf;
        mainLen = n;
    }
    int64_t value = 0;
    const ErrCode err = MainPart(main, mainLen, &value);
    PoolRelease(mark);
    if (err) return err;
    value += millis;
    *ms = negative ? -value : value;
    return 0;
}

StrRef WriteTime(int64_t ms, int flags) {
    const bool negative = ms < 0;
    // The magnitude of the most negative count still fits when taken as unsigned.
    const uint64_t mag = negative ? 0 - static_cast<uint64_t>(ms) : static_cast<uint64_t>(ms);
    const unsigned long long hours = mag / kMsPerHour;
    const unsigned minutes = static_cast<unsigned>(mag / kMsPerMinute % 60);
    const unsigned seconds = static_cast<unsigned>(mag / kMsPerSecond % 60);
    const unsigned millis = static_cast<unsigned>(mag % kMsPerSecond);
    const char* colon = flags & kTimeColons ? ":" : "";
    char buf[48];
    int n = std::snprintf(buf, sizeof buf, "%s%02llu%s%02u", negative ? "-" : "", hours, colon, minutes);
    if (flags & kTimeSeconds) n += std::snprintf(buf + n, sizeof buf - n, "%s%02u", colon, seconds);
    if (flags & kTimeMillis) n += std::snprintf(buf + n, sizeof buf - n, ".%03u", millis);
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(n)));
}

ErrCode SecondsToMs(StrRef text, int64_t* ms) {
    *ms = 0;
    if (!text.ok()) return StrError(text);
    const StrRef s = Trim(text, kTrimStart | kTrimEnd);
    uint16_t i = 0;
    bool negative = false;
    if (i < s.len && (s.ptr[i] == '-' || s.ptr[i] == '+')) negative = s.ptr[i++] == '-';
    int64_t whole = 0;
    uint16_t digits = 0;
    for (; i < s.len && IsDigit(s.ptr[i]); ++i, ++digits) {
        if (digits >= 15) return kErrBadInput;
        whole = whole * 10 + (s.ptr[i] - '0');
    }
    // Three decimals are milliseconds; the fourth rounds half away from zero.
    int64_t frac = 0;
    int decimals = 0;
    bool roundUp = false;
    if (i < s.len && s.ptr[i] == '.') {
        for (++i; i < s.len && IsDigit(s.ptr[i]); ++i, ++decimals) {
            if (decimals < 3) frac = frac * 10 + (s.ptr[i] - '0');
            else if (decimals == 3) roundUp = s.ptr[i] >= '5';
        }
        for (int k = decimals; k < 3; ++k) frac *= 10;
    }
    if (i != s.len) return kErrBadInput;
    const int64_t value = whole * kMsPerSecond + frac + (roundUp ? 1 : 0);
    *ms = negative ? -value : value;
    return 0;
}

StrRef TimeStampTextAt(const char* pattern, int32_t date, int64_t ms) {
    if (!pattern) return StrErr(kErrBadInput);
    StampParts t{};
    t.year = DatePart(date, 4);
    t.month = DatePart(date, 2);
    t.day = DatePart(date, 1);
    const int64_t inDay = ms % (24 * kMsPerHour) + (ms < 0 ? 24 * kMsPerHour : 0);
    t.hour = static_cast<int32_t>(inDay / kMsPerHour);
    t.minute = static_cast<int32_t>(inDay / kMsPerMinute % 60);
    t.second = static_cast<int32_t>(inDay / kMsPerSecond % 60);
    const int64_t dayNumber = DayNumber(t.year, t.month, t.day);
    // 1 January 2024 was a Monday; the every-fourth-year calendar agrees with the civil one
    // from 1901 to 2099.
    const int64_t weekday = (dayNumber - DayNumber(2024, 1, 1) + 1) % 7;
    t.weekday = static_cast<int32_t>(weekday < 0 ? weekday + 7 : weekday);
    t.yearDay = static_cast<int32_t>(dayNumber - DayNumber(t.year, 1, 0));
    const uint32_t len = Render(pattern, t, nullptr);
    if (len > kMaxText) return FailStr(true, kModFormatStrings, kErrOutOfMemory, {});
    if (len == 0) return StrEmpty();
    ErrCode err = 0;
    char* out = PoolBuffer(len, &err);
    if (!out) return StrErr(err ? err : kErrOutOfMemory);
    Render(pattern, t, out);
    return StrMake(out, static_cast<uint16_t>(len));
}

StrRef TimeStampText(const char* pattern) {
    const ClockTime now = ClockLocalNow();
    const int64_t ms = ((now.hour * 60 + now.minute) * 60 + now.second) * kMsPerSecond + now.millisecond;
    return TimeStampTextAt(pattern, now.year * 10000 + now.month * 100 + now.day, ms);
}

}  // namespace rt
