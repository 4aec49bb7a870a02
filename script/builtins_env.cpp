// Built-ins over lists, parameters and the environment: FN#PARM, FN$PARM, ENVRON$, MACRO$, EXP$
// and SQLCHILD.
#include <cstring>

#include "runtime/fs.h"
#include "runtime/host_hooks.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "script/builtins.h"
#include "script/builtins_common.h"
#include "script/expr_eval.h"

namespace rt {

namespace {

constexpr uint16_t kLastGroup = 38;  // group 39 only counts the stacks

// Argument k read as a whole number: a number divided by S with rounding, a text read as number
// text first.
ErrCode ArgWhole(const BuiltinCall& call, uint16_t k, int64_t* out) {
    ScaledNumber v = 0;
    if (ArgType(call, k) == 1) {
        StrRef text;
        ArgText(call, k, StrEmpty(), &text);
        if (ErrCode err = TextToNumber(text, &v)) return err;
    } else if (ErrCode err = ArgNumber(call, k, 0, &v)) {
        return err;
    }
    *out = RoundedDivide(v, ScaleFactor());
    return 0;
}

// The value of key in a list of key=value entries separated by ',' (by NUL when the list holds
// one; separators inside quotes do not split). Blanks around key and value are ignored and one
// pair of quotes is taken off the value. A piece of list; *found tells whether the key was there.
StrRef KeyValueLookup(StrRef list, StrRef key, bool* found) {
    *found = false;
    if (!list.ok() || !key.ok() || key.len == 0) return StrEmpty();
    const char sep = std::memchr(list.ptr, '\0', list.len) ? '\0' : ',';
    StrRef rest = list;
    while (rest.len > 0) {
        uint16_t end = FindChar(rest, 0, sep, sep == '\0');
        StrRef entry = StrMake(rest.ptr, end == kNpos ? rest.len : end);
        uint16_t eq = FindChar(entry, 0, '=', false);
        if (eq != kNpos && StrEq(Trim(StrMake(entry.ptr, eq), kTrimStart | kTrimEnd), key)) {
            *found = true;
            StrRef value = StrMake(entry.ptr + eq + 1, static_cast<uint16_t>(entry.len - eq - 1));
            return Unquote(Trim(value, kTrimStart | kTrimEnd));
        }
        if (end == kNpos) break;
        rest = StrMake(rest.ptr + end + 1, static_cast<uint16_t>(rest.len - end - 1));
    }
    return StrEmpty();
}

}  // namespace

// FN#PARM (list; key; values-or-mode).
ErrCode BuiltinParmNumber(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 3)) return err;
    StrRef list;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &list)) return err;
    const int keyType = ArgType(call, 2), modeType = ArgType(call, 3);
    if (keyType < 0 && modeType < 0) return ResultWhole(FieldCount(list, ','), result);
    if (modeType == 0) {
        ScaledNumber mode = 0;
        ArgNumber(call, 3, 0, &mode);
        if (mode == ScaleFactor()) {
            // Ranges: the first field "n" or "a-b" that holds the key read as an integer.
            int64_t key = 0;
            if (ErrCode err = ArgWhole(call, 2, &key)) return err;
            const uint16_t count = FieldCount(list, ',');
            StrRef rest = list;
            for (uint16_t k = 1; k <= count; ++k) {
                StrRef item = Trim(Field(rest, ',', 1), kTrimStart | kTrimEnd);
                if (item.len > 0 && RangeMatch(item, key)) return ResultWhole(k, result);
                rest = FieldRest(rest, ',');
            }
            return ResultWhole(0, result);
        }
        int16_t code = 0;
        char sep = 0;
        if (ErrCode err = ArgInt(call, 2, 0, &code)) return err;
        if (ErrCode err = ByteOf(code, &sep)) return err;
        return ResultWhole(FieldCount(list, sep), result);
    }
    StrRef key;
    if (ErrCode err = ArgAsText(call, 2, StrEmpty(), &key)) return err;
    const uint16_t pos = ListIndex(list, key, ',');
    if (modeType < 0) return ResultWhole(pos, result);
    // A lookup table: the key's position picks the value.
    StrRef values;
    ArgText(call, 3, StrEmpty(), &values);
    ScaledNumber v = 0;
    if (pos > 0) {
        if (ErrCode err = TextToNumber(Field(values, ',', pos), &v)) return err;
    }
    *result = ExprValue::Number(v);
    return 0;
}

