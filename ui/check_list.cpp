// Building the check list's form definition and reading its answers as a bit mask.
#include "ui/check_list.h"

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_building.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "ui/form_value.h"

namespace rt {

StrRef CheckListDefinition(StrRef names, int16_t sysVar) {
    if (!names.ok()) return names;
    const uint16_t count = FieldCount(names, ',');
    if (count > kMaxCheckNames) {
        RecordError(kErrBadInput, kModScreens);
        return StrErr(ReportError(kErrBadInput, names));
    }
    const uint16_t bits = sysVar >= 0 ? static_cast<uint16_t>(IntGet(static_cast<uint16_t>(sysVar))) : 0;
    PoolScope scope;
    StrRef definition = StrEmpty();
    for (uint16_t n = 1; n <= count; ++n) {
        const StrRef name = FormUnquote(Field(names, ',', n));
        const bool brace = name.len && name.at(0) == '{';
        const StrRef label = Concat(Concat(StrFromLiteral(brace ? "{}" : ""), name), StrFromLiteral(" "));
        const StrRef field = Concat(FormQuote(label), StrFromLiteral((bits >> (n - 1)) & 1 ? ":'L1'::1" : ":'L1'::0"));
        definition = n == 1 ? field : Concat(Concat(definition, StrFromLiteral(",")), field);
        if (!definition.ok()) return definition;
        if (ErrCode err = PoolKeep(scope.mark(), {&definition})) return StrErr(err);
    }
    return scope.Return(definition);
}

uint16_t CheckListMask(StrRef values, int16_t sysVar) {
    uint16_t mask = 0;
    const uint16_t count = FieldCount(values, ',');
    for (uint16_t n = 1; n <= count && n <= kMaxCheckNames; ++n) {
        const uint16_t mark = PoolMark();
        if (IsYes(Trim(FormUnquote(Field(values, ',', n)), kTrimStart | kTrimEnd))) mask = static_cast<uint16_t>(mask | (1u << (n - 1)));
        PoolRelease(mark);
    }
    if (sysVar >= 0) IntSet(static_cast<uint16_t>(sysVar), static_cast<int16_t>(mask));
    return mask;
}

}  // namespace rt
