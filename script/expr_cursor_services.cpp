// Scanner services for forms: classify a text's first operand, and cut out operands and arguments.
#include "runtime/text_ops.h"
#include "script/expr_cursor.h"

namespace rt {

ExprCursor ClassifyFirstOperand(StrRef text) { return ScanStep(CursorOf(text)); }

StrRef FirstOperandText(StrRef text) {
    if (!text.ok()) return text;
    ExprCursor c = ClassifyFirstOperand(text);
    if (c.status) return StrErr(c.status);
    return Trim(OperandText(c), kTrimStart | kTrimEnd);
}

StrRef ArgumentText(StrRef args, uint16_t n) {
    if (!args.ok()) return args;
    if (n == 0 || args.len == 0) return StrMake(args.ptr, 0);
    uint16_t pos = 0;
    for (uint16_t k = 1;; ++k) {
        uint16_t sep = FindSeparator(args, pos);
        if (k == n) return Trim(StrMake(args.ptr + pos, static_cast<uint16_t>(sep - pos)), kTrimStart | kTrimEnd);
        if (sep >= args.len) return StrMake(args.ptr + args.len, 0);
        pos = static_cast<uint16_t>(sep + 1);
    }
}

}  // namespace rt