// FN$PARM (text; n [-1]; separator code [44]): field n, counted from the end when negative.
ErrCode BuiltinParmText(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 3)) return err;
    StrRef text;
    int16_t n = -1, code = ',';
    char sep = ',';
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &text)) return err;
    if (ErrCode err = ArgInt(call, 2, -1, &n)) return err;
    if (ErrCode err = ArgInt(call, 3, ',', &code)) return err;
    if (ErrCode err = ByteOf(code, &sep)) return err;
    int32_t k = n;
    if (n < 0) k = int32_t{FieldCount(text, sep)} + n + 1;
    if (k <= 0 || k > 0xFFFF) return ResultText(StrEmpty(), result);
    return ResultText(Field(text, sep, static_cast<uint16_t>(k)), result);
}

// ENVRON$ (name; item [0]; group [0]).
ErrCode BuiltinEnviron(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 3)) return err;
    StrRef name;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &name)) return err;
    if (name.len == 0) return kErrBadInput;
    if (ArgType(call, 2) < 0 && ArgType(call, 3) < 0) {
        if (name.at(0) <= 'Z' && FindChar(name, 0, '_', true) != kNpos) {
            uint16_t mark = PoolMark();
            StrRef value = FsEnvironment(CString(name));
            return ResultText(PoolReturn(mark, value), result);
        }
        return ResultText(ParamValue(RunParam(kParamCommandLine), name), result);
    }
    int16_t item = 0, group = 0;
    if (ErrCode err = ArgInt(call, 2, 0, &item)) return err;
    if (ErrCode err = ArgInt(call, 3, 0, &group)) return err;
    if (item < 0 || group < 0 || group > kLastGroup) return kErrBadInput;
    StrRef list = StoreGet(static_cast<uint16_t>(group), static_cast<uint16_t>(item));
    bool found = false;
    StrRef value = KeyValueLookup(list, name, &found);
    // Lists in the parameter form ("KEY:value KEY2=value") are read the way the command line is.
    if (!found) value = ParamValue(list, name);
    return ResultText(value, result);
}

// ---- MACRO$ ------------------------------------------------------------------------------------

