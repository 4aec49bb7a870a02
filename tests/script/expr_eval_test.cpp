// Tests of the evaluator: precedence, operators at every precision, assignment, statement lists,
// the typed entry points and the faults it must survive (overflow, division by zero, nesting,
// unbalanced texts, argument counts).
#include <gtest/gtest.h>

#include <string>

#include "runtime/array_vars.h"
#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/host_hooks.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "script/expr_eval.h"
#include "runtime/number_text.h"
#include "tests/support/system_vars.h"
#include "tests/support/text.h"

namespace {

using rt::StrFromLiteral;

// Evaluates text and describes the outcome: "N:" number text, "S:" string, "E:" status >= 122,
// "W<code>:" and the value for the other warnings.
std::string Eval(const std::string& text) {
    uint16_t mark = rt::PoolMark();
    rt::ExprValue v;
    uint16_t st = rt::EvaluateValue(rt_test::V(text), &v);
    std::string out;
    if (st >= rt::kErrUserCanceled && st != rt::kErrNullExpression && st != rt::kErrTypeWarning) {
        out = "E:" + std::to_string(st);
    } else {
        if (st > 1) out = "W" + std::to_string(st);
        if (v.isString) {
            out += "S:" + std::string(v.text.ptr, v.text.len);
        } else {
            rt::StrRef n = rt::NumberToText(v.number);
            out += "N:" + std::string(n.ptr, n.len);
        }
    }
    rt::PoolRelease(mark);
    return out;
}

class ExprTest : public rt_test::SystemDefaultsTest {
protected:
    void TearDown() override {
        SystemDefaultsTest::TearDown();
        ASSERT_EQ(rt::SystemVarsDefaults(), 0);
    }
    static void SetPrecision(int p) { ASSERT_EQ(rt::IntSet(rt::kSysPrecis, static_cast<int16_t>(p)), 0); }
};

struct Case {
    const char* text;
    const char* expected;
};

void CheckAll(const Case* cases, size_t n) {
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(Eval(cases[i].text), cases[i].expected) << "text: " << cases[i].text;
}

TEST_F(ExprTest, PrecedenceAndAssociativity) {
    const Case cases[] = {
        {"2+3*4", "N:14"},       {"(2+3)*4", "N:20"},   {"10-4-3", "N:3"},      {"2*-3", "N:-6"},
        {"2*-3+1", "N:-5"},      {"1+-2*3", "N:-5"},    {"--5", "N:5"},         {"-2*3", "N:-6"},
        {"1+2|4", "N:7"},        {"2*1|2", "N:6"},      {"1+2>2", "N:1"},       {"1<2&&3<2", "N:"},
        {"1+2==3", "N:1"},       {"24/4/2", "N:3"},     {"2*3%50", "N:3"},      {"((((7))))", "N:7"},
        {"1 + 2 * 3", "N:7"},    {"2*(3+4)*5", "N:70"}, {"8-(1-2)", "N:9"},     {"6&3+1", "N:4"},
    };
    CheckAll(cases, std::size(cases));
}

TEST_F(ExprTest, ArithmeticAtPrecisionTwo) {
    const Case cases[] = {
        {"7/2", "N:3.5"},   {"1/3", "N:.33"},    {"2/3", "N:.67"},    {"-2/3", "N:-.67"},
        {"6/-3", "N:-2"},   {"200%15", "N:30"},  {"200\xf7" "15", "N:170"}, {"1.5*1.5", "N:2.25"},
        {".05*.5", "N:.03"}, {"-.05*.5", "N:-.03"}, {"0.1+0.2", "N:.3"}, {"5-7", "N:-2"},
    };
    CheckAll(cases, std::size(cases));
}

TEST_F(ExprTest, RoundingOperator) {
    SetPrecision(4);
    EXPECT_EQ(Eval("3.1416!2"), "N:3.14");
    EXPECT_EQ(Eval("3.1456!2"), "N:3.15");
    EXPECT_EQ(Eval("-3.145!2"), "N:-3.15");
    EXPECT_EQ(Eval("3.1416!4"), "N:3.1416");
    EXPECT_EQ(Eval("1234.5!-2"), "N:1200");
    SetPrecision(2);
    // More decimals than P scale the value up: the value keeps P decimals.
    EXPECT_EQ(Eval("3.14!4"), "N:314");
    EXPECT_EQ(Eval("1!40"), "E:155");
    EXPECT_EQ(Eval("0!40"), "N:");
}

TEST_F(ExprTest, DivisionAtEveryPrecision) {
    struct Row {
        int p;
        const char* sevenHalves;
        const char* third;
        const char* twoThirds;
        const char* minusTwoThirds;
    };
    const Row rows[] = {
        // Half of an odd divisor is not truncated: 1/3 rounds to 0, not 1.
        {0, "4", "", "1", "-1"},
        {1, "3.5", ".3", ".7", "-.7"},
        {2, "3.5", ".33", ".67", "-.67"},
        {3, "3.5", ".333", ".667", "-.667"},
        {4, "3.5", ".3333", ".6667", "-.6667"},
    };
    for (const Row& r : rows) {
        SetPrecision(r.p);
        EXPECT_EQ(Eval("7/2"), std::string("N:") + r.sevenHalves) << "P=" << r.p;
        EXPECT_EQ(Eval("1/3"), std::string("N:") + r.third) << "P=" << r.p;
        EXPECT_EQ(Eval("2/3"), std::string("N:") + r.twoThirds) << "P=" << r.p;
        EXPECT_EQ(Eval("-2/3"), std::string("N:") + r.minusTwoThirds) << "P=" << r.p;
        EXPECT_EQ(Eval("3*4"), "N:12") << "P=" << r.p;
        EXPECT_EQ(Eval("5>4"), "N:1") << "P=" << r.p;
        EXPECT_EQ(Eval("5|2"), "N:7") << "P=" << r.p;
    }
}

TEST_F(ExprTest, PrecisionOutsideItsRangeIsRefused) {
    EXPECT_EQ(Eval("_PRECIS=5"), "E:168");
    EXPECT_EQ(Eval("_PRECIS=-1"), "E:168");
    EXPECT_EQ(rt::IntGet(rt::kSysPrecis), 2);
    EXPECT_EQ(Eval("_PRECIS=4;1/3"), "N:.3333");
    // Even a value stored behind the store's back is read within 0..4.
    SetPrecision(9);
    EXPECT_EQ(rt::ScaleFactor(), 10000);
    EXPECT_EQ(Eval("1/3"), "N:.3333");
}

TEST_F(ExprTest, BitAndLogicalOperators) {
    const Case cases[] = {
        {"5|2", "N:7"},    {"5|4", "N:"},     {"5@2", "N:7"},    {"5@4", "N:"},   {"6&3", "N:2"},
        {"6.9&3.9", "N:2"}, {"1&&0", "N:"},   {"1&&2", "N:1"},   {"0||0", "N:"},  {"0||3", "N:1"},
        {"1@@2", "N:1"},   {"1@@3", "N:"},    {"0@@0", "N:"},    {"3@@0", "N:1"},
        // A value whose low 16 bits are all zero is still true.
        {"655.36&&1", "N:1"}, {"655.36||0", "N:1"},
    };
    CheckAll(cases, std::size(cases));
}

TEST_F(ExprTest, ComparisonsOfNumbersAndTexts) {
    const Case cases[] = {
        {"2>1", "N:1"},        {"2<1", "N:"},          {"2>=2", "N:1"},       {"2<=1", "N:"},
        {"2<>2", "N:"},        {"2==2", "N:1"},        {"'b'>'abc'", "N:1"},  {"'ab'<'abc'", "N:1"},
        {"'a'<>'a'", "N:"},    {"'ABC'>='ABC'", "N:1"}, {"'a'<='b'", "N:1"},  {"'x'=='x'", "N:1"},
    };
    CheckAll(cases, std::size(cases));
}

TEST_F(ExprTest, TextsAndPatterns) {
    const Case cases[] = {
        {"'abc'+'def'", "S:abcdef"},      {"'abc'-'a'", "E:147"},          {"'abc'+1", "E:128"},
        {"1+'abc'", "E:128"},             {"'Customer'=='CUST*'", "N:1"},  {"'Customer'=='*TOM*'", "N:1"},
        {"'Customer'=='*xyz*'", "N:"},    {"'Cu'=='CUST*'", "N:"},         {"'Customer'=='*tom*'", "N:"},
        {"'a+b;c'", "S:a+b;c"},           {"\"it's\"", "S:it's"},          {"x'y'", "S:X'Y'"},
        {"-'a'", "E:128"},                {"'a'+-'b'", "E:147"},           {"'a'*'b'", "E:147"},
    };
    CheckAll(cases, std::size(cases));
    EXPECT_EQ(Eval("_AUXSTAT=128;'Customer'=='CUST*'"), "N:");
}

TEST_F(ExprTest, MismatchReportsTheExpressionFromTheOperandOn) {
    EXPECT_EQ(Eval("q1=1;'abc'+1"), "E:128");
    std::string detail(rt::ErrorDetail().ptr, rt::ErrorDetail().len);
    EXPECT_NE(detail.find("'abc'+1"), std::string::npos) << detail;
    EXPECT_EQ(rt::LastError().code, 128);
    EXPECT_EQ(rt::LastError().module, rt::kModExpExec);
}

TEST_F(ExprTest, AssignmentToEachType) {
    EXPECT_EQ(Eval("ai=12.34"), "N:12.34");
    EXPECT_EQ(Eval("ai"), "N:12");
    EXPECT_EQ(Eval("an#=12.345"), "N:12.35");
    EXPECT_EQ(Eval("an#"), "N:12.35");
    EXPECT_EQ(Eval("as$='Hello'"), "S:Hello");
    EXPECT_EQ(Eval("as$"), "S:Hello");
    EXPECT_EQ(Eval("as$=as$+' world';as$"), "S:Hello world");
    EXPECT_EQ(Eval("an#='x'"), "E:128");
    EXPECT_EQ(Eval("as$=1"), "E:128");
    EXPECT_EQ(Eval("ai='1'"), "E:128");
    EXPECT_EQ(Eval("as$"), "S:Hello world");
    EXPECT_EQ(Eval("'x'=5"), "E:147");
    EXPECT_EQ(Eval("1+ai=5"), "E:147");
    EXPECT_EQ(Eval("=5"), "E:147");
    EXPECT_EQ(Eval("ai=-7"), "N:-7");
    EXPECT_EQ(Eval("ai"), "N:-7");
}

TEST_F(ExprTest, ChainedAssignmentSetsRightFirst) {
    EXPECT_EQ(Eval("ca=cb=5"), "N:5");
    EXPECT_EQ(Eval("ca+cb"), "N:10");
    EXPECT_EQ(Eval("cx$=cy$='q'"), "S:q");
    EXPECT_EQ(Eval("cx$+cy$"), "S:qq");
    EXPECT_EQ(Eval("cn#=ca=2.5*2"), "N:5");
}

TEST_F(ExprTest, StatementLists) {
    EXPECT_EQ(Eval("s1=1;s2=s1+1;s2*10"), "N:20");
    EXPECT_EQ(Eval("s1=3,s2=4,s1*s2"), "N:12");
    EXPECT_EQ(Eval("1:2"), "N:2");
    EXPECT_EQ(Eval("1;"), "N:1");
    EXPECT_EQ(Eval("'a';5"), "N:5");
    EXPECT_EQ(Eval("5;'a'"), "S:a");
    // An unknown operator pair ends the expression like a separator.
    EXPECT_EQ(Eval("1=>2"), "N:2");
    // Earlier statements keep their effect when a later one fails; later ones do not run.
    EXPECT_EQ(Eval("k1=7;'x'+1;k1=9"), "E:128");
    EXPECT_EQ(Eval("k1"), "N:7");
}

TEST_F(ExprTest, EmptyTextAndEmptyStatements) {
    uint16_t mark = rt::PoolMark();
    EXPECT_EQ(rt::Evaluate(StrFromLiteral("")), 0);
    EXPECT_EQ(rt::PoolMark(), mark + 1);
    EXPECT_EQ(rt::PoolTop().len, 8);
    EXPECT_EQ(rt::SlotToNumber(rt::PoolTop()), 0);
    rt::PoolRelease(mark);
    EXPECT_EQ(Eval("   "), "N:");
    // The value is the last statement's, even an empty one.
    EXPECT_EQ(Eval("1;;"), "N:");
    EXPECT_EQ(Eval("1+"), "E:147");
    EXPECT_EQ(Eval("2*"), "E:147");
    EXPECT_EQ(Eval("1+-"), "E:147");
}

TEST_F(ExprTest, ResultSlotHoldsTheValue) {
    uint16_t mark = rt::PoolMark();
    EXPECT_EQ(rt::Evaluate(StrFromLiteral("1.5+1")), rt::kResultNumber);
    EXPECT_EQ(rt::SlotToNumber(rt::PoolTop()), 250);
    rt::PoolRelease(mark);
    EXPECT_EQ(rt::Evaluate(StrFromLiteral("'ab'+'cd'")), rt::kResultString);
    EXPECT_EQ(std::string(rt::PoolTop().ptr, rt::PoolTop().len), "abcd");
    EXPECT_EQ(rt::PoolMark(), mark + 1);
    rt::PoolRelease(mark);
    EXPECT_EQ(rt::Evaluate(StrFromLiteral("1+")), rt::kErrSyntax);
    EXPECT_EQ(rt::PoolMark(), mark + 1);
    rt::PoolRelease(mark);
}

TEST_F(ExprTest, Conditions) {
    struct Row {
        const char* text;
        uint16_t expected;
    };
    const Row rows[] = {
        {"", 1},      {"  ", 1},     {"1", 1},         {"0", 0},       {"2>1", 1},   {"1>2", 0},
        {"'a'", 0},   {"-1", 1},     {".01", 1},       {"'a'+1", 128}, {"1+", 147},  {"(1", 129},
    };
    for (const Row& r : rows) EXPECT_EQ(rt::EvaluateCondition(StrFromLiteral(r.text)), r.expected) << r.text;
}

TEST_F(ExprTest, IntegersOfResults) {
    struct Row {
        const char* text;
        int16_t expected;
    };
    const Row rows[] = {
        {"7/2", 4},  {"-2.5", -3}, {"2.49", 2}, {"'x'", 0}, {"'a'+1", INT16_MIN}, {"", 0}, {"100*3", 300},
    };
    for (const Row& r : rows) EXPECT_EQ(rt::EvaluateInteger(StrFromLiteral(r.text)), r.expected) << r.text;
}

TEST_F(ExprTest, TextsOfResults) {
    uint16_t mark = rt::PoolMark();
    rt::StrRef t = rt::EvaluateToText(StrFromLiteral("1.5*2"));
    EXPECT_EQ(std::string(t.ptr, t.len), "3");
    EXPECT_EQ(rt::PoolMark(), mark + 1);
    rt::PoolRelease(mark);
    t = rt::EvaluateToText(StrFromLiteral("'ab'+'c'"));
    EXPECT_EQ(std::string(t.ptr, t.len), "abc");
    rt::PoolRelease(mark);
    t = rt::EvaluateToText(StrFromLiteral("'a'-1"));
    EXPECT_EQ(rt::StrError(t), 128);
    EXPECT_EQ(rt::PoolMark(), mark);
}

TEST_F(ExprTest, ExecuteStatementsKeepsOnlySeriousErrors) {
    EXPECT_EQ(rt::ExecuteStatements(StrFromLiteral("z1=4;z1=z1*2")), 0);
    EXPECT_EQ(Eval("z1"), "N:8");
    EXPECT_EQ(rt::ExecuteStatements(StrFromLiteral("1+")), 147);
    EXPECT_EQ(rt::ExecuteStatements(StrFromLiteral("'s'")), 0);
}

TEST_F(ExprTest, AssignTypedByTargetType) {
    uint16_t mark = rt::PoolMark();
    EXPECT_EQ(rt::AssignTyped(rt::kVarInteger, StrFromLiteral("24")), 0);
    EXPECT_EQ(rt::SlotToNumber(rt::PoolTop()), 2400);
    rt::PoolRelease(mark);
    EXPECT_EQ(rt::AssignTyped(rt::kVarInteger, StrFromLiteral(" -7x")), 0);
    EXPECT_EQ(rt::SlotToNumber(rt::PoolTop()), -700);
    rt::PoolRelease(mark);
    EXPECT_EQ(rt::AssignTyped(rt::kVarNumber, StrFromLiteral("1.5")), 0);
    EXPECT_EQ(rt::SlotToNumber(rt::PoolTop()), 150);
    rt::PoolRelease(mark);
    EXPECT_EQ(rt::AssignTyped(rt::kVarString, StrFromLiteral("1.5")), 0);
    EXPECT_EQ(std::string(rt::PoolTop().ptr, rt::PoolTop().len), "1.5");
    rt::PoolRelease(mark);
    EXPECT_EQ(rt::AssignTyped(rt::kVarArray, StrFromLiteral("1")), 147);
    EXPECT_EQ(rt::AssignTyped(rt::kVarNone, StrFromLiteral("1")), 147);
    EXPECT_EQ(rt::AssignTyped(rt::kVarString, rt::StrErr(163)), 163);
    EXPECT_EQ(rt::PoolMark(), mark);
}

TEST_F(ExprTest, NamedConstants) {
    EXPECT_EQ(Eval(".dialog"), "N:7");
    EXPECT_EQ(Eval(".envvar*2"), "N:18");
    EXPECT_EQ(Eval(".datey"), "N:10000");
    EXPECT_EQ(Eval(".iscgi"), "N:16384");
    EXPECT_EQ(Eval(".sysmsg+.funclist"), "N:17");
    EXPECT_EQ(Eval(".5"), "N:.5");
    // A dot-name that is no constant is read as a number without its dot.
    EXPECT_EQ(Eval(".nothing"), "N:");
}

TEST_F(ExprTest, OverflowIsAnErrorNotAWrap) {
    EXPECT_EQ(Eval("ov#=90000000000000000;ov#+ov#"), "E:155");
    EXPECT_EQ(Eval("ov#*ov#"), "E:155");
    EXPECT_EQ(Eval("ov#*100"), "E:155");
    EXPECT_EQ(Eval("0-ov#-ov#"), "E:155");
    EXPECT_EQ(Eval("ov#%1000"), "E:155");
    // A product that only overflows 64 bits before its division by S is computed exactly.
    EXPECT_EQ(Eval("ov#*1"), "N:90000000000000000");
    EXPECT_EQ(Eval("ov#/1"), "N:90000000000000000");
    EXPECT_EQ(Eval("ov#*2/2"), "E:155");
    EXPECT_EQ(Eval("(ov#/1000)*(1000/1000)"), "N:90000000000000");
    EXPECT_EQ(rt::LastError().code, 155);
}

TEST_F(ExprTest, DivisionByZeroGivesZero) {
    EXPECT_EQ(Eval("1/0"), "N:");
    EXPECT_EQ(Eval("dz=0;5/dz+2"), "N:2");
    EXPECT_EQ(Eval("0/0"), "N:");
    EXPECT_EQ(Eval("-7.5/0"), "N:");
    EXPECT_EQ(Eval("CHK#(0;1/0)"), "N:");
}

TEST_F(ExprTest, DeepNestingFailsCleanly) {
    std::string ok = std::string(40, '(') + "1" + std::string(40, ')');
    EXPECT_EQ(Eval(ok), "N:1");
    std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
    EXPECT_EQ(Eval(deep), "E:140");
    std::string minus = std::string(300, '-') + "1";
    EXPECT_EQ(Eval(minus), "E:140");
    std::string calls;
    for (int i = 0; i < 500; ++i) calls += "FN#SLEN(";
    calls += "'x'";
    calls += std::string(500, ')');
    EXPECT_EQ(Eval(calls), "E:140");
    // The guard is released again: ordinary texts still work.
    EXPECT_EQ(Eval("1+1"), "N:2");
}

TEST_F(ExprTest, UnbalancedTexts) {
    const Case cases[] = {
        {"(1+2", "E:129"},   {"1+2)", "E:129"},  {")(", "E:129"},       {"'abc", "E:129"},
        {"ub$='it", "E:129"}, {"\"a'", "E:129"}, {"'(' + 'x'", "S:(x"}, {"FN#SLEN(')')", "N:1"},
        {"(1)(2)", "E:147"}, {"FN#SLEN('a')x", "E:147"},
    };
    CheckAll(cases, std::size(cases));
    // Nothing was evaluated before the parentheses were checked.
    EXPECT_EQ(Eval("ub1=5;(1"), "E:129");
    EXPECT_EQ(rt::VarFind(StrFromLiteral("ub1")).number, -1);
}

TEST_F(ExprTest, ArgumentCountsAndEmptyArguments) {
    // $$ joins its arguments with a zero byte: 16 arguments give 15 separators.
    std::string call = "$$('a'";
    for (char c = 'b'; c <= 'p'; ++c) call += std::string(";'") + c + "'";
    call += ";seventeen=1)";
    uint16_t mark = rt::PoolMark();
    rt::ExprValue v;
    EXPECT_EQ(rt::EvaluateValue(rt::StrMake(call.data(), static_cast<uint16_t>(call.size())), &v), rt::kResultString);
    EXPECT_EQ(v.text.len, 31);
    rt::PoolRelease(mark);
    EXPECT_EQ(rt::VarFind(StrFromLiteral("seventeen")).number, -1) << "the 17th argument ran";
    EXPECT_EQ(Eval("FN$MIDS('abc';;2)"), "S:c");
    EXPECT_EQ(Eval("FN$MIDS('ABCDEF';2;3)"), "S:BCD");
    EXPECT_EQ(Eval("FN$MIDS('ABCDEF';-2)"), "S:EF");
    EXPECT_EQ(Eval("FN$MIDS('abc')"), "E:147");
    EXPECT_EQ(Eval("FN$MIDS(;;)"), "S:");
    EXPECT_EQ(Eval("FN#SLEN()"), "E:147");
    EXPECT_EQ(Eval("FN#SLEN(1)"), "E:128");
    std::string detail(rt::ErrorDetail().ptr, rt::ErrorDetail().len);
    EXPECT_EQ(detail.find("FN#SLEN(1)"), 0u) << detail;
}

TEST_F(ExprTest, BuiltinCallsAndTheirLaziness) {
    EXPECT_EQ(Eval("FN#SLEN('abcd')"), "N:4");
    EXPECT_EQ(Eval("fn#slen('abcd')"), "N:4");
    EXPECT_EQ(Eval("FN#SLEN('ab')*2+1"), "N:5");
    EXPECT_EQ(Eval("CHK#(1;10;1/0)"), "N:10");
    EXPECT_EQ(Eval("CHK#(0;1/0;20)"), "N:20");
    EXPECT_EQ(Eval("CHK#(0;1;2;3)"), "N:3");
    EXPECT_EQ(Eval("CHK$(1;'x';FN$TRIM('y'))"), "S:x");
    EXPECT_EQ(Eval("CHK$(0;'x')"), "S:");
    EXPECT_EQ(Eval("CHK$(1;)"), "S:");
    EXPECT_EQ(Eval("CHK#(1;'x')"), "W125S:x");
    EXPECT_EQ(Eval("CHK#(1;'x')=1"), "E:128");
    EXPECT_EQ(Eval("ERR('1+')"), "N:147");
    EXPECT_EQ(Eval("ERR('1')"), "N:");
    EXPECT_EQ(Eval("ERR(\"'a'\")"), "N:1");
    EXPECT_EQ(Eval("$$('a\\tb')"), std::string("S:a\tb"));
    // Functions whose handlers live elsewhere, and calls the host would have to answer.
    EXPECT_EQ(Eval("SQLCHILD(1)"), "E:148");
    EXPECT_EQ(Eval("_HOSTFN(1)"), "E:148");
    EXPECT_EQ(Eval("{field}"), "E:148");
    EXPECT_EQ(Eval("{field}=1"), "E:148");
    EXPECT_EQ(Eval("2(3)"), "E:147");
}

TEST_F(ExprTest, ArrayElementsThroughTheLanguage) {
    EXPECT_EQ(Eval("EM(2;3)"), "N:");  // created on reference, 3 x 4
    EXPECT_EQ(Eval("EM(1;2)=5;EM(1;2)+EM(0;5)"), "N:5");
    EXPECT_EQ(Eval("EM(0;6)"), "N:5");  // flat element 6 is (1, 2)
    EXPECT_EQ(Eval("EM(2;4)"), "E:168");
    EXPECT_EQ(Eval("EM(0;7)"), "N:");
    EXPECT_EQ(Eval("EM(1;2)='x'"), "E:128");
    EXPECT_EQ(Eval("EN(1)=3"), "E:149");
    EXPECT_EQ(Eval("EM(;1)"), "E:147");
    EXPECT_EQ(Eval("EM(1;1;1;1;1)"), "E:149");
    EXPECT_EQ(Eval("ES$(3;'....')"), "S:....");
    EXPECT_EQ(Eval("ES$(1)='abcdef';ES$(1)"), "S:abcd");
    EXPECT_EQ(Eval("ES$(2)='ab';ES$(2)+'|'"), "S:ab  |");
    EXPECT_EQ(Eval("ET$(3)"), "E:147");  // a string array needs its initial text
    EXPECT_EQ(Eval("EF#(4);EF#(4)=1.25;EF#(4)*2"), "N:2.5");
}

// Host hooks for field references: a field reads as its stored text, assignments are recorded.
std::string gFieldText = "12.5";
std::string gAssigned;
rt::StrRef ReadFieldHook(rt::StrRef, int16_t) { return rt::StrMake(gFieldText.data(), static_cast<uint16_t>(gFieldText.size())); }
rt::ErrCode AssignFieldHook(rt::StrRef field, rt::StrRef value) {
    gAssigned = std::string(field.ptr, field.len) + "<-" + std::string(value.ptr, value.len);
    return 0;
}

TEST_F(ExprTest, FieldReferencesGoThroughTheHost) {
    rt::HookSet(rt::kHookFieldRead, reinterpret_cast<rt::HookFn>(&ReadFieldHook));
    rt::HookSet(rt::kHookFieldAssign, reinterpret_cast<rt::HookFn>(&AssignFieldHook));
    EXPECT_EQ(Eval("{f1}*2"), "N:25");
    // A number field may meet the text typed for it; nothing else mixes.
    EXPECT_EQ(Eval("{f1}=='12.5'"), "N:1");
    EXPECT_EQ(Eval("{f1}+'1'"), "N:13.5");
    EXPECT_EQ(Eval("{f2}=3*1.5"), "N:4.5");
    EXPECT_EQ(gAssigned, "{f2}<-4.5");
    EXPECT_EQ(Eval("{f3}='ab'"), "S:ab");
    EXPECT_EQ(gAssigned, "{f3}<-ab");
    rt::HookSet(rt::kHookFieldRead, nullptr);
    rt::HookSet(rt::kHookFieldAssign, nullptr);
}

TEST_F(ExprTest, LongTextsStopAtTheLimit) {
    std::string make = "lt$='" + std::string(20000, 'x') + "'";
    EXPECT_EQ(Eval(make), "S:" + std::string(20000, 'x'));
    EXPECT_EQ(Eval("lt$+lt$"), "E:145");
    EXPECT_EQ(Eval("FN#SLEN(lt$+'y')"), "N:20001");
}

}  // namespace
