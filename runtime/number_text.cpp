// Canonical number text of a ScaledNumber, reading it back, and the 16-bit integer conversion.
#include "runtime/number_text.h"

#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {

namespace {

constexpr int kMaxDecimals = 19;
constexpr uint32_t kMaxIntegerPart = 20;
// A "D" count beyond this only adds zeros that either overflow the integer part anyway or are
// decimals that cannot change the value, so larger counts are cut here.
constexpr uint32_t kMaxZeroCount = 100000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

StrRef NumberToTextDecimals(int64_t v, int decimals) {
    if (decimals < 0 || decimals > kMaxDecimals) return FailStr(true, kModFormatStrings, kErrBadInput, {});
    const bool negative = v < 0;
    uint64_t mag = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);

    // Digits of the magnitude, right to left, then zeros up to `decimals` digits.
    char digits[24];
    int n = 0;
    while (mag) {
        digits[n++] = static_cast<char>('0' + mag % 10);
        mag /= 10;
    }
    while (n < decimals) digits[n++] = '0';
    // Trailing zeros of the fraction go away; what is left of it decides the point.
    int zeros = 0;
    while (zeros < decimals && digits[zeros] == '0') ++zeros;
    const int shown = decimals - zeros;

    char buf[48];
    int len = 0;
    if (negative) buf[len++] = '-';
    for (int k = n - 1; k >= zeros; --k) {
        if (k == shown + zeros - 1) buf[len++] = '.';
        buf[len++] = digits[k];
    }
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(len)));
}

StrRef NumberToText(ScaledNumber v) { return NumberToTextDecimals(v, Precision()); }

ErrCode TextToNumber(StrRef text, ScaledNumber* out) {
    *out = 0;
    if (!text.ok()) return StrError(text);
    const StrRef t = Trim(text, kTrimStart | kTrimEnd);

    // "15D2": the text before the D followed by as many zeros as the count says. The zeros are
    // never materialised; at() reads the extended text.
    uint32_t baseLen = t.len;
    uint32_t zeros = 0;
    const uint16_t dPos = FindChar(t, 0, 'D', true);
    if (dPos != kNpos) {
        baseLen = dPos;
        for (uint32_t i = dPos + 1u; i < t.len && IsDigit(t.ptr[i]); ++i) {
            zeros = zeros * 10 + static_cast<uint32_t>(t.ptr[i] - '0');
            if (zeros > kMaxZeroCount) zeros = kMaxZeroCount;
        }
    }
    const uint32_t total = baseLen + zeros;
    auto at = [&](uint32_t i) { return i < baseLen ? t.ptr[i] : '0'; };

    uint32_t point = 0;
    while (point < baseLen && t.ptr[point] != '.') ++point;
    if (point == baseLen) point = total;
    // The integer part fills a fixed buffer; a longer one is refused rather than overrun.
    if (point > kMaxIntegerPart) return Fail(true, kModFormatStrings, kErrBadInput, 0);

    const uint32_t p = static_cast<uint32_t>(Precision());
    const uint32_t decimals = point < total ? total - point - 1 : 0;
    const uint32_t extra = decimals > p ? decimals - p : 0;  // e: decimals beyond P
    const uint32_t bufLen = point + (decimals > p ? decimals : p);
    // The digit buffer: integer part, exactly P decimals (missing ones as 0), further decimals.
    auto buf = [&](uint32_t k) -> char {
        if (k < point) return at(k);
        const uint32_t d = k - point;
        return d < decimals ? at(point + 1 + d) : '0';
    };

    // Read it as a signed integer: optional sign, digits up to the first other character.
    uint32_t k = 0;
    bool negative = false;
    if (k < bufLen && (buf(k) == '-' || buf(k) == '+')) negative = buf(k++) == '-';
    const uint32_t first = k;
    while (k < bufLen && IsDigit(buf(k))) ++k;
    const uint32_t read = k - first;

    // Rounding to a multiple of 10^e and dividing by it keeps the leading (read - e) digits and
    // adds one when the first dropped digit is 5 or more; done on the digits, nothing overflows
    // however many decimals were given.
    const uint32_t kept = read > extra ? read - extra : 0;
    uint64_t mag = 0;
    for (uint32_t i = 0; i < kept; ++i) {
        const uint64_t digit = static_cast<uint64_t>(buf(first + i) - '0');
        if (mag > (UINT64_MAX - digit) / 10) return Fail(true, kModFormatStrings, kErrDataOutBound, 0);
        mag = mag * 10 + digit;
    }
    if (extra > 0 && read >= extra && buf(first + kept) >= '5') {
        if (mag == UINT64_MAX) return Fail(true, kModFormatStrings, kErrDataOutBound, 0);
        ++mag;
    }
    const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
    if (mag > limit) return Fail(true, kModFormatStrings, kErrDataOutBound, 0);
    *out = negative ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
    return 0;
}

int16_t NumberToInt16(ScaledNumber v) {
    const int64_t s = ScaleFactor();
    int64_t q = v / s;
    const int64_t r = v % s;
    const int64_t half = s / 2;
    if (half != 0 && (r >= half || r <= -half)) q += r < 0 ? -1 : 1;
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(q)));
}

ScaledNumber NumberFromInt16(int16_t i) { return static_cast<ScaledNumber>(i) * ScaleFactor(); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace rt