namespace {

enum MacroFlag : uint16_t {
    kInQuotes = 1, kNoTrim = 2, kLookup = 4, kEvaluate = 8, kEmptyNumber = 16, kQuoteValue = 32,
    kDoubleQuote = 64, kRescan = 128, kBraces = 256, kEmptyWarns = 512,
};

struct Macro {
    char* out = nullptr;   // the expanded text so far
    uint32_t used = 0;
    uint16_t flags = 0;
    StrRef values;         // the key=value list (a pool copy)
    ErrCode warning = 0;   // the first warning met
    int depth = 0;
    int rescans = 0;       // values being expanded inside one another
};

constexpr int kMaxRescans = 16;

ErrCode Put(Macro& m, const char* p, uint32_t n) {
    if (m.used + n > kMaxText) return kErrOutOfMemory;
    if (n) std::memmove(m.out + m.used, p, n);
    m.used += n;
    return 0;
}

ErrCode ExpandRun(Macro& m, StrRef src, uint16_t* pos, bool inBracket, bool* closed);

// A bracketed name looked up where flag 4 says: the value list, the run-time parameters, then the
// process environment. Empty when none has it.
StrRef LookUpName(const Macro& m, StrRef name) {
    bool found = false;
    StrRef v = KeyValueLookup(m.values, name, &found);
    if (found) return v;
    v = ParamReference(name);
    // A copy: a rescan evaluates the parts of the value, which may change the store it lies in.
    if (v.ok() && v.len > 0) return PoolCopy(v);
    return FsEnvironment(CString(name));
}

// The value of one bracketed part, as a pool text above the caller's mark.
StrRef PartValue(Macro& m, StrRef name) {
    if (name.len > 0 && name.ptr[name.len - 1] == '%') return PoolCopy(name);
    StrRef value = StrEmpty();
    if (m.flags & kLookup) value = LookUpName(m, name);
    if (!value.ok()) return value;
    if (value.len == 0) {
        ExprValue v;
        uint16_t st = EvaluateValue(name, &v);
        if (st >= kFirstSerious) return StrErr(st);
        if (st > kResultString) {
            if (!m.warning) m.warning = st;
            value = StrEmpty();
        } else if (v.isString) {
            value = v.text;
        } else {
            value = NumberToText(v.number);
            if (value.ok() && value.len == 0 && !(m.flags & kEmptyNumber)) value = StrFromLiteral("0");
        }
    }
    if (!value.ok()) return value;
    if (!(m.flags & kNoTrim)) value = Trim(value, kTrimStart | kTrimEnd);
    if (value.len == 0 && (m.flags & kEmptyWarns) && !m.warning) m.warning = 121;
    if (m.flags & kQuoteValue) value = QuoteAny(value, (m.flags & kDoubleQuote) ? '"' : '\'');
    return value;
}

// The part opened at out[start] ('[') is complete up to m.used: replace it by its value.
ErrCode ReplacePart(Macro& m, uint32_t start) {
    uint16_t mark = PoolMark();
    StrRef name = PoolCopy(StrMake(m.out + start + 1, static_cast<uint16_t>(m.used - start - 1)));
    StrRef value = name.ok() ? PartValue(m, name) : name;
    ErrCode err = StrError(value);
    if (!err) {
        m.used = start;
        if (m.flags & kRescan) {
            // The value is expanded in its turn, so it may hold brackets of its own; a value that
            // brings back its own bracket would do so for ever.
            uint16_t pos = 0;
            bool closed = false;
            err = ++m.rescans > kMaxRescans ? kErrBadExpression : ExpandRun(m, value, &pos, false, &closed);
            --m.rescans;
        } else {
            err = Put(m, value.ptr, value.len);
        }
    }
    PoolRelease(mark);
    return err;
}

// Copies src from *pos into the output, replacing bracketed parts innermost first. Inside a
// bracket it stops behind the closing ']' and sets *closed; an unclosed bracket stays as written.
ErrCode ExpandRun(Macro& m, StrRef src, uint16_t* pos, bool inBracket, bool* closed) {
    if (++m.depth > kMaxNesting) return kErrBadExpression;
    struct Depth {
        int& d;
        ~Depth() { --d; }
    } guard{m.depth};
    while (*pos < src.len) {
        const char c = src.ptr[*pos];
        if (!(m.flags & kInQuotes) && IsQuote(static_cast<unsigned char>(c))) {
            const uint16_t close = ClosingQuote(src, *pos);
            const uint16_t end = close == kNpos ? src.len : static_cast<uint16_t>(close + 1);
            if (ErrCode err = Put(m, src.ptr + *pos, end - *pos)) return err;
            *pos = end;
            continue;
        }
        if (c == ']' && inBracket) {
            ++*pos;
            *closed = true;
            return 0;
        }
        if (c == '[') {
            const uint32_t start = m.used;
            if (ErrCode err = Put(m, "[", 1)) return err;
            ++*pos;
            bool inner = false;
            if (ErrCode err = ExpandRun(m, src, pos, true, &inner)) return err;
            if (inner) {
                if (ErrCode err = ReplacePart(m, start)) return err;
            }
            continue;
        }
        if (ErrCode err = Put(m, &c, 1)) return err;
        ++*pos;
    }
    return 0;
}

}  // namespace

