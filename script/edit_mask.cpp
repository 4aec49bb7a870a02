// Mask formatting: text layout and numeric layout of a value under an edit mask.
#include "script/edit_mask.h"

#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsDigitPos(char c) { return c == '#' || c == '0'; }

bool IsNumberChar(char c) {
    return IsDigit(c) || c == '.' || c == '-' || c == ',' || c == 'D' || c == ' ';
}

bool AllNumberChars(StrRef v) {
    for (char c : v)
        if (!IsNumberChar(c)) return false;
    return true;
}

// Text layout: '\' takes the value's next character, '?' the character at its own position
// when the mask's first placeholder is '?' (the next one otherwise); blanks beyond the value.
StrRef TextLayout(StrRef mask, StrRef value) {
    const uint16_t mark = PoolMark();
    ErrCode err = 0;
    char* out = PoolBuffer(mask.len, &err);
    if (!out) return StrErr(err);
    for (uint16_t i = 0; i < mask.len; ++i) out[i] = mask.ptr[i];
    // "\   \" stands for as many text positions as it is wide.
    for (uint16_t i = 0; i < mask.len; ++i) {
        if (out[i] != '\\') continue;
        uint16_t j = i + 1;
        while (j < mask.len && out[j] == ' ') ++j;
        if (j < mask.len && out[j] == '\\')
            for (uint16_t k = i; k < j; ++k) out[k] = '\\';
        i = j - 1;  // the closing '\' may open the next run
    }
    const uint16_t first = FindAny(mask, StrFromLiteral("\\?#0"), true);
    const bool samePosition = first != kNpos && mask.ptr[first] == '?';
    uint16_t next = 0;
    for (uint16_t i = 0; i < mask.len; ++i) {
        if (out[i] == '\\') {
            out[i] = next < value.len ? value.ptr[next++] : ' ';
        } else if (out[i] == '?') {
            if (samePosition)
                out[i] = i < value.len ? value.ptr[i] : ' ';
            else
                out[i] = next < value.len ? value.ptr[next++] : ' ';
        }
    }
    return PoolReturn(mark, StrMake(out, mask.len));
}

// The value as sign, integer digits and decimals, rounded and padded to the mask's decimals.
struct NumberParts {
    bool negative = false;
    bool hasDigits = false;   // the value as given held at least one digit
    char* text = nullptr;     // value without the sign: integer part, then '.' and decimals
    uint32_t len = 0;
    uint32_t intLen = 0;      // characters before the point (or all)
    bool point = false;
};

// Adds one unit in the last place of text[0..len), carrying through the digits; a carry out of
// the leading digit (or into a non-digit) inserts a '1' there. text has room for one more byte.
void Increment(char* text, uint32_t& len, uint32_t& intLen) {
    uint32_t k = len;
    while (k > 0) {
        char& c = text[k - 1];
        if (c == '.') { --k; continue; }
        if (!IsDigit(c)) break;
        if (c != '9') { ++c; return; }
        c = '0';
        --k;
    }
    for (uint32_t m = len; m > k; --m) text[m] = text[m - 1];
    text[k] = '1';
    ++len;
    ++intLen;
}

// Splits the trimmed value and brings its decimals to `decimals` (rounding half away from zero,
// or padding with 0 when it has digits); withPoint says whether the mask has a decimal point.
ErrCode PrepareValue(StrRef v, uint32_t decimals, bool withPoint, NumberParts* out) {
    NumberParts p;
    uint16_t start = 0;
    if (v.len && v.ptr[0] == '-') {
        p.negative = true;
        start = 1;
    }
    for (char c : v)
        if (IsDigit(c)) p.hasDigits = true;
    const uint32_t body = v.len - start;
    ErrCode err = 0;
    p.text = PoolBuffer(body + decimals + 3, &err);
    if (!p.text) return err;
    uint32_t pointAt = body;
    for (uint32_t k = 0; k < body; ++k) {
        p.text[k] = v.ptr[start + k];
        if (p.text[k] == '.' && pointAt == body) pointAt = k;
    }
    p.intLen = pointAt;
    const uint32_t have = pointAt < body ? body - pointAt - 1 : 0;
    p.len = pointAt;
    if (have > decimals) {
        const bool up = p.text[pointAt + 1 + decimals] >= '5';
        p.len = pointAt + (decimals ? decimals + 1 : 0);
        if (up) Increment(p.text, p.len, p.intLen);
    } else if (have > 0 || (withPoint && p.hasDigits)) {
        p.len = pointAt + 1 + have;
        p.text[pointAt] = '.';
        if (p.hasDigits)
            while (p.len < pointAt + 1 + decimals) p.text[p.len++] = '0';
    }
    if (!withPoint && p.len > p.intLen) p.len = p.intLen;  // nothing after the point survives
    p.point = p.len > p.intLen;
    // A value without integer digits is shown with a 0 before its decimal separator.
    if (p.point && p.intLen == 0 && p.hasDigits) {
        for (uint32_t m = p.len; m > 0; --m) p.text[m] = p.text[m - 1];
        p.text[0] = '0';
        ++p.len;
        ++p.intLen;
    }
    // Rounding may leave nothing but zeros; that is no negative number.
    if (p.negative && p.hasDigits) {
        bool nonZero = false;
        for (uint32_t k = 0; k < p.len; ++k)
            if (p.text[k] != '0' && p.text[k] != '.') nonZero = true;
        p.negative = nonZero;
    }
    *out = p;
    return 0;
}

