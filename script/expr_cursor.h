// ExprCursor: the scan state of an expression text, and the scanner that reads one operand and the
// operator behind it at a time.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// OperandKind: bit 0 set means a text value.
inline constexpr uint16_t kKindNumber = 0;      // numeric literal or named constant
inline constexpr uint16_t kKindString = 1;      // string literal (holds a quote)
inline constexpr uint16_t kKindName = 2;        // plain name: integer variable
inline constexpr uint16_t kKindStringName = 3;  // holds '$'
inline constexpr uint16_t kKindNumberName = 6;  // holds '#'
inline constexpr uint16_t kKindField = 8;       // field reference (holds '{'), read by the host
inline constexpr uint16_t kKindCall = 16;       // flag: call of a name that is not a built-in
inline constexpr uint16_t kKindBuiltin = 32;    // flag: call of a built-in function
inline constexpr uint16_t kKindGroup = 64;      // parenthesised group
inline constexpr uint16_t kKindBaseMask = 15;

// Operator indexes: 1-based positions in the operator list "*,/,!,%,\xf7,+,-,=,>,<,==,...".
enum ExprOperator : uint16_t {
    kOpNone = 0, kOpMul, kOpDiv, kOpRound, kOpPercent, kOpMinusPercent, kOpAdd, kOpSub, kOpAssign,
    kOpGreater, kOpLess, kOpEqual, kOpGreaterEq, kOpLessEq, kOpNotEqual, kOpBitAnd, kOpUnion,
    kOpUnionAt, kOpAnd, kOpOr, kOpNoCommon,
};
inline constexpr uint16_t kOperatorCount = 20;

// One scan step. Positions are offsets into the text.
struct ExprCursor {
    const char* text = nullptr;
    uint16_t len = 0;
    uint16_t op = kOpNone;  // operator behind the operand
    uint16_t kind = 0;      // OperandKind of the operand
    uint16_t start = 0;     // start of the operand
    uint16_t size = 0;      // length of the operand (of a call: of its name)
    uint16_t next = 0;      // where the next scan starts
    uint16_t argLen = 0;    // length of the argument text of a call or group
    uint16_t prec = 0;      // precedence of the operator
    uint16_t func = 0;      // built-in function code (0: not a built-in)
    ErrCode status = 0;     // 0, or kErrLoopFailure for a call's unpaired parenthesis
};

// A cursor at the start of text.
ExprCursor CursorOf(StrRef text);
// Scans the next operand and the operator behind it, from c.next.
ExprCursor ScanStep(ExprCursor c);
// The operand's text (of a call: its name).
StrRef OperandText(const ExprCursor& c);
// The argument text of a call or group (between its parentheses); empty otherwise.
StrRef ArgumentsText(const ExprCursor& c);
// The whole call text: name, parentheses and arguments; the operand text for other operands.
StrRef CallText(const ExprCursor& c);
// The text from the operand's start to the end.
StrRef TextFrom(const ExprCursor& c);
// True when the operand is empty: length 0 and not a call or group.
bool OperandEmpty(const ExprCursor& c);
bool CursorAtEnd(const ExprCursor& c);

// OperandKind of an operand text: the first of quote, '$', '#', '{', '(' that occurs anywhere
// decides (1, 3, 6, 8, 16); without them a first character above '@' gives 2, anything else 0.
uint16_t ClassifyOperand(StrRef text);

// Scanner primitives over a text, all skipping quoted parts ('...' or "..."); an unclosed quote
// runs to the end of the text.
// Position of the first delimiter of "*/!%\xf7+-(;,:)=><&@|" at or after from, or len.
uint16_t FindDelimiter(StrRef text, uint16_t from);
// Position of the ')' that closes the '(' at open, or kNpos.
uint16_t MatchParen(StrRef text, uint16_t open);
// Position of the first ';' or ',' at or after from outside parentheses, or len.
uint16_t FindSeparator(StrRef text, uint16_t from);

// Operator index of an operator text (0 when it is not an operator), and its precedence.
uint16_t OperatorIndex(StrRef text);
uint16_t OperatorPrecedence(uint16_t op);

}  // namespace rt

namespace rt {

// ---- scanner services for forms (the text is scanned as given, not prepared) --------------------
// The cursor after one scan step over the start of text: the first operand's kind, extent and
// the operator behind it.
ExprCursor ClassifyFirstOperand(StrRef text);
// The first operand's text (of a call: its name), blanks trimmed; a piece of text.
StrRef FirstOperandText(StrRef text);
// Argument n (1-based) of an argument text, separated at top level by ';' or ',', blanks trimmed;
// empty when there is no such argument. A piece of args.
StrRef ArgumentText(StrRef args, uint16_t n);

}  // namespace rt
