// The variable store: name lists, typed reads and assignments, string constants, screen-field names.
#include "runtime/variables.h"

#include <cstring>

#include "runtime/error_record.h"
#include "runtime/host_hooks.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "runtime/number_text.h"

namespace rt {

namespace {

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


constexpr char kConstantNames[] = "lf$,lx$,tab$,pchr$,qtd$,qts$,null$,mo$,mc$,pch$";
const StrRef kConstantValues[] = {
    {"\r\n", 2}, {"\n", 1}, {"\t", 1}, {"\\", 1}, {"\"", 1},
    {"'", 1},    {"", 0},   {"[", 1},  {"]", 1},  {"\\", 1},
};

constexpr char kPrecisName[] = "_PRECIS";

StrRef Lit(const char* text) { return StrFromLiteral(text); }

uint16_t NameListItem(uint16_t type) {
    switch (type) {
        case kVarNumber: return kNamesNumber;
        case kVarString: return kNamesString;
        case kVarArray: return kNamesArray;
        default: return kNamesInteger;
    }
}

// A name must fit one field of a comma list that is split outside quotes.
bool StorableName(StrRef name) {
    if (!name.ok() || name.len == 0) return false;
    for (uint16_t i = 0; i < name.len; ++i) {
        char c = name.ptr[i];
        if (c == ',' || c == '\'' || c == '"') return false;
    }
    return true;
}

VarHookFn VariableHook() { return HookAs<VarHookFn>(kHookVariables); }

bool IsSystemName(StrRef name) { return name.ok() && name.len > 0 && name.ptr[0] == '_'; }

}  // namespace

uint16_t VarType(StrRef name) {
    if (!name.ok()) return kVarNone;
    bool paren = false, dollar = false, hash = false;
    for (uint16_t i = 0; i < name.len; ++i) {
        switch (name.ptr[i]) {
            case '@': return kVarNone;
            case '(': paren = true; break;
            case '$': dollar = true; break;
            case '#': hash = true; break;
            default: break;
        }
    }
    if (paren) return kVarArray;
    if (dollar) return kVarString;
    if (hash) return kVarNumber;
    return kVarInteger;
}

uint16_t ElementType(StrRef name) {
    if (!name.ok() || name.len == 0) return kVarNone;
    return VarType(StrMake(name.ptr, static_cast<uint16_t>(name.len - 1)));
}

VarRef VarFind(StrRef name) {
    uint16_t type = VarType(name);
    if (!StorableName(name)) return VarRef{type, -1};
    StrRef list = StoreGet(kGroupVarNames, NameListItem(type));
    uint16_t index = ListIndex(list, name, ',');
    return VarRef{type, index == 0 ? -1 : static_cast<int32_t>(index) - 1};
}

int32_t VarCreate(StrRef name) {
    if (!StorableName(name)) return -1;
    VarRef found = VarFind(name);
    if (found.number >= 0) return found.number;
    uint16_t item = NameListItem(found.type);
    uint16_t mark = PoolMark();
    // A copy: storing the grown list may rebuild the store, and the roll-back below needs the old one.
    StrRef list = PoolCopy(StoreGet(kGroupVarNames, item));
    if (!list.ok()) {
        PoolRelease(mark);
        return -1;
    }
    uint16_t count = FieldCount(list, ',');
    // Numbers are 16-bit cell indexes; 0xFFFF is no index.
    if (count >= 0xFFFE) {
        PoolRelease(mark);
        return -1;
    }
    // A string value is stored only when its number is at most the count of group 13. Scripts may
    // write that group directly, so its count can run ahead of the names; it only refuses when it
    // has fallen behind them.
    if (found.type == kVarString && count > StoreCount(kGroupStringVars)) {
        PoolRelease(mark);
        return -1;
    }
    StrRef grown = list.len == 0 ? name : Join(list, Lit(","), name);
    ErrCode err = grown.ok() ? StoreSet(kGroupVarNames, item, grown) : StrError(grown);
    if (!err && found.type == kVarString) {
        // The item is made with the name, so that the items stay in step with the names even for
        // a variable that is created before it is assigned; a direct write may have left text in
        // it, which a new variable must not inherit.
        err = StoreSet(kGroupStringVars, count, StrEmpty());
        if (err) StoreSet(kGroupVarNames, item, list);
    }
    PoolRelease(mark);
    return err ? -1 : count;
}

bool StringConstant(StrRef name, StrRef* value) {
    if (!name.ok() || name.len < 2 || name.ptr[0] != '.' || name.at(1) < 'A') return false;
    uint16_t index = ListIndex(Lit(kConstantNames), StrMake(name.ptr + 1, name.len - 1), ',');
    if (index == 0) return false;
    if (value) *value = kConstantValues[index - 1];
    return true;
}

ErrCode VarGet(StrRef name) {
    if (!name.ok()) return StrError(name);
    uint16_t type = VarType(name);
    uint16_t mark = PoolMark();
    if (IsSystemName(name)) {
        if (VarHookFn hook = VariableHook()) {
            StrRef answer = hook(name, kVarHookRead, StrEmpty());
            if (answer.ok()) {
                ErrCode err = AssignTyped(type, answer);
                if (err) {
                    PoolRelease(mark);
                    return err;
                }
                PoolReturn(mark, PoolTop());
                return 0;
            }
            if (StrError(answer) != kErrBadInput) {
                PoolRelease(mark);
                return StrError(answer);
            }
            PoolRelease(mark);
        }
    }
    StrRef result;
    switch (type) {
        case kVarInteger: {
            VarRef ref = VarFind(name);
            ScaledNumber v = ref.number < 0 ? 0 : static_cast<ScaledNumber>(IntGet(static_cast<uint16_t>(ref.number))) * ScaleFactor();
            result = NumberToSlot(v);
            break;
        }
        case kVarNumber: {
            VarRef ref = VarFind(name);
            result = NumberToSlot(ref.number < 0 ? 0 : FloatGet(static_cast<uint16_t>(ref.number)));
            break;
        }
        case kVarString: {
            StrRef constant;
            if (StringConstant(name, &constant)) {
                result = PoolCopy(constant);
                break;
            }
            VarRef ref = VarFind(name);
            result = PoolCopy(ref.number < 0 ? StrEmpty() : StoreGet(kGroupStringVars, static_cast<uint16_t>(ref.number)));
            break;
        }
        default:
            return kErrSyntax;
    }
    if (!result.ok()) {
        PoolRelease(mark);
        return StrError(result);
    }
    return 0;
}

ErrCode VarSet(StrRef name, StrRef value) {
    if (!value.ok()) return StrError(value);
    if (!name.ok()) return StrError(name);
    uint16_t type = VarType(name);
    uint16_t mark = PoolMark();
    if (IsSystemName(name)) {
        if (VarHookFn hook = VariableHook()) {
            StrRef answer = hook(name, kVarHookAssign, value);
            PoolRelease(mark);
            if (answer.ok()) return 0;
            if (StrError(answer) != kErrBadInput) return Fail(true, kModVarAssign, StrError(answer), 0);
        }
    }
    // Checked before the name is stored, so that a refused assignment leaves no stray name behind.
    if (type != kVarInteger && type != kVarString && type != kVarNumber) return Fail(true, kModVarAssign, kErrSyntax, 0);
    if (type == kVarString && StringConstant(name, nullptr)) return Fail(true, kModVarAssign, kErrSyntax, 0);

    ErrCode err = 0;
    if (type == kVarInteger) {
        // The integer part, truncated toward zero, kept to 16 bits.
        ScaledNumber whole = SlotToNumber(value) / ScaleFactor();
        // _PRECIS picks the scale; outside 0..4 S would not fit 16 bits and every number would change meaning.
        if (StrEq(name, kPrecisName) && (whole < 0 || whole > kMaxPrecision)) return Fail(true, kModVarAssign, kErrDataOutBound, 0);
        int32_t number = VarCreate(name);
        if (number < 0) return Fail(true, kModVarAssign, kErrVarName, 0);
        err = IntSet(static_cast<uint16_t>(number), static_cast<int16_t>(whole));
    } else if (type == kVarNumber) {
        int32_t number = VarCreate(name);
        if (number < 0) return Fail(true, kModVarAssign, kErrVarName, 0);
        err = FloatSet(static_cast<uint16_t>(number), SlotToNumber(value));
    } else {
        int32_t number = VarCreate(name);
        if (number < 0) return Fail(true, kModVarAssign, kErrVarName, 0);
        // A number beyond the group's count would leave items of other variables in between.
        if (number > StoreCount(kGroupStringVars)) {
            err = kErrInternal;
        } else {
            err = StoreSet(kGroupStringVars, static_cast<uint16_t>(number), value);
        }
    }
    PoolRelease(mark);
    return Fail(err != 0, kModVarAssign, err, 0);
}

StrRef VarGetText(StrRef name) {
    uint16_t mark = PoolMark();
    ErrCode err = VarGet(name);
    if (err) {
        PoolRelease(mark);
        return StrErr(err);
    }
    StrRef value = PoolTop();
    if (VarType(name) == kVarString) return value;
    return PoolReturn(mark, NumberToText(SlotToNumber(value)));
}

ErrCode VarGetNumber(StrRef name, ScaledNumber* out) {
    uint16_t mark = PoolMark();
    ErrCode err = VarGet(name);
    if (!err && out) *out = SlotToNumber(PoolTop());
    PoolRelease(mark);
    return err;
}

ErrCode VarSetNumber(StrRef name, ScaledNumber v) {
    uint16_t mark = PoolMark();
    StrRef slot = NumberToSlot(v);
    ErrCode err = slot.ok() ? VarSet(name, slot) : StrError(slot);
    PoolRelease(mark);
    return err;
}

ErrCode VarSetText(StrRef name, StrRef text) { return VarSet(name, text); }

ScreenField ScreenFieldVar(uint16_t n) {
    ScreenField field{0, 0, kErrScreenFieldVar};
    uint16_t mark = PoolMark();
    // Only n <= 99 forms a name within the five characters; Format records 146 for the others.
    StrRef name = Format(5, "_V%u$", static_cast<unsigned>(n));
    if (name.ok() && VarFind(name).number >= 0) {
        StrRef value = VarGetText(name);
        if (value.ok() && value.len > 0) {
            field.letter = value.ptr[0];
            field.number = ToInt(StrMake(value.ptr + 1, static_cast<uint16_t>(value.len - 1)));
            field.code = 0;
        }
    }
    PoolRelease(mark);
    return field;
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
