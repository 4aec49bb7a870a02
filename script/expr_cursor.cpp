// The expression scanner: delimiters, parentheses, quoted parts and the classification of operands.
#include "script/expr_cursor.h"

#include "runtime/host_hooks.h"
#include "runtime/text_search.h"
#include "script/builtins.h"
#include "script/expr_eval.h"

namespace rt {

namespace {

constexpr char kDelimiters[] = "*/!%\xf7+-(;,:)=><&@|";
// A second character that makes a two-character operator.
constexpr char kSecondChars[] = "=><&@|";

bool InSet(const char* set, char c) {
    for (const char* p = set; *p; ++p)
        if (*p == c) return true;
    return false;
}

}  // namespace

uint16_t FindDelimiter(StrRef text, uint16_t from) {
    if (!text.ok()) return 0;
    const uint16_t at = ScanUnquoted(text, from, [](unsigned char c, uint16_t) {
        return InSet(kDelimiters, static_cast<char>(c));
    });
    return at == kNpos ? text.len : at;
}

uint16_t MatchParen(StrRef text, uint16_t open) {
    if (!text.ok() || open >= text.len) return kNpos;
    uint32_t depth = 0;
    return ScanUnquoted(text, open, [&depth](unsigned char c, uint16_t) {
        if (c == '(') ++depth;
        return c == ')' && --depth == 0;
    });
}

uint16_t FindSeparator(StrRef text, uint16_t from) {
    if (!text.ok()) return 0;
    uint32_t depth = 0;
    const uint16_t at = ScanUnquoted(text, from, [&depth](unsigned char c, uint16_t) {
        if (c == '(') ++depth;
        if (c == ')' && depth) --depth;
        return (c == ';' || c == ',') && depth == 0;
    });
    return at == kNpos ? text.len : at;
}

uint16_t ClassifyOperand(StrRef text) {
    if (!text.ok() || text.len == 0) return kKindNumber;
    bool seen[5] = {};
    for (uint16_t i = 0; i < text.len; ++i) {
        switch (text.ptr[i]) {
            case '\'': case '"': seen[0] = true; break;
            case '$': seen[1] = true; break;
            case '#': seen[2] = true; break;
            case '{': seen[3] = true; break;
            case '(': seen[4] = true; break;
            default: break;
        }
    }
    if (seen[0]) return kKindString;
    if (seen[1]) return kKindStringName;
    if (seen[2]) return kKindNumberName;
    if (seen[3]) return kKindField;
    if (seen[4]) return kKindCall;
    return text.at(0) > '@' ? kKindName : kKindNumber;
}

ExprCursor CursorOf(StrRef text) {
    ExprCursor c;
    if (!text.ok()) {
        c.status = StrError(text);
        return c;
    }
    c.text = text.ptr;
    c.len = text.len;
    return c;
}

ExprCursor ScanStep(ExprCursor c) {
    // A cursor over an error value keeps reporting it.
    if (!c.text) {
        if (!c.status) c.status = kErrNoCode;
        return c;
    }
    StrRef text = StrMake(c.text, c.len);
    c.op = kOpNone;
    c.prec = 0;
    c.func = 0;
    c.argLen = 0;
    c.kind = kKindNumber;
    c.status = 0;
    if (c.next > c.len) c.next = c.len;
    c.start = c.next;
    uint16_t d = FindDelimiter(text, c.start);
    c.size = static_cast<uint16_t>(d - c.start);
    bool call = false;
    if (d < c.len && c.text[d] == '(') {
        call = true;
        uint16_t close = MatchParen(text, d);
        if (close == kNpos) {
            c.status = kErrLoopFailure;
            c.next = c.len;
            return c;
        }
        c.argLen = static_cast<uint16_t>(close - d - 1);
        // The operator follows the closing parenthesis directly; anything else there is no operand
        // of this language.
        d = static_cast<uint16_t>(close + 1);
        if (d < c.len && FindDelimiter(text, d) != d) {
            c.status = kErrSyntax;
            c.next = c.len;
            return c;
        }
        if (d < c.len && c.text[d] == '(') {
            c.status = kErrSyntax;
            c.next = c.len;
            return c;
        }
    }
    if (d >= c.len) {
        c.next = c.len;
    } else if (c.text[d] == ';' || c.text[d] == ',') {
        c.next = static_cast<uint16_t>(d + 1);
    } else {
        uint16_t n = (d + 1 < c.len && InSet(kSecondChars, c.text[d + 1])) ? 2 : 1;
        c.op = OperatorIndex(StrMake(c.text + d, n));
        c.prec = OperatorPrecedence(c.op);
        c.next = static_cast<uint16_t>(d + n);
    }

    StrRef operand = StrMake(c.text + c.start, c.size);
    if (call && c.size == 0) {
        c.kind = kKindGroup;
        return c;
    }
    c.kind = ClassifyOperand(operand);
    if (c.kind == kKindName || c.kind == kKindField) {
        if (auto hook = HookAs<ReclassifyHookFn>(kHookReclassify)) c.kind = hook(operand, c.kind);
    }
    if (call) {
        c.func = BuiltinCode(operand);
        c.kind = static_cast<uint16_t>(c.kind | (c.func ? kKindBuiltin : kKindCall));
    }
    return c;
}

StrRef OperandText(const ExprCursor& c) { return StrMake(c.text ? c.text + c.start : "", c.text ? c.size : 0); }

StrRef ArgumentsText(const ExprCursor& c) {
    if (!c.text || !(c.kind & (kKindCall | kKindBuiltin | kKindGroup))) return StrEmpty();
    return StrMake(c.text + c.start + c.size + 1, c.argLen);
}

StrRef CallText(const ExprCursor& c) {
    if (!c.text) return StrEmpty();
    if (!(c.kind & (kKindCall | kKindBuiltin | kKindGroup))) return OperandText(c);
    return StrMake(c.text + c.start, static_cast<uint16_t>(c.size + c.argLen + 2));
}

StrRef TextFrom(const ExprCursor& c) {
    if (!c.text) return StrEmpty();
    return StrMake(c.text + c.start, static_cast<uint16_t>(c.len - c.start));
}

bool OperandEmpty(const ExprCursor& c) {
    return c.size == 0 && !(c.kind & (kKindCall | kKindBuiltin | kKindGroup));
}

bool CursorAtEnd(const ExprCursor& c) { return c.next >= c.len; }

}  // namespace rt
