// The evaluator proper: operands, precedence climbing, assignment and statement lists.
#include "script/expr_eval.h"

#include "runtime/array_vars.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/host_hooks.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/variables.h"
#include "script/builtins.h"
#include "script/expr_operators.h"
#include "runtime/number_text.h"

namespace rt {

namespace {

// Nesting of expression parses on this thread, through groups, calls, built-ins and nested
// Evaluate calls alike.
thread_local int gNesting = 0;
// Whether the current statement already stored a detail text: later reports append to it.
thread_local bool gReported = false;

class NestingGuard {
public:
    NestingGuard() : ok_(++gNesting <= kMaxNesting) {}
    ~NestingGuard() { --gNesting; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool ok() const { return ok_; }
private:
    bool ok_;
};

// A value with the operand it came from, which an assignment needs as its target.
struct Term {
    ExprValue value;
    ExprCursor at;
    bool computed = false;  // the result of an operation, not an operand as written
};

bool IsWarning(ErrCode s) { return s > kCompletion && s < kFirstSerious && s != kErrNullExpression; }
ErrCode KeepWarning(ErrCode a, ErrCode b) { return IsWarning(a) ? a : (IsWarning(b) ? b : 0); }

void Report(ErrCode code, StrRef text) { ReportExpressionError(code, text); }

bool IsNameKind(uint16_t kind) {
    return (kind & ~kKindBaseMask) == 0 && (kind == kKindName || kind == kKindStringName || kind == kKindNumberName);
}

bool AssignTarget(uint16_t kind) {
    return (kind & kKindCall) || kind == kKindField || IsNameKind(kind);
}

// An operand directly followed by '=' is a target: it is not read (reading an array element
// would create the array, reading a field would need the host).
bool FollowedByAssign(const ExprCursor& c) { return c.op == kOpAssign && AssignTarget(c.kind); }

ErrCode Sequence(StrRef text, ExprValue* out, bool top);
ErrCode ParseExpression(ExprCursor* c, uint16_t minPrec, Term* out);

// Takes the newest pool entry (a slot or a text) as a value of the given type.
ExprValue FromSlot(StrRef slot, bool isString) {
    return isString ? ExprValue::Text(slot) : ExprValue::Number(SlotToNumber(slot));
}

ErrCode ReadVariable(StrRef name, bool isString, ExprValue* out) {
    uint16_t mark = PoolMark();
    ErrCode err = VarGet(name);
    if (err) return err;
    *out = FromSlot(PoolTop(), isString);
    if (!isString) PoolRelease(mark);
    return 0;
}

// Subscripts of an array reference: up to four numbers, then for a string array optionally its
// initial text (which gives the width when the reference creates the array).
struct Subscripts {
    int32_t values[kMaxArrayDims] = {};
    uint16_t count = 0;
    StrRef init = StrEmpty();
};

int32_t WholeNumber(ScaledNumber v) {
    ScaledNumber whole = RoundedDivide(v, ScaleFactor());
    if (whole > INT32_MAX) return INT32_MAX;
    if (whole < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(whole);
}

ErrCode EvaluateSubscripts(StrRef args, Subscripts* subs) {
    ExprCursor c = CursorOf(args);
    bool haveInit = false;
    while (!CursorAtEnd(c)) {
        ExprValue v;
        ErrCode st = EvaluateExpressionAt(&c, &v);
        if (st == kErrNullExpression) return kErrSyntax;
        if (st >= kFirstSerious) return st;
        if (haveInit) return kErrTypeMismatch;
        if (v.isString) {
            subs->init = v.text;
            haveInit = true;
            continue;
        }
        if (subs->count == kMaxArrayDims) return kErrDimStruct;
        subs->values[subs->count++] = WholeNumber(v.number);
    }
    return 0;
}

StrRef ArrayName(const ExprCursor& c) {
    // The name of an array includes its opening parenthesis ("M(", "A$(").
    return StrMake(c.text + c.start, static_cast<uint16_t>(c.size + 1));
}

// A '_' name called with arguments belongs to the host (hook 2).
ErrCode CallHostFunction(const ExprCursor& c, ExprValue* out) {
    auto hook = HookAs<UnderscoreCallHookFn>(kHookUnderscoreCall);
    if (!hook) return kErrFeatureRemoved;
    PoolScope scope;
    uint16_t base = StoreCount(kGroupArgStack);
    ExprCursor args = CursorOf(ArgumentsText(c));
    uint16_t count = 0;
    ErrCode st = 0;
    while (!CursorAtEnd(args) && count < kMaxArguments) {
        ExprValue v;
        st = EvaluateExpressionAt(&args, &v);
        if (st >= kFirstSerious) break;
        st = StoreAppend(kGroupArgStack, st == kErrNullExpression ? StrMake(&kEmptyArgMarker, 1) : ValueToSlot(v));
        if (st) break;
        ++count;
    }
    if (st < kFirstSerious) {
        StrRef name = OperandText(c);
        StrRef answer = hook(name, base, count);
        st = StrError(answer);
        if (!st) {
            uint16_t type = VarType(name);
            st = AssignTyped(type, answer);
            if (!st) *out = FromSlot(PoolTop(), type == kVarString);
        }
    }
    StoreTrim(kGroupArgStack, base);
    if (st >= kFirstSerious) return st;
    if (out->isString) out->text = scope.Return(out->text);
    return st;
}

ErrCode CallByName(const ExprCursor& c, ExprValue* out) {
    StrRef name = OperandText(c);
    if (name.len > 0 && name.ptr[0] == '_') return CallHostFunction(c, out);
    uint16_t base = c.kind & kKindBaseMask;
    if (base != kKindName && base != kKindStringName && base != kKindNumberName) return kErrSyntax;
    PoolScope scope;
    Subscripts subs;
    ErrCode st = EvaluateSubscripts(ArgumentsText(c), &subs);
    if (!st) st = ArrayElement(ArrayName(c), subs.values, subs.count, subs.init);
    if (st) return st;
    bool isString = base == kKindStringName;
    StrRef slot = PoolTop();
    if (isString) {
        *out = ExprValue::Text(scope.Return(slot));
        return StrError(out->text);
    }
    *out = ExprValue::Number(SlotToNumber(slot));
    return 0;
}

ErrCode ReadField(const ExprCursor& c, ExprValue* out) {
    auto hook = HookAs<FieldReadHookFn>(kHookFieldRead);
    if (!hook) return kErrFeatureRemoved;
    uint16_t mark = PoolMark();
    StrRef answer = hook(OperandText(c), 0);
    ScaledNumber v = 0;
    ErrCode st = answer.ok() ? TextToNumber(answer, &v) : StrError(answer);
    PoolRelease(mark);
    if (!st) *out = ExprValue::Number(v);
    return st;
}

ErrCode NumericLiteral(StrRef text, ExprValue* out) {
    if (text.len == 0) {
        *out = ExprValue::Number(0);
        return kErrNullExpression;
    }
    if (text.ptr[0] == '.' && text.len > 1 && text.at(1) > '@') {
        int32_t value = 0;
        if (NamedConstant(text, &value)) {
            *out = ExprValue::Number(static_cast<ScaledNumber>(value) * ScaleFactor());
            return 0;
        }
        text = StrMake(text.ptr + 1, static_cast<uint16_t>(text.len - 1));
    }
    ScaledNumber v = 0;
    uint16_t mark = PoolMark();
    ErrCode st = TextToNumber(text, &v);
    PoolRelease(mark);
    if (st) return st;
    *out = ExprValue::Number(v);
    return 0;
}

ErrCode OperandValue(const ExprCursor& c, ExprValue* out) {
    *out = ExprValue::Number(0);
    uint16_t kind = c.kind;
    if (kind & kKindGroup) return Sequence(ArgumentsText(c), out, false);
    if (kind & kKindCall) return CallByName(c, out);
    if (kind & kKindBuiltin) return CallBuiltin(c, out);
    if (kind == kKindField) return ReadField(c, out);
    if (IsNameKind(kind)) return ReadVariable(OperandText(c), kind == kKindStringName, out);
    if (kind == kKindString) {
        StrRef literal = TrimUnquote(OperandText(c));
        if (!literal.ok()) return StrError(literal);
        *out = ExprValue::Text(literal);
        return 0;
    }
    if (kind == kKindNumber) return NumericLiteral(OperandText(c), out);
    return kErrSyntax;
}

ErrCode Combine(uint16_t op, const Term& left, const ExprValue& right, ExprValue* out) {
    const ExprValue& l = left.value;
    if (!l.isString && !right.isString) {
        ScaledNumber v = 0;
        ErrCode err = CombineNumbers(op, l.number, right.number, &v);
        if (!err) *out = ExprValue::Number(v);
        return err;
    }
    if (l.isString && right.isString) return CombineTexts(op, l.text, right.text, out);
    // A number field on the left may meet the text typed for it.
    if (!left.computed && left.at.kind == kKindField && right.isString) {
        ScaledNumber r = 0;
        ErrCode err = TextToNumber(right.text, &r);
        if (!err) err = CombineNumbers(op, l.number, r, &out->number);
        if (!err) out->isString = false;
        return err;
    }
    Report(kErrTypeMismatch, TextFrom(left.at));
    return kErrTypeMismatch;
}

ErrCode AssignArrayElement(const ExprCursor& at, const ExprValue& value) {
    StrRef name = OperandText(at);
    if (name.len > 0 && name.ptr[0] == '_') return kErrSyntax;
    StrRef array = ArrayName(at);
    uint16_t elem = ElementType(array);
    if ((elem == kVarString) != value.isString) return kErrTypeMismatch;
    uint16_t mark = PoolMark();
    Subscripts subs;
    ErrCode st = EvaluateSubscripts(ArgumentsText(at), &subs);
    if (!st) st = ArrayAssign(array, subs.values, subs.count, ValueToSlot(value));
    PoolRelease(mark);
    return st;
}

ErrCode AssignField(const ExprCursor& at, const ExprValue& value) {
    auto hook = HookAs<FieldAssignHookFn>(kHookFieldAssign);
    if (!hook) return kErrFeatureRemoved;
    uint16_t mark = PoolMark();
    StrRef text = value.isString ? value.text : NumberToText(value.number);
    ErrCode st = text.ok() ? hook(OperandText(at), text) : StrError(text);
    PoolRelease(mark);
    return st;
}

ErrCode Assign(const Term& target, const ExprValue& value) {
    if (target.computed) return kErrSyntax;
    uint16_t kind = target.at.kind;
    if (kind & kKindCall) return AssignArrayElement(target.at, value);
    if (kind == kKindField) return AssignField(target.at, value);
    if (!IsNameKind(kind)) return kErrSyntax;
    if ((kind == kKindStringName) != value.isString) return kErrTypeMismatch;
    uint16_t mark = PoolMark();
    ErrCode st = VarSet(OperandText(target.at), ValueToSlot(value));
    PoolRelease(mark);
    return st;
}

// A number counted in units of 10^-from expressed in units of 10^-to (rounded, saturating).
ScaledNumber Rescale(ScaledNumber v, int from, int to) {
    while (from < to) {
        if (v > INT64_MAX / 10 || v < INT64_MIN / 10) return v < 0 ? INT64_MIN : INT64_MAX;
        v *= 10;
        ++from;
    }
    if (from > to) {
        ScaledNumber unit = 1;
        for (int i = to; i < from; ++i) unit *= 10;
        v = RoundedDivide(v, unit);
    }
    return v;
}

// Text values that lie above `mark` are moved down to it; numbers need nothing.
void Settle(uint16_t mark, ExprValue* v) {
    if (v->isString) {
        StrRef kept = PoolReturn(mark, v->text);
        v->text = kept.ok() ? kept : StrEmpty();
    } else {
        PoolRelease(mark);
    }
}

// Precedence climbing from the value `cur` with the operator at c. With `forceFirst` the operator
// at c is taken whatever its precedence: it is the operator behind an empty operand (a unary minus),
// and the operators after its operand are taken only when they bind at least as tight as minPrec.
ErrCode Climb(ExprCursor* c, Term cur, uint16_t minPrec, ErrCode status, bool forceFirst, Term* out) {
    NestingGuard guard;
    if (!guard.ok()) return kErrBadExpression;
    uint16_t mark = PoolMark();
    bool changed = false;
    while (status < kFirstSerious && c->op != kOpNone && (forceFirst || c->prec >= minPrec)) {
        forceFirst = false;
        Term left = cur;
        uint16_t op = c->op;
        uint16_t opPrec = c->prec;
        *c = ScanStep(*c);
        if (c->status) {
            status = c->status;
            break;
        }
        Term right;
        right.at = *c;
        bool empty = OperandEmpty(*c);
        ErrCode rs = FollowedByAssign(*c) ? 0 : OperandValue(*c, &right.value);
        if (rs == kErrTypeWarning && c->op == kOpAssign) rs = kErrTypeMismatch;
        if (rs == kErrNullExpression && (left.value.isString || c->op == kOpNone)) rs = kErrSyntax;
        while (rs < kFirstSerious && (c->prec > opPrec || empty || (op == kOpAssign && c->op == kOpAssign))) {
            if (c->op == kOpNone) {
                rs = kErrSyntax;
                break;
            }
            if (empty) {
                // Fold "0 - x" into the right side, so that "2*-3+1" is (2*(0-3))+1.
                rs = Climb(c, right, static_cast<uint16_t>(opPrec + 1), rs, true, &right);
            } else if (op == kOpAssign && c->op == kOpAssign) {
                // "a=b=c": the right side is assigned first.
                rs = Climb(c, right, 0, rs, false, &right);
            } else {
                rs = Climb(c, right, c->prec, rs, false, &right);
            }
            empty = false;
        }
        if (rs >= kFirstSerious) {
            status = rs;
            break;
        }
        ErrCode err = 0;
        if (op == kOpAssign) {
            const int precisionBefore = Precision();
            err = Assign(left, right.value);
            cur.value = right.value;
            // "_PRECIS=4" changes the unit that every number counts in, the assignment's own
            // value included: express it in the new unit so that it still reads as 4.
            if (!err && !cur.value.isString && Precision() != precisionBefore)
                cur.value.number = Rescale(cur.value.number, precisionBefore, Precision());
        } else {
            err = Combine(op, left, right.value, &cur.value);
        }
        cur.at = left.at;
        cur.computed = true;
        changed = true;
        if (err) {
            status = err;
            break;
        }
        status = KeepWarning(status, rs);
    }
    if (status >= kFirstSerious) {
        PoolRelease(mark);
        *out = cur;
        out->value = ExprValue::Number(0);
        return status;
    }
    if (changed) Settle(mark, &cur.value);
    *out = cur;
    return status;
}

ErrCode ParseExpression(ExprCursor* c, uint16_t minPrec, Term* out) {
    NestingGuard guard;
    if (!guard.ok()) return kErrBadExpression;
    *c = ScanStep(*c);
    if (c->status) return c->status;
    Term first;
    first.at = *c;
    ErrCode st = FollowedByAssign(*c) ? 0 : OperandValue(*c, &first.value);
    if (st == kErrTypeWarning && c->op == kOpAssign) st = kErrTypeMismatch;
    if (st >= kFirstSerious) return st;
    return Climb(c, first, minPrec, st, false, out);
}

StrRef StatementText(StrRef text, uint16_t start) {
    uint16_t end = FindSeparator(text, start);
    return StrMake(text.ptr + start, static_cast<uint16_t>(end - start));
}

ErrCode Sequence(StrRef text, ExprValue* out, bool top) {
    if (!text.ok()) return StrError(text);
    ExprCursor c = CursorOf(text);
    ErrCode status = 0;
    ExprValue last;
    uint16_t mark = PoolMark();
    do {
        PoolRelease(mark);
        uint16_t start = c.next;
        if (top) gReported = false;
        Term t;
        ErrCode st = ParseExpression(&c, 0, &t);
        if (top && st >= kFirstSerious) Report(st, StatementText(text, start));
        if (st <= kCompletion) st = 0;
        status = st;
        last = t.value;
        if (st >= kFirstSerious || st == kErrUserCanceled) break;
    } while (!CursorAtEnd(c));
    if (status >= kFirstSerious) {
        PoolRelease(mark);
        *out = ExprValue::Number(0);
        return status;
    }
    *out = last;
    return status;
}

}  // namespace

void ReportExpressionError(ErrCode code, StrRef text) {
    RecordError(code, kModExpExec);
    ReportError(code, text, gReported);
    gReported = true;
}

StrRef ValueToSlot(const ExprValue& v) { return v.isString ? PoolCopy(v.text) : NumberToSlot(v.number); }

ErrCode EvaluateExpressionAt(ExprCursor* c, ExprValue* out) {
    Term t;
    ErrCode st = ParseExpression(c, 0, &t);
    *out = st >= kFirstSerious ? ExprValue::Number(0) : t.value;
    return st;
}

ErrCode EvaluatePrepared(StrRef text, ExprValue* out) { return Sequence(text, out, false); }

uint16_t EvaluateValue(StrRef text, ExprValue* value) {
    // A nested run (a built-in evaluating a text) must not lose the enclosing statement's report.
    struct ReportedKeeper {
        bool saved = gReported;
        ~ReportedKeeper() { gReported = saved; }
    } keeper;
    *value = ExprValue::Number(0);
    uint16_t mark = PoolMark();
    ErrCode st = StrError(text);
    StrRef prepared = st ? text : PrepareText(text);
    if (!st) st = StrError(prepared);
    ExprValue v;
    if (!st) st = Sequence(prepared, &v, true);
    if (st >= kFirstSerious || (st && !text.ok())) {
        PoolReturn(mark, StrEmpty());
        return st;
    }
    StrRef slot = PoolReturn(mark, ValueToSlot(v));
    if (!slot.ok()) {
        PoolRelease(mark);
        PoolCopy(StrEmpty());
        return StrError(slot);
    }
    *value = v.isString ? ExprValue::Text(slot) : v;
    if (st == 0 || st == kErrNullExpression) return v.isString ? kResultString : kResultNumber;
    return st;
}

uint16_t Evaluate(StrRef text) {
    ExprValue v;
    return EvaluateValue(text, &v);
}

}  // namespace rt
