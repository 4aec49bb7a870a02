// The FunctionTable of built-in names, the dispatcher with its argument stack, argument access,
// and the handlers of the functions the evaluator itself relies on.
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "script/builtins.h"
#include "script/expr_eval.h"
#include "runtime/number_text.h"

namespace rt {

const char kFunctionNames[] =
    "_#,FN#FLEN,FN#SLEN,FN#PARM,FN#VALN,FN#ACUM,CHK#,FN$CHNG,FN$CHRS,FN$DATE,FN$FLDS,FN$MASK,"
    "FN$MIDS,FN$PARM,FN$TRIM,ENVELOP$,CHK$,SORT$,EXEC$,READ$,WRITE,MACRO$,ENVRON$,_$,TIME$,EXP$,"
    "SQLCHILD,ERR,$$,INDEXOF";

namespace {

constexpr uint16_t kParamFuncList = 8;  // item of group 0 (".funclist")
constexpr char kFieldSeparator = ';';

ErrCode TextLength(BuiltinCall& call, ExprValue* result);
ErrCode ChooseNumber(BuiltinCall& call, ExprValue* result);
ErrCode ChooseText(BuiltinCall& call, ExprValue* result);
ErrCode Mid(BuiltinCall& call, ExprValue* result);
ErrCode ErrorOf(BuiltinCall& call, ExprValue* result);
ErrCode Escapes(BuiltinCall& call, ExprValue* result);

}  // namespace

// Handlers defined in the builtins_*.cpp file of their theme, one line each.
ErrCode BuiltinSysArray(BuiltinCall& call, ExprValue* result);    // builtins_lists.cpp
ErrCode BuiltinFileLength(BuiltinCall& call, ExprValue* result);  // builtins_text.cpp
ErrCode BuiltinParmNumber(BuiltinCall& call, ExprValue* result);  // builtins_env.cpp
ErrCode BuiltinAccumulate(BuiltinCall& call, ExprValue* result);  // builtins_lists.cpp
ErrCode BuiltinChange(BuiltinCall& call, ExprValue* result);      // builtins_text.cpp
ErrCode BuiltinChars(BuiltinCall& call, ExprValue* result);       // builtins_text.cpp
ErrCode BuiltinFieldValue(BuiltinCall& call, ExprValue* result);  // builtins_text.cpp
ErrCode BuiltinMask(BuiltinCall& call, ExprValue* result);        // builtins_format.cpp
ErrCode BuiltinParmText(BuiltinCall& call, ExprValue* result);    // builtins_env.cpp
ErrCode BuiltinTrim(BuiltinCall& call, ExprValue* result);        // builtins_text.cpp
ErrCode BuiltinEnvelope(BuiltinCall& call, ExprValue* result);    // builtins_text.cpp
ErrCode BuiltinSort(BuiltinCall& call, ExprValue* result);        // builtins_lists.cpp
ErrCode BuiltinMacro(BuiltinCall& call, ExprValue* result);       // builtins_env.cpp
ErrCode BuiltinEnviron(BuiltinCall& call, ExprValue* result);     // builtins_env.cpp
ErrCode BuiltinStringGroup(BuiltinCall& call, ExprValue* result); // builtins_lists.cpp
ErrCode BuiltinExpand(BuiltinCall& call, ExprValue* result);      // builtins_env.cpp
ErrCode BuiltinSqlChild(BuiltinCall& call, ExprValue* result);    // builtins_env.cpp
ErrCode BuiltinIndexOf(BuiltinCall& call, ExprValue* result);     // builtins_text.cpp
ErrCode BuiltinValue(BuiltinCall& call, ExprValue* result);       // builtins_dates.cpp
ErrCode BuiltinDate(BuiltinCall& call, ExprValue* result);        // builtins_dates.cpp
ErrCode BuiltinTime(BuiltinCall& call, ExprValue* result);        // builtins_dates.cpp
ErrCode BuiltinExec(BuiltinCall& call, ExprValue* result);        // builtins_files.cpp
ErrCode BuiltinRead(BuiltinCall& call, ExprValue* result);        // builtins_files.cpp
ErrCode BuiltinWrite(BuiltinCall& call, ExprValue* result);       // builtins_files.cpp

namespace {

struct BuiltinEntry {
    BuiltinHandler handler;  // null: not available in this build (148)
    ArgMode mode;
};

// Indexed by function code; a null handler is a function this build does not have (148).
const BuiltinEntry kBuiltins[kBuiltinCount + 1] = {
    {nullptr, kArgsAll},        // 0: no function
    {BuiltinSysArray, kArgsAll},    // _#
    {BuiltinFileLength, kArgsAll},  // FN#FLEN
    {TextLength, kArgsAll},     // FN#SLEN
    {BuiltinParmNumber, kArgsAll},  // FN#PARM
    {BuiltinValue, kArgsAll},   // FN#VALN
    {BuiltinAccumulate, kArgsNone}, // FN#ACUM
    {ChooseNumber, kArgsFirst}, // CHK#
    {BuiltinChange, kArgsAll},      // FN$CHNG
    {BuiltinChars, kArgsAll},       // FN$CHRS
    {BuiltinDate, kArgsAll},    // FN$DATE
    {BuiltinFieldValue, kArgsNone}, // FN$FLDS
    {BuiltinMask, kArgsAll},        // FN$MASK
    {Mid, kArgsAll},            // FN$MIDS
    {BuiltinParmText, kArgsAll},    // FN$PARM
    {BuiltinTrim, kArgsAll},        // FN$TRIM
    {BuiltinEnvelope, kArgsAll},    // ENVELOP$
    {ChooseText, kArgsFirst},   // CHK$
    {BuiltinSort, kArgsAll},        // SORT$
    {BuiltinExec, kArgsAll},        // EXEC$
    {BuiltinRead, kArgsAll},        // READ$
    {BuiltinWrite, kArgsAll},       // WRITE
    {BuiltinMacro, kArgsAll},       // MACRO$
    {BuiltinEnviron, kArgsAll},     // ENVRON$
    {BuiltinStringGroup, kArgsAll}, // _$
    {BuiltinTime, kArgsAll},    // TIME$
    {BuiltinExpand, kArgsFirst},    // EXP$
    {BuiltinSqlChild, kArgsNone},  // SQLCHILD
    {ErrorOf, kArgsAll},        // ERR
    {Escapes, kArgsAll},        // $$
    {BuiltinIndexOf, kArgsAll},     // INDEXOF
};

struct ExtensionEntry {
    char name[16];
    BuiltinHandler handler;
    ArgMode mode;
};
ExtensionEntry gExtensions[kLastExtension - kFirstExtension + 1];

StrRef Names() { return StrMake(kFunctionNames, sizeof kFunctionNames - 1); }

uint16_t LookUp(StrRef name) {
    if (uint16_t code = ListIndex(Names(), name, ',')) return code;
    for (uint16_t i = 0; i <= kLastExtension - kFirstExtension; ++i) {
        const ExtensionEntry& e = gExtensions[i];
        if (e.handler && std::strlen(e.name) == name.len && std::memcmp(e.name, name.ptr, name.len) == 0)
            return static_cast<uint16_t>(kFirstExtension + i);
    }
    return 0;
}

// The list is offered to the language as ".funclist" (item 8 of group 0), as the names were
// always published; lookups use the constant table, which nothing can overwrite.
void PublishNames() {
    if (StoreGet(kGroupParams, kParamFuncList).len != 0) return;
    uint16_t mark = PoolMark();
    StrRef copy = PoolCopy(Names());
    if (copy.ok()) {
        char* p = MutPtr(copy);
        for (uint16_t i = 0; i < copy.len; ++i)
            if (p[i] == ',') p[i] = kFieldSeparator;
        StoreSet(kGroupParams, kParamFuncList, copy);
    }
    PoolRelease(mark);
}

StrRef Arg(const BuiltinCall& call, uint16_t k) {
    return StoreGet(kGroupArgStack, static_cast<uint16_t>(call.base + k - 1));
}

bool ArgAbsent(const BuiltinCall& call, uint16_t k) {
    if (k == 0 || k > call.count) return true;
    StrRef a = Arg(call, k);
    return a.len == 1 && a.ptr[0] == kEmptyArgMarker;
}

// Evaluates arguments behind call.rest and pushes them, up to `limit` in all.
ErrCode PushArguments(BuiltinCall& call, uint16_t limit) {
    while (call.count < limit && ArgsLeft(call)) {
        PoolScope scope;
        ExprValue v;
        ErrCode st = EvaluateExpressionAt(&call.rest, &v);
        if (st >= kFirstSerious) return st;
        StrRef item = st == kErrNullExpression ? StrMake(&kEmptyArgMarker, 1) : ValueToSlot(v);
        ErrCode err = item.ok() ? StoreAppend(kGroupArgStack, item) : StrError(item);
        if (err) return err;
        call.types[call.count++] = v.isString ? 1 : 0;
    }
    return 0;
}

}  // namespace

uint16_t BuiltinCode(StrRef name) {
    if (!name.ok() || name.len == 0) return 0;
    PublishNames();
    if (uint16_t code = LookUp(name)) return code;
    uint16_t mark = PoolMark();
    StrRef upper = Case(name, 1);
    uint16_t code = upper.ok() ? LookUp(upper) : 0;
    PoolRelease(mark);
    return code;
}

StrRef BuiltinName(uint16_t code) {
    if (code >= 1 && code <= kBuiltinCount) return Field(Names(), ',', code);
    if (code >= kFirstExtension && code <= kLastExtension) {
        const ExtensionEntry& e = gExtensions[code - kFirstExtension];
        if (e.handler) return StrMake(e.name, static_cast<uint16_t>(std::strlen(e.name)));
    }
    return StrEmpty();
}

ErrCode BuiltinExtensionSet(uint16_t code, const char* name, BuiltinHandler handler, ArgMode mode) {
    if (code < kFirstExtension || code > kLastExtension || !name || std::strlen(name) >= sizeof gExtensions[0].name)
        return kErrBadInput;
    ExtensionEntry& e = gExtensions[code - kFirstExtension];
    std::memset(e.name, 0, sizeof e.name);
    std::memcpy(e.name, name, std::strlen(name));
    e.handler = handler;
    e.mode = mode;
    return 0;
}

ErrCode CallBuiltin(const ExprCursor& at, ExprValue* result) {
    *result = ExprValue::Number(0);
    uint16_t code = at.func;
    BuiltinHandler handler = nullptr;
    ArgMode mode = kArgsAll;
    if (code >= 1 && code <= kBuiltinCount) {
        handler = kBuiltins[code].handler;
        mode = kBuiltins[code].mode;
        if (!handler) return kErrFeatureRemoved;
    } else if (code >= kFirstExtension && code <= kLastExtension) {
        handler = gExtensions[code - kFirstExtension].handler;
        mode = gExtensions[code - kFirstExtension].mode;
        if (!handler) return kErrSyntax;
    } else {
        return kErrSyntax;
    }

    PoolScope scope;
    BuiltinCall call;
    call.code = code;
    call.at = at;
    call.args = ArgumentsText(at);
    call.rest = CursorOf(call.args);
    call.base = StoreCount(kGroupArgStack);
    uint16_t limit = mode == kArgsNone ? 0 : (mode == kArgsFirst ? 1 : kMaxArguments);
    ErrCode st = PushArguments(call, limit);
    if (st < kFirstSerious) st = handler(call, result);
    if (st >= kFirstSerious) {
        ReportExpressionError(st, CallText(at));
        StoreTrim(kGroupArgStack, call.base);
        *result = ExprValue::Number(0);
        return st;
    }
    // The result is copied down before the arguments go: a handler may hand back a view of one.
    if (result->isString) {
        StrRef kept = scope.Return(result->text);
        if (!kept.ok()) st = StrError(kept);
        result->text = kept.ok() ? kept : StrEmpty();
    }
    StoreTrim(kGroupArgStack, call.base);
    return st;
}

ErrCode ArgCheck(const BuiltinCall& call, uint16_t least, uint16_t most) {
    return call.count < least || call.count > most ? kErrSyntax : 0;
}

int ArgType(const BuiltinCall& call, uint16_t k) {
    if (ArgAbsent(call, k)) return -1;
    return call.types[k - 1];
}

ErrCode ArgNumber(const BuiltinCall& call, uint16_t k, ScaledNumber deflt, ScaledNumber* out) {
    if (ArgAbsent(call, k)) {
        *out = deflt;
        return 0;
    }
    if (call.types[k - 1] != 0) return kErrTypeMismatch;
    *out = SlotToNumber(Arg(call, k));
    return 0;
}

ErrCode ArgInt(const BuiltinCall& call, uint16_t k, int16_t deflt, int16_t* out) {
    if (ArgAbsent(call, k)) {
        *out = deflt;
        return 0;
    }
    ScaledNumber v = 0;
    if (ErrCode err = ArgNumber(call, k, 0, &v)) return err;
    *out = NumberToInt16(v);
    return 0;
}

ErrCode ArgText(const BuiltinCall& call, uint16_t k, StrRef deflt, StrRef* out) {
    if (ArgAbsent(call, k)) {
        *out = deflt;
        return 0;
    }
    if (call.types[k - 1] != 1) return kErrTypeMismatch;
    *out = Arg(call, k);
    return 0;
}

bool ArgsLeft(const BuiltinCall& call) { return !CursorAtEnd(call.rest); }

ErrCode ArgEvaluateNext(BuiltinCall& call, ExprValue* out) {
    *out = ExprValue::Number(0);
    if (!ArgsLeft(call)) return kErrNullExpression;
    return EvaluateExpressionAt(&call.rest, out);
}

void ArgSkipNext(BuiltinCall& call) {
    if (!ArgsLeft(call)) return;
    StrRef args = StrMake(call.rest.text, call.rest.len);
    uint16_t sep = FindSeparator(args, call.rest.next);
    call.rest.next = sep < args.len ? static_cast<uint16_t>(sep + 1) : args.len;
}

namespace {

// FN#SLEN (text): the length of the text.
ErrCode TextLength(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 1)) return err;
    StrRef text;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &text)) return err;
    *result = ExprValue::Number(static_cast<ScaledNumber>(text.len) * ScaleFactor());
    return 0;
}

