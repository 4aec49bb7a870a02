// Built-ins over single texts: FN$CHNG, FN$CHRS, FN$TRIM, ENVELOP$, INDEXOF, FN#FLEN and FN$FLDS.
#include "runtime/fs.h"
#include "runtime/host_hooks.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/variables.h"
#include "script/builtins.h"
#include "script/builtins_common.h"
#include "script/expr_eval.h"

namespace rt {

namespace {

constexpr char kChangeModes[] = "UCASE,LCASE,TCASE,CLEAN,FILTER";
enum ChangeMode { kUpper = 1, kLower, kTitle, kClean, kFilter };

constexpr char kTrimModes[] = "LEFTTRIM,RIGHTRIM,BOTHTRIM,FIT,CHOP";
enum TrimMode { kLeft = 1, kRight, kBoth, kFit, kChop };

}  // namespace

// FN$CHNG (text; mode-or-search; replacement [""]; option [0]).
ErrCode BuiltinChange(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 2, 4)) return err;
    StrRef text, word;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &text)) return err;
    if (ErrCode err = ArgText(call, 2, StrEmpty(), &word)) return err;
    switch (KeywordIndex(word, kChangeModes)) {
        case kUpper: return ResultText(Case(text, 1), result);
        case kLower: return ResultText(Case(text, 2), result);
        case kTitle: return ResultText(Case(text, 3), result);
        case kClean: return ResultText(Squeeze(text, ' ', true), result);
        case kFilter: {
            StrRef keep, to;
            if (ErrCode err = ArgText(call, 3, StrEmpty(), &keep)) return err;
            if (call.count < 4) return ResultText(KeepChars(text, keep, false), result);
            if (ErrCode err = ArgText(call, 4, StrEmpty(), &to)) return err;
            return ResultText(Translate(text, keep, to), result);
        }
        default: break;
    }
    StrRef repl;
    int16_t everywhere = 0;
    if (ErrCode err = ArgText(call, 3, StrEmpty(), &repl)) return err;
    if (ErrCode err = ArgInt(call, 4, 0, &everywhere)) return err;
    return ResultText(Replace(text, word, repl, everywhere != 0), result);
}

// FN$CHRS (code-or-text; count [1]): the byte or the text, repeated.
ErrCode BuiltinChars(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 2)) return err;
    int16_t count = 1;
    if (ErrCode err = ArgInt(call, 2, 1, &count)) return err;
    StrRef unit = StrEmpty();
    char byte = 0;
    if (ArgType(call, 1) == 0) {
        int16_t code = 0;
        ArgInt(call, 1, 0, &code);
        if (ErrCode err = ByteOf(code, &byte)) return err;
        unit = StrMake(&byte, 1);
    } else if (ErrCode err = ArgText(call, 1, StrEmpty(), &unit)) {
        return err;
    }
    if (count <= 0) return ResultText(StrEmpty(), result);
    return ResultText(Repeat(unit, static_cast<uint16_t>(count)), result);
}

// FN$TRIM (value; mode [BOTHTRIM]). A number is trimmed as its text.
ErrCode BuiltinTrim(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 2)) return err;
    StrRef value, mode;
    if (ErrCode err = ArgAsText(call, 1, StrEmpty(), &value)) return err;
    if (ErrCode err = ArgText(call, 2, StrFromLiteral("BOTHTRIM"), &mode)) return err;
    switch (KeywordIndex(mode, kTrimModes)) {
        case kLeft: return ResultText(Trim(value, kTrimStart), result);
        case kRight: return ResultText(Trim(value, kTrimEnd), result);
        case kBoth: return ResultText(Trim(value, kTrimStart | kTrimEnd), result);
        case kFit: return ResultText(TrimUnquote(value), result);
        case kChop: return ResultText(TrimEol(value), result);
        default: return kErrSyntax;
    }
}

// ENVELOP$ (text; character [']): the text between the character and its partner.
ErrCode BuiltinEnvelope(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 2)) return err;
    StrRef text, open;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &text)) return err;
    if (ErrCode err = ArgText(call, 2, StrEmpty(), &open)) return err;
    char ch = open.len ? open.ptr[0] : '\'';
    // A quote is the usual envelope, so the search cannot skip quoted text.
    return ResultText(Between(text, ch, true), result);
}

