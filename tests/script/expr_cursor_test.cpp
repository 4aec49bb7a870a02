// Tests of the scanner: operand classification, scan steps, operators, the preparation of texts
// (blanks, macros, balance), the built-in name table and the scanner services for forms.
#include <gtest/gtest.h>

#include <string>

#include "runtime/context.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "script/builtins.h"
#include "script/expr_cursor.h"
#include "script/expr_eval.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

namespace {

using rt::StrFromLiteral;
using rt_test::Str;

class ScannerTest : public rt_test::BalancedPoolTest {};

TEST_F(ScannerTest, ClassifiesOperands) {
    struct Row {
        const char* text;
        uint16_t kind;
    };
    const Row rows[] = {
        {"", rt::kKindNumber},          {"12.5", rt::kKindNumber},     {".dialog", rt::kKindNumber},
        {"'a'", rt::kKindString},       {"x\"y", rt::kKindString},     {"A$", rt::kKindStringName},
        {"A#", rt::kKindNumberName},    {"A", rt::kKindName},          {"_TRACE", rt::kKindName},
        {"{f}", rt::kKindField},        {"a(", rt::kKindCall},         {"'$#'", rt::kKindString},
        {"A$#", rt::kKindStringName},   {"#{", rt::kKindNumberName},   {"@", rt::kKindNumber},
        {"A", rt::kKindName},           {"1A", rt::kKindNumber},
    };
    for (const Row& r : rows) EXPECT_EQ(rt::ClassifyOperand(StrFromLiteral(r.text)), r.kind) << r.text;
}

TEST_F(ScannerTest, ScanSteps) {
    struct Row {
        const char* text;
        uint16_t kind, op, size, next, argLen, func;
    };
    const Row rows[] = {
        {"a+b", rt::kKindName, rt::kOpAdd, 1, 2, 0, 0},
        {"a==b", rt::kKindName, rt::kOpEqual, 1, 3, 0, 0},
        {"a<>b", rt::kKindName, rt::kOpNotEqual, 1, 3, 0, 0},
        {"a&&b", rt::kKindName, rt::kOpAnd, 1, 3, 0, 0},
        {"a@@b", rt::kKindName, rt::kOpNoCommon, 1, 3, 0, 0},
        {"a=-1", rt::kKindName, rt::kOpAssign, 1, 2, 0, 0},
        {"a=>b", rt::kKindName, rt::kOpNone, 1, 3, 0, 0},
        {"12;x", rt::kKindNumber, rt::kOpNone, 2, 3, 0, 0},
        {"x$,y", rt::kKindStringName, rt::kOpNone, 2, 3, 0, 0},
        {"a:b", rt::kKindName, rt::kOpNone, 1, 2, 0, 0},
        {"'a+b'*2", rt::kKindString, rt::kOpMul, 5, 6, 0, 0},
        {"(1+2)*3", rt::kKindGroup, rt::kOpMul, 0, 6, 3, 0},
        {"FN$TRIM(x)+1", rt::kKindStringName | rt::kKindBuiltin, rt::kOpAdd, 7, 11, 1, rt::kFnTrim},
        {"FN#VALN(x)", rt::kKindNumberName | rt::kKindBuiltin, rt::kOpNone, 7, 10, 1, rt::kFnValue},
        {"M(1;(2))-1", rt::kKindName | rt::kKindCall, rt::kOpSub, 1, 9, 5, 0},
        {"ERR()", rt::kKindName | rt::kKindBuiltin, rt::kOpNone, 3, 5, 0, rt::kFnErr},
        {"", rt::kKindNumber, rt::kOpNone, 0, 0, 0, 0},
        {"-1", rt::kKindNumber, rt::kOpSub, 0, 1, 0, 0},
        {"a\xf7" "b", rt::kKindName, rt::kOpMinusPercent, 1, 2, 0, 0},
    };
    for (const Row& r : rows) {
        rt::ExprCursor c = rt::ScanStep(rt::CursorOf(StrFromLiteral(r.text)));
        EXPECT_EQ(c.status, 0) << r.text;
        EXPECT_EQ(c.kind, r.kind) << r.text;
        EXPECT_EQ(c.op, r.op) << r.text;
        EXPECT_EQ(c.size, r.size) << r.text;
        EXPECT_EQ(c.next, r.next) << r.text;
        EXPECT_EQ(c.argLen, r.argLen) << r.text;
        EXPECT_EQ(c.func, r.func) << r.text;
    }
}

TEST_F(ScannerTest, ScanFaults) {
    EXPECT_EQ(rt::ScanStep(rt::CursorOf(StrFromLiteral("f(1"))).status, 129);
    EXPECT_EQ(rt::ScanStep(rt::CursorOf(StrFromLiteral("f(1)x"))).status, 147);
    EXPECT_EQ(rt::ScanStep(rt::CursorOf(StrFromLiteral("(1)(2)"))).status, 147);
    EXPECT_EQ(rt::ScanStep(rt::CursorOf(rt::StrErr(163))).status, 163);
    // A cursor past its end scans an empty operand and stays at the end.
    rt::ExprCursor c = rt::CursorOf(StrFromLiteral("ab"));
    c.next = 9;
    c = rt::ScanStep(c);
    EXPECT_EQ(c.size, 0);
    EXPECT_EQ(c.next, 2);
}

TEST_F(ScannerTest, OperatorTable) {
    struct Row {
        const char* text;
        uint16_t index, prec;
    };
    const Row rows[] = {
        {"*", 1, 4},  {"/", 2, 4},   {"!", 3, 4},   {"%", 4, 4},   {"\xf7", 5, 4}, {"+", 6, 3},  {"-", 7, 3},
        {"=", 8, 0},  {">", 9, 2},   {"<", 10, 2},  {"==", 11, 2}, {">=", 12, 2},  {"<=", 13, 2}, {"<>", 14, 2},
        {"&", 15, 1}, {"|", 16, 5},  {"@", 17, 1},  {"&&", 18, 1}, {"||", 19, 1},  {"@@", 20, 1},
        {":", 0, 0},  {")", 0, 0},   {"=>", 0, 0},  {"", 0, 0},    {"**", 0, 0},
    };
    for (const Row& r : rows) {
        uint16_t index = rt::OperatorIndex(StrFromLiteral(r.text));
        EXPECT_EQ(index, r.index) << r.text;
        EXPECT_EQ(rt::OperatorPrecedence(index), r.prec) << r.text;
    }
}

TEST_F(ScannerTest, SearchesSkipQuotesAndParentheses) {
    EXPECT_EQ(rt::FindDelimiter(StrFromLiteral("'a+b'+c"), 0), 5);
    EXPECT_EQ(rt::FindDelimiter(StrFromLiteral("\"it's\";x"), 0), 6);
    EXPECT_EQ(rt::FindDelimiter(StrFromLiteral("'open+"), 0), 6);
    EXPECT_EQ(rt::FindDelimiter(StrFromLiteral("abc"), 0), 3);
    EXPECT_EQ(rt::MatchParen(StrFromLiteral("f(a(b)')'c)d"), 1), 10);
    EXPECT_EQ(rt::MatchParen(StrFromLiteral("f(a(b)"), 1), rt::kNpos);
    EXPECT_EQ(rt::FindSeparator(StrFromLiteral("f(a;b);c"), 0), 6);
    EXPECT_EQ(rt::FindSeparator(StrFromLiteral("'a;b',c"), 0), 5);
    EXPECT_EQ(rt::FindSeparator(StrFromLiteral("abc"), 0), 3);
}

TEST_F(ScannerTest, PreparationRemovesBlanksOutsideQuotes) {
    struct Row {
        const char* text;
        const char* expected;
    };
    const Row rows[] = {
        {"1 + 2", "1+2"},
        {" a = ' x y ' ", "a=' x y '"},
        {"", ""},
        {"FN$TRIM( \" a \" )", "FN$TRIM(\" a \")"},
        {"_ACCEPT#(3)", "FN#VALN(FN$TRIM(FN$PARM(_$(.envvar;.dialog);3);'FIT'))"},
        {"x$=_ACCEPT$( 2 )+'-'", "x$=FN$TRIM(FN$PARM(_$(.envvar;.dialog);2);'FIT')+'-'"},
        {"_ACCEPT$(1)+_ACCEPT$(2)",
         "FN$TRIM(FN$PARM(_$(.envvar;.dialog);1);'FIT')+FN$TRIM(FN$PARM(_$(.envvar;.dialog);2);'FIT')"},
        {"_ACCEPT$(_ACCEPT#(1))",
         "FN$TRIM(FN$PARM(_$(.envvar;.dialog);FN#VALN(FN$TRIM(FN$PARM(_$(.envvar;.dialog);1);'FIT')));'FIT')"},
        {"'_ACCEPT#(1)'", "'_ACCEPT#(1)'"},
        {"_OTHER$(1;2)", "_OTHER$(1;2)"},
    };
    for (const Row& r : rows) {
        uint16_t mark = rt::PoolMark();
        EXPECT_EQ(Str(rt::PrepareText(StrFromLiteral(r.text))), r.expected) << r.text;
        EXPECT_EQ(rt::PoolMark(), mark + 1);
        rt::PoolRelease(mark);
    }
}

TEST_F(ScannerTest, PreparationRefusesUnbalancedTexts) {
    const char* bad[] = {"(1", "1)", "'abc", "a=\"b", "_ACCEPT#(1", "f(')')x)"};
    for (const char* text : bad) {
        uint16_t mark = rt::PoolMark();
        EXPECT_EQ(rt::StrError(rt::PrepareText(StrFromLiteral(text))), 129) << text;
        EXPECT_EQ(rt::PoolMark(), mark) << text;
    }
    EXPECT_EQ(rt::StrError(rt::PrepareText(rt::StrErr(146))), 146);
}

TEST_F(ScannerTest, ManyMacrosDoNotExhaustThePool) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "_ACCEPT$(1)+";
    text += "1";
    rt::StrRef out = rt::PrepareText(rt::StrMake(text.data(), static_cast<uint16_t>(text.size())));
    EXPECT_EQ(rt::StrError(out), 0);
    EXPECT_EQ(rt::PoolMark(), mark_ + 1);
    rt::PoolRelease(mark_);
    // Expansions that outgrow one text stop with 145.
    std::string huge;
    for (int i = 0; i < 1500; ++i) huge += "_ACCEPT#(1)+";
    huge += "1";
    EXPECT_EQ(rt::StrError(rt::PrepareText(rt::StrMake(huge.data(), static_cast<uint16_t>(huge.size())))), 145);
}

