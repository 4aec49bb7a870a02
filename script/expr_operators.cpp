// The operator table with its precedences, and the arithmetic, bit, logical and text operations.
#include "script/expr_operators.h"

#include <cstring>

#include "runtime/small_numeric.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/typed_arrays.h"
#include "script/expr_cursor.h"

namespace rt {

namespace {

using Wide = __int128;

// The operators in index order (index = position + 1); byte 0xF7 is "minus percent".
const char* const kOperators[kOperatorCount] = {
    "*", "/", "!", "%", "\xf7", "+", "-", "=", ">", "<", "==", ">=", "<=", "<>", "&", "|", "@", "&&", "||", "@@",
};
// '|' binds tighter than multiplication; '=' is lowest and right-associative.
const uint16_t kPrecedence[kOperatorCount + 1] = {0, 4, 4, 4, 4, 4, 3, 3, 0, 2, 2, 2, 2, 2, 2, 1, 5, 1, 1, 1, 1};

constexpr int64_t kPow10[19] = {
    1LL, 10LL, 100LL, 1000LL, 10000LL, 100000LL, 1000000LL, 10000000LL, 100000000LL, 1000000000LL,
    10000000000LL, 100000000000LL, 1000000000000LL, 10000000000000LL, 100000000000000LL,
    1000000000000000LL, 10000000000000000LL, 100000000000000000LL, 1000000000000000000LL,
};

// Rounded division on 128 bits (half away from zero); b is never 0 here.
Wide RoundedDivideWide(Wide a, Wide b) {
    bool negative = (a < 0) != (b < 0);
    Wide ma = a < 0 ? -a : a;
    Wide mb = b < 0 ? -b : b;
    Wide q = ma / mb;
    Wide r = ma % mb;
    // Exactly half or more moves away from zero; an odd divisor's half is not truncated.
    if (mb > 1 && 2 * r >= mb) ++q;
    return negative ? -q : q;
}

bool FitsNumber(Wide v) { return v >= INT64_MIN && v <= INT64_MAX; }

ErrCode Store(Wide v, ScaledNumber* out) {
    if (!FitsNumber(v)) return kErrExpCalc;
    *out = static_cast<ScaledNumber>(v);
    return 0;
}

// L rescaled to n decimals while keeping P decimals.
ErrCode RoundTo(ScaledNumber left, int64_t n, ScaledNumber* out) {
    int p = Precision();
    if (n >= p) {
        int64_t shift = n - p;
        if (left == 0) return Store(0, out);
        if (shift > 18) return kErrExpCalc;
        return Store(static_cast<Wide>(left) * kPow10[shift], out);
    }
    int64_t shift = p - n;
    // Beyond 10^18 every 64-bit value rounds to 0 or to a multiple that no longer fits.
    if (shift > 18) return left == 0 ? Store(0, out) : kErrExpCalc;
    Wide unit = kPow10[shift];
    return Store(RoundedDivideWide(left, unit) * unit, out);
}

}  // namespace

uint16_t OperatorIndex(StrRef text) {
    if (!text.ok()) return kOpNone;
    for (uint16_t i = 0; i < kOperatorCount; ++i) {
        size_t n = std::strlen(kOperators[i]);
        if (n == text.len && std::memcmp(kOperators[i], text.ptr, n) == 0) return static_cast<uint16_t>(i + 1);
    }
    return kOpNone;
}

uint16_t OperatorPrecedence(uint16_t op) { return op <= kOperatorCount ? kPrecedence[op] : 0; }

ErrCode CombineNumbers(uint16_t op, ScaledNumber left, ScaledNumber right, ScaledNumber* out) {
    const Wide s = ScaleFactor();
    const Wide l = left, r = right;
    // Integer parts, truncated toward zero.
    const int64_t i = left / static_cast<int64_t>(s), j = right / static_cast<int64_t>(s);
    switch (op) {
        case kOpMul: return Store(RoundedDivideWide(l * r, s), out);
        case kOpDiv:
            // Division by zero gives 0: form totals over empty sets rely on it.
            if (right == 0) return Store(0, out);
            return Store(RoundedDivideWide(l * s, r), out);
        case kOpPercent: return Store(RoundedDivideWide(RoundedDivideWide(l * r, 100), s), out);
        case kOpMinusPercent: return Store(l - RoundedDivideWide(RoundedDivideWide(l * r, 100), s), out);
        case kOpRound: return RoundTo(left, j, out);
        case kOpAdd: return Store(l + r, out);
        case kOpSub: return Store(l - r, out);
        case kOpGreater: return Store(left > right ? s : 0, out);
        case kOpLess: return Store(left < right ? s : 0, out);
        case kOpEqual: return Store(left == right ? s : 0, out);
        case kOpGreaterEq: return Store(left >= right ? s : 0, out);
        case kOpLessEq: return Store(left <= right ? s : 0, out);
        case kOpNotEqual: return Store(left != right ? s : 0, out);
        case kOpBitAnd: return Store(s * static_cast<Wide>(i & j), out);
        case kOpUnion:
        case kOpUnionAt: return Store((i & j) == 0 ? s * static_cast<Wide>(i | j) : 0, out);
        // Any non-zero value is true (not only one whose low 16 bits are set).
        case kOpAnd: return Store(left != 0 && right != 0 ? s : 0, out);
        case kOpOr: return Store(left != 0 || right != 0 ? s : 0, out);
        case kOpNoCommon:
            if ((i | j) == 0) return Store(0, out);
            return Store((i & j) == 0 ? s : 0, out);
        default: return kErrSyntax;
    }
}

bool TextsMatch(StrRef left, StrRef right) {
    if (Compare(left, right) == 0) return true;
    if (FlagTest(kSysAuxStat, kAuxStatNoPatterns)) return false;
    uint16_t star = FindChar(right, 0, '*', true);
    if (star == kNpos) return false;
    uint16_t mark = PoolMark();
    bool match = false;
    if (star > 0) {
        match = left.len >= star && CompareFold(StrMake(left.ptr, star), StrMake(right.ptr, star), true) == 0;
    } else {
        uint16_t end = FindChar(right, 1, '*', true);
        if (end == kNpos) end = right.len;
        StrRef part = StrMake(right.ptr + 1, static_cast<uint16_t>(end - 1));
        match = FindStr(Case(left, 1), part, true) != kNpos;
    }
    PoolRelease(mark);
    return match;
}

ErrCode CombineTexts(uint16_t op, StrRef left, StrRef right, ExprValue* out) {
    const ScaledNumber one = ScaleFactor();
    if (op == kOpAdd) {
        if (static_cast<uint32_t>(left.len) + right.len > kMaxText) return kErrOutOfMemory;
        StrRef joined = PoolConcat(left, right);
        if (!joined.ok()) return StrError(joined);
        *out = ExprValue::Text(joined);
        return 0;
    }
    uint16_t cmp = Compare(left, right);
    bool truth;
    switch (op) {
        case kOpGreater: truth = cmp == 1; break;
        case kOpLess: truth = cmp == 0xFFFF; break;
        case kOpEqual: truth = TextsMatch(left, right); break;
        case kOpGreaterEq: truth = cmp != 0xFFFF; break;
        case kOpLessEq: truth = cmp != 1; break;
        case kOpNotEqual: truth = cmp != 0; break;
        default: return kErrSyntax;
    }
    *out = ExprValue::Number(truth ? one : 0);
    return 0;
}

}  // namespace rt