StrRef NumericLayout(StrRef mask, StrRef value, char decimalSep, char thousandsSep) {
    PoolScope scope;
    uint16_t ns = 0;
    while (!IsDigitPos(mask.ptr[ns])) ++ns;
    uint16_t ne = mask.len - 1;
    while (!IsDigitPos(mask.ptr[ne])) --ne;
    const StrRef numeric = StrMake(mask.ptr + ns, static_cast<uint16_t>(ne - ns + 1));

    uint16_t maskPoint = FindChar(numeric, 0, '.', true);
    const bool withPoint = maskPoint != kNpos;
    uint32_t decimals = 0, intPositions = 0;
    for (uint16_t k = 0; k < numeric.len; ++k) {
        if (!IsDigitPos(numeric.ptr[k])) continue;
        if (withPoint && k > maskPoint) ++decimals;
        else ++intPositions;
    }

    NumberParts v;
    if (ErrCode err = PrepareValue(value, decimals, withPoint, &v))
        return FailStr(true, kModFormatStrings, err, {});
    const uint32_t valueInt = v.intLen + (v.negative ? 1 : 0);

    // Integer digits that do not fit take the thousands separators' places and widen the mask.
    const uint32_t widen = valueInt > intPositions ? valueInt - intPositions : 0;
    ErrCode err = 0;
    char* m = PoolBuffer(numeric.len + widen, &err);
    if (!m) return FailStr(true, kModFormatStrings, err, {});
    uint32_t mLen = 0;
    for (uint32_t k = 0; k < widen; ++k) m[mLen++] = '#';
    for (uint16_t k = 0; k < numeric.len; ++k) {
        const char c = numeric.ptr[k];
        if (widen && c == ',' && (!withPoint || k < maskPoint)) continue;
        m[mLen++] = c;
    }
    const uint32_t suffix = mask.len - ne - 1u;
    const uint32_t outLen = ns + mLen + suffix;
    if (outLen > kMaxText) return FailStr(true, kModFormatStrings, kErrOutOfMemory, {});
    char* out = PoolBuffer(outLen, &err);
    if (!out) return FailStr(true, kModFormatStrings, err, {});

    // Right to left: value characters from the right, separators of the mask kept, then what
    // the used-up digit positions show.
    char* n = out + ns;
    int64_t r = static_cast<int64_t>(v.len) - 1;
    bool signLeft = v.negative;
    bool signPending = false;
    for (int64_t j = static_cast<int64_t>(mLen) - 1; j >= 0; --j) {
        const char mc = m[j];
        const bool left = j > 0 && m[j - 1] == '#';
        char& o = n[j];
        if (!IsDigitPos(mc) && mc != '.' && mc != ',') {
            o = mc;
        } else if (r >= 0) {
            if (mc == ',') {
                o = thousandsSep;
            } else {
                const char c = v.text[r--];
                o = c == '.' ? decimalSep : c;
            }
        } else if (signLeft) {
            signLeft = false;
            // A zero-filled mask keeps its zeros together: the sign goes to the front instead.
            bool digitFurther = false;
            for (int64_t k = 0; k < j; ++k)
                if (IsDigitPos(m[k])) digitFurther = true;
            if (mc == '0' && digitFurther) {
                o = '0';
                signPending = true;
            } else {
                o = '-';
            }
        } else if (mc == '#') {
            o = ' ';
        } else if (mc == ',') {
            o = left ? ' ' : thousandsSep;
        } else if (mc == '.') {
            o = (left && !v.hasDigits) ? ' ' : decimalSep;
        } else {
            o = '0';
        }
    }
    if (signPending) n[0] = '-';

    for (uint16_t k = 0; k < ns; ++k) out[k] = mask.ptr[k];
    for (uint32_t k = 0; k < suffix; ++k) out[ns + mLen + k] = mask.ptr[ne + 1 + k];
    return scope.Return(StrMake(out, static_cast<uint16_t>(outLen)));
}

}  // namespace

StrRef MaskFormat(StrRef mask, StrRef value, int mode) {
    if (!mask.ok()) return mask;
    if (!value.ok()) return value;
    const uint16_t first = FindAny(mask, StrFromLiteral("\\?#0"), true);
    if (first == kNpos) return mask;
    if (IsDigitPos(mask.ptr[first])) {
        if (mode == kMaskModePoint || AllNumberChars(value)) {
            const StrRef v = Trim(value, kTrimStart | kTrimEnd);
            if (mode == kMaskModePoint) return NumericLayout(mask, v, '.', ',');
            return NumericLayout(mask, v, ',', '.');
        }
        if (FindAny(mask, StrFromLiteral("\\?"), true) == kNpos) return mask;
    }
    return TextLayout(mask, value);
}

}  // namespace rt