TEST_F(ScannerTest, BuiltinNameTable) {
    const char* names[] = {"_#",      "FN#FLEN", "FN#SLEN",  "FN#PARM", "FN#VALN", "FN#ACUM", "CHK#",   "FN$CHNG",
                           "FN$CHRS", "FN$DATE", "FN$FLDS",  "FN$MASK", "FN$MIDS", "FN$PARM", "FN$TRIM", "ENVELOP$",
                           "CHK$",    "SORT$",   "EXEC$",    "READ$",   "WRITE",   "MACRO$",  "ENVRON$", "_$",
                           "TIME$",   "EXP$",    "SQLCHILD", "ERR",     "$$",      "INDEXOF"};
    for (uint16_t code = 1; code <= rt::kBuiltinCount; ++code) {
        EXPECT_EQ(rt::BuiltinCode(StrFromLiteral(names[code - 1])), code) << names[code - 1];
        EXPECT_EQ(Str(rt::BuiltinName(code)), names[code - 1]);
    }
    EXPECT_EQ(rt::BuiltinCode(StrFromLiteral("fn$trim")), rt::kFnTrim);
    EXPECT_EQ(rt::BuiltinCode(StrFromLiteral("IndexOf")), rt::kFnIndexOf);
    EXPECT_EQ(rt::BuiltinCode(StrFromLiteral("TRIM")), 0);
    EXPECT_EQ(rt::BuiltinCode(StrFromLiteral("")), 0);
    EXPECT_EQ(rt::BuiltinCode(StrFromLiteral("FN$TRIM,")), 0);
    EXPECT_EQ(Str(rt::BuiltinName(0)), "");
    EXPECT_EQ(Str(rt::BuiltinName(31)), "");
    // The names are offered to the language as ".funclist", separated by ';'.
    std::string published = Str(rt::StoreGet(rt::kGroupParams, 8));
    EXPECT_EQ(published.substr(0, 18), "_#;FN#FLEN;FN#SLEN");
    EXPECT_EQ(published.find(','), std::string::npos);
}

