// The evaluator's typed entry points: conditions, integers, texts and effects only.
#include "runtime/temp_pool.h"
#include "runtime/variables.h"
#include "script/expr_eval.h"
#include "runtime/number_text.h"

namespace rt {

namespace {

bool BlankText(StrRef text) {
    for (uint16_t i = 0; i < text.len; ++i)
        if (text.ptr[i] != ' ') return false;
    return true;
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
    PoolScope scope;
    ExprValue v;
    uint16_t st = EvaluateValue(text, &v);
    if (st == kResultNumber) return scope.Return(NumberToText(v.number));
    if (st == kResultString) return scope.Return(v.text);
    return StrErr(st);
}

ErrCode ExecuteStatements(StrRef text) {
    uint16_t mark = PoolMark();
    uint16_t st = Evaluate(text);
    PoolRelease(mark);
    return st >= kFirstSerious ? st : 0;
}

}  // namespace rt
