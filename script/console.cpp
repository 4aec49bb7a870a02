// The console interpreter's line runner.
#include "script/console.h"

#include "runtime/temp_pool.h"
#include "script/expr_eval.h"
#include "runtime/number_text.h"

namespace rt {

int RunConsoleLine(StrRef line, std::string* out) {
    uint16_t mark = PoolMark();
    ExprValue v;
    uint16_t st = EvaluateValue(line, &v);
    std::string text;
    if (st >= kErrUserCanceled) {
        text = "E:" + std::to_string(st);
    } else if (v.isString) {
        text = "S:" + std::string(v.text.ptr, v.text.len);
    } else {
        StrRef number = NumberToText(v.number);
        text = "N:";
        if (number.ok()) {
            text.append(number.ptr, number.len);
        } else {
            text = "E:" + std::to_string(StrError(number));
        }
    }
    PoolRelease(mark);
    if (out) *out = std::move(text);
    return st;
}

}  // namespace rt
