// Starting texts of form fields, collection of a form's result, and stores into variables.
#include "ui/form_result.h"

#include <cstring>

#include "runtime/array_vars.h"
#include "runtime/catalogue.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_building.h"
#include "runtime/text_format.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/variables.h"
#include "script/expr_eval.h"
#include "script/field_types.h"
#include "runtime/number_text.h"
#include "ui/form_keys.h"
#include "ui/form_value.h"

namespace rt {
namespace {

constexpr uint16_t kReportedTextMax = 200;
constexpr uint16_t kMessageFieldParams = 17;

// a, sep, b in one new pool text; sep only when a is not empty.
StrRef Append(StrRef a, const char* sep, StrRef b) {
    if (!a.ok()) return a;
    if (!b.ok()) return b;
    const uint16_t sepLen = a.len ? static_cast<uint16_t>(std::strlen(sep)) : 0;
    StrRef out;
    char* w = NewText(uint64_t{a.len} + sepLen + b.len, &out);
    if (w) {
        Put(w, a);
        Put(w, StrMake(sep, sepLen));
        Put(w, b);
    }
    return out;
}

// The text a numeric variable takes from a field's text, before conversion by its type.
StrRef NumericSource(const FormField& field, StrRef text) {
    return IsStringFieldType(field.type) ? CleanNumberInput(text) : FieldStored(field.type, -1, text);
}

// The right-hand side of "name=" for the assignments.
StrRef Literal(const FormField& field, StrRef text) {
    if (VarType(field.target) == kVarString) return FormQuote(text);
    const uint16_t mark = PoolMark();
    ScaledNumber v = 0;
    ErrCode err = TextToNumber(NumericSource(field, text), &v);
    if (err) {
        PoolRelease(mark);
        return StrErr(err);
    }
    const StrRef number = NumberToText(v);
    return PoolReturn(mark, number.ok() && number.len == 0 ? StrFromLiteral("0") : number);
}

// Subscripts of "NAME(a;b)", split at top-level ',' or ';' and evaluated.
ErrCode Subscripts(StrRef inner, int32_t* subs, uint16_t* count) {
    *count = 0;
    int depth = 0;
    uint16_t start = 0;
    for (uint16_t i = 0; i <= inner.len; ++i) {
        const char c = i < inner.len ? inner.ptr[i] : ',';
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (depth != 0 || (c != ',' && c != ';')) continue;
        if (*count == kMaxArrayDims) return kErrDimStruct;
        const int16_t v = EvaluateInteger(StrMake(inner.ptr + start, static_cast<uint16_t>(i - start)));
        if (v == static_cast<int16_t>(0x8000)) return kErrBadExpression;
        subs[(*count)++] = v;
        start = static_cast<uint16_t>(i + 1);
    }
    return 0;
}

}  // namespace

StrRef FormInitialValue(const FormField& field) {
    if (field.initialGiven) return field.initial;
    const uint16_t mark = PoolMark();
    const StrRef last = PoolCopy(StoreGet(kGroupSystem, kItemFormValues));
    return PoolReturn(mark, FormUnquote(Field(last, ',', field.number)));
}

ErrCode ReportFieldText(const FormField& field) {
    const uint16_t mark = PoolMark();
    const StrRef number = Format(8, " %u", unsigned{field.number});
    const StrRef text = SubStr(field.text, 0, kReportedTextMax);
    // The message's two "%s" are filled in order; the field's text is data, never a template.
    const StrRef message = Message(kMessageFieldParams);
    const StrRef fills[2] = {number, text};
    StrRef detail = StrEmpty();
    uint16_t from = 0, used = 0;
    for (uint16_t i = 0; message.ok() && i + 1 < message.len; ++i) {
        if (message.ptr[i] != '%' || message.ptr[i + 1] != 's' || used == 2) continue;
        detail = Append(Append(detail, "", StrMake(message.ptr + from, static_cast<uint16_t>(i - from))), "", fills[used++]);
        from = static_cast<uint16_t>(i + 2);
    }
    if (message.ok()) detail = Append(detail, "", SubStr(message, from, kNpos));
    RecordError(kErrBadInput, kModScreens);
    ReportError(kErrBadInput, detail.ok() ? detail : text);
    PoolRelease(mark);
    return kErrBadInput;
}

ErrCode CheckFieldValue(const FormField& field, StrRef value) {
    if (!value.ok() || (value.len && std::memchr(value.ptr, '\0', value.len))) return ReportFieldText(field);
    return 0;
}

ErrCode FormStoreValue(const FormField& field, StrRef text) {
    const StrRef name = field.store;
    const uint16_t mark = PoolMark();
    const void* open = std::memchr(name.ptr, '(', name.len);
    const StrRef array = open ? StrMake(name.ptr, static_cast<uint16_t>(static_cast<const char*>(open) - name.ptr + 1)) : name;
    const uint16_t type = open ? ElementType(array) : VarType(name);
    ErrCode err = AssignTyped(type, type == kVarString ? text : NumericSource(field, text));
    if (!err) {
        const StrRef slot = PoolTop();
        if (!open) {
            err = VarSet(name, slot);
        } else {
            int32_t subs[kMaxArrayDims] = {};
            uint16_t count = 0;
            err = Subscripts(SubStr(name, array.len, static_cast<uint16_t>(name.len - array.len - 1)), subs, &count);
            if (!err) err = ArrayAssign(array, subs, count, slot);
        }
    }
    PoolRelease(mark);
    return err;
}

ErrCode FormCollect(const Form& form, uint16_t lastKey, uint16_t flags, FieldTextFn read, void* context,
                    FormResult* out) {
    *out = FormResult{};
    out->exitKey = lastKey == kKeyCtrlEnd ? 0 : lastKey;
    out->values = out->assignments = StrEmpty();
    if (out->exitKey == 0 && !(flags & kFormCollectAlways)) return 0;
    if (!IsAcceptingKey(lastKey)) return out->status = kErrUserCanceled;

    const uint16_t mark = PoolMark();
    StrRef values = StrEmpty(), assignments = StrEmpty();
    ErrCode status = 0;
    for (uint16_t i = 0; i < form.fieldCount && !status; ++i) {
        const FormField& field = form.fields[i];
        const StrRef text = field.type == 'Q' ? StrEmpty() : read(context, field);
        if (!text.ok() || CheckFieldValue(field, text)) {
            status = ReportFieldText(field);
            break;
        }
        if (field.store.len && (status = FormStoreValue(field, text))) break;
        values = Append(values, ",", FormQuote(text));
        if (field.target.len) {
            const StrRef literal = Literal(field, text);
            assignments = Append(assignments, ";", Append(field.target, "=", literal));
        }
        if ((status = StrError(values)) || (status = StrError(assignments))) break;
        status = PoolKeep(mark, {&values, &assignments});
    }
    if (status) {
        PoolRelease(mark);
        return out->status = status;
    }
    if ((status = StoreSet(kGroupSystem, kItemFormValues, values)) ||
        (status = StoreSet(kGroupSystem, kItemFormAssignments, assignments))) {
        PoolRelease(mark);
        return out->status = status;
    }
    out->values = values;
    out->assignments = assignments;
    return 0;
}

}  // namespace rt