// CHK# and CHK$: only the chosen argument is evaluated.
ErrCode Choose(BuiltinCall& call, ExprValue* result, bool wantText) {
    if (call.count < 1) return kErrSyntax;
    *result = wantText ? ExprValue::Text(StrEmpty()) : ExprValue::Number(0);
    ScaledNumber condition = 0;
    if (ErrCode err = ArgNumber(call, 1, 0, &condition)) return err;
    ErrCode st = 0;
    ExprValue chosen = *result;
    if (condition != 0) {
        st = ArgEvaluateNext(call, &chosen);
    } else {
        ArgSkipNext(call);
        if (!ArgsLeft(call)) return 0;
        while (ArgsLeft(call)) {
            st = ArgEvaluateNext(call, &chosen);
            if (st >= kFirstSerious) return st;
        }
    }
    if (st >= kFirstSerious) return st;
    // An empty chosen argument gives the function's empty value.
    if (st == kErrNullExpression) return 0;
    *result = chosen;
    return chosen.isString != wantText ? kErrTypeWarning : st;
}

ErrCode ChooseNumber(BuiltinCall& call, ExprValue* result) { return Choose(call, result, false); }
ErrCode ChooseText(BuiltinCall& call, ExprValue* result) { return Choose(call, result, true); }

// FN$MIDS (text; start [-1]; length [-1]): start 1 is the first character, -1 the last.
ErrCode Mid(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 2, 3)) return err;
    StrRef text;
    int16_t start = -1, length = -1;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &text)) return err;
    if (ErrCode err = ArgInt(call, 2, -1, &start)) return err;
    if (ErrCode err = ArgInt(call, 3, -1, &length)) return err;
    int32_t from = start > 0 ? start - 1 : (start == 0 ? 0 : start);
    uint16_t count = length < 0 ? kNpos : static_cast<uint16_t>(length);
    StrRef piece = SubStr(text, from, count);
    // The argument lives in the store, which the call restores: the piece goes to the pool.
    piece = PoolCopy(piece);
    if (!piece.ok()) return StrError(piece);
    *result = ExprValue::Text(piece);
    return 0;
}

