// Quoting of user values for form texts: exact round trips, the evaluator reading the same text,
// and the one-pass marker fill.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/temp_pool.h"
#include "runtime/variables.h"
#include "script/expr_eval.h"
#include "tests/support/text.h"
#include "tests/ui/form_test_support.h"
#include "ui/form_value.h"

using namespace rt;
using rt_test::Err;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class FormValueTest : public ui_test::FormTest {};

}  // namespace

TEST_F(FormValueTest, QuotedValuesComeBackExactlyAndReadAsOneExpression) {
    for (const std::string& value : ui_test::HostileValues()) {
        const uint16_t mark = PoolMark();
        const StrRef quoted = FormQuote(V(value));
        ASSERT_TRUE(quoted.ok()) << value;
        EXPECT_TRUE(IsFormQuoted(quoted)) << Str(quoted);
        EXPECT_EQ(Str(FormUnquote(quoted)), value) << Str(quoted);
        // The assignments of a form result are evaluated: the evaluator must read the same value.
        const std::string statement = "Q$=" + Str(quoted);
        EXPECT_EQ(ExecuteStatements(V(statement)), 0) << statement;
        EXPECT_EQ(Str(VarGetText(T("Q$"))), value) << statement;
        PoolRelease(mark);
    }
}

TEST_F(FormValueTest, QuoteChoice) {
    struct Case { const char* value; const char* quoted; };
    const Case cases[] = {
        {"abc", "'abc'"},
        {"it's", "\"it's\""},            // a single quote comes back in double quotes
        {"say \"x\"", "'say \"x\"'"},
        {"it's \"x\"", "'it'+\"'\"+'s \"x\"'"},
        {"'\"", "\"'\"+'\"'"},
    };
    for (const Case& c : cases) {
        const uint16_t mark = PoolMark();
        EXPECT_EQ(Str(FormQuote(T(c.value))), c.quoted);
        PoolRelease(mark);
    }
    EXPECT_EQ(Str(FormQuote(StrMake("a\0b", 3))), Err(163)) << "no control can hold a NUL";
    const std::string longest(kMaxText - 2, '"');
    EXPECT_EQ(FormQuote(V(longest)).len, kMaxText);
    EXPECT_EQ(StrError(FormQuote(V(std::string(kMaxText - 1, 'x')))), 146);
}

TEST_F(FormValueTest, UnquoteOfWrittenTexts) {
    struct Case { const char* text; const char* value; };
    const Case cases[] = {
        {"'Servidor:'", "Servidor:"}, {"\"a'b\"", "a'b"}, {"''", ""}, {"abc", "abc"},
        {"0", "0"}, {"'a'+\"'\"", "a'"}, {"'it's'", "it's"},  // a broken quote is only stripped
        {"'a'+", "'a'+"}, {"'a' + 'b'", "a' + 'b"}, {"'a' 'b'", "a' 'b"}, {"'", "'"},
    };
    for (const Case& c : cases) {
        const uint16_t mark = PoolMark();
        EXPECT_EQ(Str(FormUnquote(T(c.text))), c.value) << c.text;
        PoolRelease(mark);
    }
    const StrRef single = T("'abc'");
    EXPECT_EQ(FormUnquote(single).ptr, single.ptr + 1) << "one piece is a view, not a copy";
    EXPECT_FALSE(IsFormQuoted(T("'a' 'b'"))) << "pieces are joined by '+', not by a blank";
    EXPECT_TRUE(IsFormQuoted(T("'a'+'b'")));
}

TEST_F(FormValueTest, FillReplacesEachMarkerOnceWithItsQuotedValue) {
    const std::vector<std::string> values = {"[$2]", "it's, \"so\"", "x"};
    std::vector<StrRef> refs;
    for (const std::string& v : values) refs.push_back(V(v));
    struct Case { const char* text; const char* filled; };
    const Case cases[] = {
        {"'a':'A3'::'[$1]'", "'a':'A3'::'[$2]'"},
        {"::[$3]", "::'x'"},
        {"\"[$3]\"", "'x'"},
        {"'<[$3]>'", "'<'+'x'+'>'"},
        {"'[$3]>'", "''+'x'+'>'"},
        {"'<[$3]'", "'<'+'x'+''"},
        {"\"it's [$3]\"", "\"it's \"+'x'+\"\""},
        {"[$] [$4] [$0] [$x] [$1000]", "'[$2]' '' [$0] [$x] [$1000]"},
        {"'[$2]'", "'it'+\"'\"+'s, \"so\"'"},
    };
    for (const Case& c : cases) {
        const uint16_t mark = PoolMark();
        const StrRef filled = FormFill(T(c.text), refs.data(), static_cast<uint16_t>(refs.size()));
        EXPECT_EQ(Str(filled), c.filled) << c.text;
        PoolRelease(mark);
    }
    // Markers have up to three digits: [$100] is the hundredth value, not the tenth.
    std::vector<std::string> hundred;
    for (int k = 1; k <= 100; ++k) hundred.push_back("v" + std::to_string(k));
    std::vector<StrRef> hundredRefs;
    for (const std::string& v : hundred) hundredRefs.push_back(V(v));
    const uint16_t mark = PoolMark();
    EXPECT_EQ(Str(FormFill(T("[$100] [$99] [$10]"), hundredRefs.data(), 100)), "'v100' 'v99' 'v10'");
    PoolRelease(mark);

    const StrRef nul = StrMake("a\0", 2);
    EXPECT_EQ(Str(FormFill(T("[$1]"), &nul, 1)), Err(163));
    const std::string big(20000, 'x');
    const StrRef bigs[2] = {V(big), V(big)};
    EXPECT_EQ(Str(FormFill(T("[$1][$2]"), bigs, 2)), Err(146));
}