// INDEXOF (text; search; plain [0]; from end [0]): 0-based position, or -1.
ErrCode BuiltinIndexOf(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 2, 4)) return err;
    StrRef text, search;
    int16_t plain = 0, fromEnd = 0;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &text)) return err;
    if (ErrCode err = ArgText(call, 2, StrEmpty(), &search)) return err;
    if (ErrCode err = ArgInt(call, 3, 0, &plain)) return err;
    if (ErrCode err = ArgInt(call, 4, 0, &fromEnd)) return err;
    uint16_t pos = kNpos;
    if (search.len > 0) {
        pos = fromEnd ? FindLast(text, search, search.len == 1 ? 1 : 2, plain != 0)
                      : FindStr(text, search, plain != 0);
    }
    return ResultWhole(pos == kNpos ? -1 : pos, result);
}

// FN#FLEN (file name): its length in bytes, 0 for a folder or a file that cannot be opened.
ErrCode BuiltinFileLength(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 1)) return err;
    StrRef name;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &name)) return err;
    if (auto hook = HookAs<FileLengthHookFn>(kHookFileLength)) {
        int64_t answer = hook(name);
        if (answer >= 0) return ResultWhole(answer, result);
    }
    if (name.len == 0) return ResultWhole(0, result);
    uint16_t mark = PoolMark();
    const char* path = CString(name);
    uint64_t length = 0;
    if (FsIsFolder(path) != 0) {
        FsFile file;
        if (file.Open(path, kFsRead) != 0 || file.Length(&length) != 0) length = 0;
    }
    PoolRelease(mark);
    // A ScaledNumber holds lengths up to about 9.2e16 bytes at the finest precision.
    return ResultWhole(static_cast<int64_t>(length > (1ull << 48) ? (1ull << 48) : length), result);
}

namespace {

// The value as text: numbers in canonical number text.
ErrCode ValueAsText(const ExprValue& v, ExprValue* result) {
    if (v.isString) return ResultText(v.text, result);
    return ResultText(NumberToText(v.number), result);
}

// A name that the variable store does not hold, offered to host hook 0.
ErrCode UnknownName(StrRef name, int16_t index, ExprValue* result) {
    auto hook = HookAs<VarHookFn>(kHookVariables);
    if (!hook) return kErrSyntax;
    StrRef indexText = NumberToText(NumberFromInt16(index));
    if (!indexText.ok()) return StrError(indexText);
    StrRef answer = hook(name, kVarHookRead, indexText);
    if (StrError(answer) == kErrBadInput) return kErrSyntax;
    return ResultText(answer, result);
}

}  // namespace

// FN$FLDS (name; index [1]): the value held under a name written as it stands (not evaluated),
// always as text.
ErrCode BuiltinFieldValue(BuiltinCall& call, ExprValue* result) {
    uint16_t given = ArgTextCount(call.args);
    if (given < 1 || given > 2) return kErrSyntax;
    // Only the first operand names the value; anything written behind it is ignored.
    const ExprCursor first = ScanStep(CursorOf(call.args));
    if (first.status) return first.status;
    StrRef name = CallText(first);
    if (name.len >= 2 && (name.ptr[0] == '\'' || name.ptr[0] == '"')) name = Unquote(name);
    if (name.len == 0) return kErrSyntax;
    int16_t index = 1;
    if (given == 2) {
        ArgSkipNext(call);
        ExprValue v;
        ErrCode st = ArgEvaluateNext(call, &v);
        if (st >= kFirstSerious) return st;
        if (st != kErrNullExpression) {
            if (v.isString) return kErrTypeMismatch;
            index = NumberToInt16(v.number);
        }
    }
    if (FindChar(name, 0, '{', true) != kNpos) {
        auto hook = HookAs<FieldReadHookFn>(kHookFieldRead);
        if (!hook) return kErrFeatureRemoved;
        return ResultText(hook(name, index), result);
    }
    uint16_t paren = FindChar(name, 0, '(', true);
    if (paren != kNpos) {
        // An array element: the reference is evaluated as written, subscripts and all; a call
        // of a built-in is not a name.
        if (paren == 0 || BuiltinCode(StrMake(name.ptr, paren)) != 0) return kErrSyntax;
        ExprValue v;
        ErrCode st = EvaluatePrepared(name, &v);
        if (st >= kFirstSerious) return st;
        return ValueAsText(v, result);
    }
    StrRef constant;
    if (VarFind(name).number < 0 && !StringConstant(name, &constant)) return UnknownName(name, index, result);
    return ResultText(VarGetText(name), result);
}

}  // namespace rt
