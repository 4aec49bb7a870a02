// Width fitting: a field's value brought to the field's width according to its type.
#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "script/edit_mask.h"
#include "script/field_types.h"

namespace rt {

namespace {

// value placed in width bytes: left-aligned (blanks after) or right-aligned (blanks before),
// cut at the right when longer.
StrRef Place(StrRef value, int width, bool right) {
    if (width > kMaxText) return FailStr(true, kModFormatStrings, kErrOutOfMemory, {});
    ErrCode err = 0;
    char* out = PoolBuffer(static_cast<uint32_t>(width), &err);
    if (!out) return FailStr(true, kModFormatStrings, err, {});
    const int n = value.len < width ? value.len : width;
    const int pad = width - n;
    for (int i = 0; i < width; ++i) out[i] = ' ';
    for (int i = 0; i < n; ++i) out[(right ? pad : 0) + i] = value.ptr[i];
    return StrMake(out, static_cast<uint16_t>(width));
}

// A number longer than its field: rounded to the decimals that still fit behind its integer
// part. A rounding carry that makes the integer part longer costs a decimal instead.
StrRef FitNumber(StrRef t, int width) {
    const uint16_t point = FindChar(t, 0, '.', true);
    const int intLen = point == kNpos ? t.len : point;
    if (intLen > width) return FailStr(true, kModFormatStrings, kErrDataOutBound, {});
    PoolScope scope;
    for (int decimals = width - intLen - 1; ; --decimals) {
        if (decimals < 0) decimals = 0;
        StrRef mask = PoolAllocFilled(static_cast<uint32_t>(width), '#');
        if (!mask.ok()) return FailStr(true, kModFormatStrings, StrError(mask), {});
        if (decimals > 0) MutPtr(mask)[width - decimals - 1] = '.';
        const StrRef laid = MaskFormat(mask, t, kMaskModePoint);
        if (!laid.ok()) return laid;
        if (laid.len <= width) return scope.Return(laid);
        PoolRelease(scope.mark());
        if (decimals == 0) return FailStr(true, kModFormatStrings, kErrDataOutBound, {});
    }
}

}  // namespace

StrRef FitWidth(char type, StrRef value, int width) {
    if (!value.ok()) return value;
    if (width < 0) return value;
    type = FieldTypeOf(type);
    const uint16_t mark = PoolMark();
    if (type == 'V') return Place(StrEmpty(), width, false);
    if (type == 'D' || type == 'F') {
        // A date with century shown in six places keeps a two-digit year.
        if (value.len == 8 && width == 6) return Place(SubStr(value, 2, 6), width, false);
        return Place(value, width, false);
    }
    if (type == 'N' || type == 'L' || type == 'O' || (type >= '1' && type <= '9')) {
        const StrRef t = Trim(value, kTrimStart | kTrimEnd);
        if (t.len <= width) return Place(t, width, true);
        const StrRef fitted = FitNumber(t, width);
        return fitted.ok() ? PoolReturn(mark, fitted) : fitted;
    }
    // Text types and every other letter are laid out as text.
    return Place(value, width, false);
}

}  // namespace rt
