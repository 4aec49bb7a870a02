// The evaluator's typed entry points: conditions, integers, texts, effects only, typed assignment.
#include "runtime/temp_pool.h"
#include "runtime/variables.h"
#include "script/expr_eval.h"
#include "script/number_text.h"

namespace rt {

namespace {

bool BlankText(StrRef text) {
    for (uint16_t i = 0; i < text.len; ++i)
        if (text.ptr[i] != ' ') return false;
    return true;
}

// Leading blanks, an optional sign and decimal digits, as a whole number (saturating far beyond
// anything a scaled 64-bit value can hold).
int64_t ReadWholeNumber(StrRef text) {
    uint16_t i = 0;
    while (i < text.len && (text.ptr[i] == ' ' || text.ptr[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.len && (text.ptr[i] == '-' || text.ptr[i] == '+')) negative = text.ptr[i++] == '-';
    constexpr int64_t kCeiling = INT64_MAX / 100000;
    int64_t v = 0;
    for (; i < text.len && text.ptr[i] >= '0' && text.ptr[i] <= '9'; ++i) {
        v = v * 10 + (text.ptr[i] - '0');
        if (v > kCeiling) v = kCeiling;
    }
    return negative ? -v : v;
}

}  // namespace

uint16_t EvaluateCondition(StrRef text) {
    if (text.ok() && BlankText(text)) return 1;
    uint16_t mark = PoolMark();
    ExprValue v;
    uint16_t st = EvaluateValue(text, &v);
    PoolRelease(mark);
    if (st == kResultNumber) return v.number != 0 ? 1 : 0;
    if (st == kResultString || st < kErrUserCanceled) return 0;
    return st;
}

int16_t EvaluateInteger(StrRef text) {
    uint16_t mark = PoolMark();
    ExprValue v;
    uint16_t st = EvaluateValue(text, &v);
    PoolRelease(mark);
    if (st >= kFirstSerious) return INT16_MIN;
    if (st != kResultNumber) return 0;
    return NumberToInt16(v.number);
}

StrRef EvaluateToText(StrRef text) {
    uint16_t mark = PoolMark();
    ExprValue v;
    uint16_t st = EvaluateValue(text, &v);
    if (st == kResultNumber) return PoolReturn(mark, NumberToText(v.number));
    if (st == kResultString) return PoolReturn(mark, v.text);
    PoolRelease(mark);
    return StrErr(st);
}

ErrCode ExecuteStatements(StrRef text) {
    uint16_t mark = PoolMark();
    uint16_t st = Evaluate(text);
    PoolRelease(mark);
    return st >= kFirstSerious ? st : 0;
}

ErrCode AssignTyped(uint16_t type, StrRef text) {
    if (!text.ok()) return StrError(text);
    uint16_t mark = PoolMark();
    StrRef slot;
    switch (type) {
        case kVarInteger: {
            int64_t whole = ReadWholeNumber(text);
            slot = NumberToSlot(whole * ScaleFactor());
            break;
        }
        case kVarString:
            slot = PoolCopy(text);
            break;
        case kVarNumber: {
            ScaledNumber v = 0;
            ErrCode err = TextToNumber(text, &v);
            PoolRelease(mark);
            if (err) return err;
            slot = NumberToSlot(v);
            break;
        }
        default:
            return kErrSyntax;
    }
    if (!slot.ok()) {
        PoolRelease(mark);
        return StrError(slot);
    }
    return StrError(PoolReturn(mark, slot));
}

}  // namespace rt
