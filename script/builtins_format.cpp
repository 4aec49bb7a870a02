// FN$MASK: a value laid out by an edit mask, or a number as plain text.
#include "script/builtins.h"
#include "script/builtins_common.h"
#include "script/edit_mask.h"

namespace rt {

// FN$MASK (mask-or-number; value; mode [255]): mode 1 shows the decimal point as '.' and the
// thousands separator as ',', the default 255 the other way round.
ErrCode BuiltinMask(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 3)) return err;
    if (ArgType(call, 1) == 0) {
        // A number alone is shown as its plain text; a number cannot serve as a mask.
        if (call.count > 1) return kErrTypeMismatch;
        ScaledNumber v = 0;
        ArgNumber(call, 1, 0, &v);
        return ResultText(NumberToText(v), result);
    }
    StrRef mask, value;
    int16_t mode = kMaskModeComma;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &mask)) return err;
    if (ErrCode err = ArgAsText(call, 2, StrEmpty(), &value)) return err;
    if (ErrCode err = ArgInt(call, 3, kMaskModeComma, &mode)) return err;
    return ResultText(MaskFormat(mask, value, mode), result);
}

}  // namespace rt