// MACRO$ (template; flags [0]; value list): bracketed parts replaced by their values.
ErrCode BuiltinMacro(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 3)) return err;
    StrRef tmpl, values = StrEmpty();
    int16_t flags = 0;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &tmpl)) return err;
    if (ErrCode err = ArgInt(call, 2, 0, &flags)) return err;
    if (ErrCode err = ArgText(call, 3, StrEmpty(), &values)) return err;
    Macro m;
    m.flags = static_cast<uint16_t>(flags);
    if (ArgType(call, 3) == 1) m.flags = kInQuotes | kLookup | kEmptyNumber | (m.flags & kEvaluate);
    // Evaluating a part may change the string store, where the arguments lie.
    tmpl = PoolCopy(tmpl);
    m.values = PoolCopy(values);
    if (!tmpl.ok()) return StrError(tmpl);
    if (!m.values.ok()) return StrError(m.values);
    ErrCode err = 0;
    m.out = PoolBuffer(kMaxText, &err);
    if (!m.out) return err ? err : kErrOutOfMemory;
    uint16_t pos = 0;
    bool closed = false;
    if (ErrCode e = ExpandRun(m, tmpl, &pos, false, &closed)) return e;
    StrRef text = StrMake(m.out, static_cast<uint16_t>(m.used));
    if (m.flags & kEvaluate) {
        ExprValue v;
        uint16_t st = EvaluateValue(text, &v);
        if (st >= kFirstSerious) return st;
        if (st > kResultString && !m.warning) m.warning = st;
        text = st > kResultString ? StrEmpty() : (v.isString ? v.text : NumberToText(v.number));
        if (!text.ok()) return StrError(text);
    }
    if (m.flags & kBraces) {
        text = Replace(text, StrFromLiteral("\\{"), StrFromLiteral("["), true);
        text = Replace(text, StrFromLiteral("\\}"), StrFromLiteral("]"), true);
    }
    if (ErrCode e = ResultText(text, result)) return e;
    return m.warning;
}

// EXP$ (template; words...): each "$n_" of the template replaced by the text of the n-th word,
// the words being the operands written behind the template, not evaluated.
ErrCode BuiltinExpand(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 1)) return err;
    StrRef tmpl;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &tmpl)) return err;
    PoolScope scope;
    StrRef cur = PoolCopy(tmpl);
    ExprCursor c = call.rest;
    for (uint32_t n = 1; cur.ok() && !CursorAtEnd(c); ++n) {
        const uint16_t from = c.next;
        c = ScanStep(c);
        if (c.status || c.next <= from) return c.status ? c.status : kErrSyntax;
        StrRef marker = Format(15, "$%u_", static_cast<unsigned>(n));
        StrRef next = marker.ok() ? Replace(cur, marker, CallText(c), true) : marker;
        cur = next.ok() ? PoolReturn(scope.mark(), next) : next;
    }
    if (!cur.ok()) return StrError(cur);
    // The expanded text is the one entry above the mark, and the result.
    scope.Keep();
    return ResultText(cur, result);
}

// SQLCHILD (...): the host's hook 27 answers; _CURROW and _IER survive the arguments.
ErrCode BuiltinSqlChild(BuiltinCall& call, ExprValue* result) {
    auto hook = HookAs<SqlChildHookFn>(kHookSqlChild);
    if (!hook) return kErrFeatureRemoved;
    const int16_t row = IntGet(kSysCurRow), ier = IntGet(kSysIer);
    auto restore = [&] {
        IntSet(kSysCurRow, row);
        IntSet(kSysIer, ier);
    };
    IntSet(kSysCurRow, 0);
    const int32_t count = hook(0);
    IntSet(kSysSqlStk, static_cast<int16_t>(count));
    if (count > 8) {
        restore();
        return kErrDataOutBound;
    }
    while (ArgsLeft(call)) {
        ExprValue v;
        ErrCode st = ArgEvaluateNext(call, &v);
        if (st >= kFirstSerious) {
            restore();
            return st;
        }
    }
    restore();
    IntSet(kSysSqlStk, static_cast<int16_t>(count - 1));
    return ResultWhole(hook(count), result);
}

}  // namespace rt
