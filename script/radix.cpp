// Integers written in and read from a radix between 2 and 36.
#include "script/radix.h"

#include "runtime/error_record.h"
#include "runtime/temp_pool.h"

namespace rt {

namespace {

constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

}  // namespace

StrRef IntToRadix(int64_t v, int radix) {
    if (radix < 2 || radix > 36) return FailStr(true, kModFormatStrings, kErrBadInput, {});
    char buf[72];
    int n = 0;
    uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    const uint64_t r = static_cast<uint64_t>(radix);
    do {
        buf[sizeof buf - 1 - n++] = kDigits[mag % r];
        mag /= r;
    } while (mag);
    if (v < 0) buf[sizeof buf - 1 - n++] = '-';
    return PoolCopy(StrMake(buf + sizeof buf - n, static_cast<uint16_t>(n)));
}

ErrCode RadixToInt(StrRef text, int radix, int64_t* out) {
    *out = 0;
    if (!text.ok()) return StrError(text);
    if (radix < 2 || radix > 36) return Fail(true, kModFormatStrings, kErrBadInput, 0);
    uint64_t mag = 0;
    uint64_t place = 1;
    bool placeOverflow = false;  // the place value left 64 bits: only zeros may follow
    bool negative = false;
    for (uint16_t i = text.len; i > 0; --i) {
        const char c = text.ptr[i - 1];
        const int d = DigitValue(c);
        if (d >= radix) {
            negative = c == '-';
            break;
        }
        if (d != 0) {
            if (placeOverflow) return Fail(true, kModFormatStrings, kErrDataOutBound, 0);
            const uint64_t add = static_cast<uint64_t>(d);
            if (place > UINT64_MAX / add || mag > UINT64_MAX - add * place)
                return Fail(true, kModFormatStrings, kErrDataOutBound, 0);
            mag += add * place;
        }
        if (place > UINT64_MAX / static_cast<uint64_t>(radix)) placeOverflow = true;
        else place *= static_cast<uint64_t>(radix);
    }
    const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
    if (mag > limit) return Fail(true, kModFormatStrings, kErrDataOutBound, 0);
    *out = negative ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
    return 0;
}

}  // namespace rt