rt::ErrCode Twice(rt::BuiltinCall& call, rt::ExprValue* result) {
    rt::ScaledNumber v = 0;
    if (rt::ErrCode err = rt::ArgNumber(call, 1, 0, &v)) return err;
    *result = rt::ExprValue::Number(v * 2);
    return 0;
}

// Hands back a view of its argument on the argument stack, which the call then takes down.
rt::ErrCode Echo(rt::BuiltinCall& call, rt::ExprValue* result) {
    rt::StrRef text;
    if (rt::ErrCode err = rt::ArgText(call, 1, rt::StrEmpty(), &text)) return err;
    *result = rt::ExprValue::Text(text);
    return 0;
}

TEST_F(ScannerTest, ExtensionSlots) {
    ASSERT_EQ(rt::SystemVarsDefaults(), 0);
    EXPECT_EQ(rt::BuiltinExtensionSet(30, "X", Twice, rt::kArgsAll), 163);
    EXPECT_EQ(rt::BuiltinExtensionSet(63, "X", Twice, rt::kArgsAll), 163);
    EXPECT_EQ(rt::BuiltinExtensionSet(40, "TWICE#", Twice, rt::kArgsAll), 0);
    EXPECT_EQ(rt::BuiltinCode(StrFromLiteral("twice#")), 40);
    EXPECT_EQ(rt::EvaluateInteger(StrFromLiteral("TWICE#(21)")), 42);
    ASSERT_EQ(rt::BuiltinExtensionSet(41, "ECHO$", Echo, rt::kArgsAll), 0);
    rt::StrRef echoed = rt::EvaluateToText(StrFromLiteral("ECHO$('abc'+'def')+ECHO$('!')"));
    EXPECT_EQ(Str(echoed), "abcdef!");
    rt::PoolRelease(mark_);
    EXPECT_EQ(rt::BuiltinExtensionSet(41, "ECHO$", nullptr, rt::kArgsAll), 0);
    EXPECT_EQ(rt::BuiltinExtensionSet(40, "TWICE#", nullptr, rt::kArgsAll), 0);
    EXPECT_EQ(rt::BuiltinCode(StrFromLiteral("TWICE#")), 0);
}