// ERR (expression text): what Evaluate returns for it; without one the current error code.
ErrCode ErrorOf(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 0, 1)) return err;
    StrRef text;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &text)) return err;
    uint16_t code = 0;
    if (text.len == 0) {
        code = LastError().code;
    } else {
        // The stored argument may move while the text runs; it runs from its own copy.
        uint16_t mark = PoolMark();
        StrRef own = PoolCopy(text);
        code = own.ok() ? Evaluate(own) : StrError(own);
        PoolRelease(mark);
    }
    *result = ExprValue::Number(static_cast<ScaledNumber>(code) * ScaleFactor());
    return 0;
}

char EscapeOf(char c) {
    switch (c) {
        case 'a': return 7;
        case 'b': return 8;
        case 'f': return 12;
        case 'n': return 10;
        case 'r': return 13;
        case 't': return 9;
        case '\'': case '"': case '?': return c;
        default: return 0;
    }
}

// $$ (texts...): escapes decoded, the arguments joined with a zero byte between them.
ErrCode Escapes(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, kMaxArguments)) return err;
    uint32_t size = 0;
    for (uint16_t k = 1; k <= call.count; ++k) {
        StrRef text;
        if (ErrCode err = ArgText(call, k, StrEmpty(), &text)) return err;
        size += text.len + (k > 1 ? 1u : 0u);
    }
    if (size > kMaxText) return kErrOutOfMemory;
    ErrCode err = 0;
    char* out = PoolBuffer(size ? size : 1, &err);
    if (!out) return err ? err : kErrOutOfMemory;
    uint32_t used = 0;
    for (uint16_t k = 1; k <= call.count; ++k) {
        StrRef text;
        ArgText(call, k, StrEmpty(), &text);
        if (k > 1) out[used++] = '\0';
        for (uint16_t i = 0; i < text.len; ++i) {
            char e = (text.ptr[i] == '\\' && i + 1 < text.len) ? EscapeOf(text.ptr[i + 1]) : 0;
            if (e) {
                out[used++] = e;
                ++i;
            } else {
                out[used++] = text.ptr[i];
            }
        }
    }
    *result = ExprValue::Text(StrMake(out, static_cast<uint16_t>(used)));
    return 0;
}

}  // namespace

}  // namespace rt