TEST_F(ScannerTest, ServicesForForms) {
    rt::ExprCursor c = rt::ClassifyFirstOperand(StrFromLiteral("FN$TRIM(a;b)+1"));
    EXPECT_EQ(c.kind, rt::kKindStringName | rt::kKindBuiltin);
    EXPECT_EQ(Str(rt::ArgumentsText(c)), "a;b");
    EXPECT_EQ(Str(rt::CallText(c)), "FN$TRIM(a;b)");
    EXPECT_EQ(Str(rt::FirstOperandText(StrFromLiteral("FN$TRIM(a)+1"))), "FN$TRIM");
    EXPECT_EQ(Str(rt::FirstOperandText(StrFromLiteral(" total# = 5"))), "total#");
    EXPECT_EQ(rt::StrError(rt::FirstOperandText(StrFromLiteral("f(1"))), 129);
    struct Row {
        const char* args;
        uint16_t n;
        const char* expected;
    };
    const Row rows[] = {
        {"a;(b,c);'x;y'", 1, "a"}, {"a;(b,c);'x;y'", 2, "(b,c)"}, {"a;(b,c);'x;y'", 3, "'x;y'"},
        {"a;(b,c);'x;y'", 4, ""},  {"a;;c", 2, ""},               {"a, b ,c", 2, "b"},
        {"", 1, ""},               {"a", 0, ""},                  {"a;", 2, ""},
    };
    for (const Row& r : rows) EXPECT_EQ(Str(rt::ArgumentText(StrFromLiteral(r.args), r.n)), r.expected) << r.args << " #" << r.n;
}

}  // namespace
