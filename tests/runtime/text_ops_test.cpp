// Text operations: substrings, comparison, trimming, case, building, replacing, quoting, numbers.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "runtime/text_elements.h"
#include "runtime/text_ops.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Err;
using rt_test::Inside;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class TextOpsTest : public rt_test::PoolMarkTest {};

}  // namespace

TEST_F(TextOpsTest, SubStr) {
    struct Case { const char* s; int32_t start; uint16_t count; const char* want; };
    const Case cases[] = {
        {"abcdef", -2, 1, "ef"}, {"abc", 5, 2, ""}, {"abc", 1, 0xFFFF, "bc"}, {"abc", 0, 2, "ab"},
        {"abc", 3, 1, ""}, {"abc", -5, 1, "abc"}, {"abc", INT32_MAX, 0xFFFF, ""},
        {"abc", INT32_MIN, 0, "abc"}, {"", 0, 0xFFFF, ""},
    };
    for (const Case& c : cases) {
        const StrRef s = T(c.s);
        const StrRef r = SubStr(s, c.start, c.count);
        EXPECT_EQ(Str(r), c.want) << c.s << " " << c.start << " " << c.count;
        EXPECT_TRUE(r.ptr >= s.ptr && r.ptr <= s.ptr + s.len) << "a piece never points outside";
    }
    EXPECT_EQ(StrError(SubStr(StrErr(150), 0, 1)), 150);
    EXPECT_EQ(PoolMark(), mark_);
}

TEST_F(TextOpsTest, Compare) {
    struct Case { const char* a; const char* b; bool fold; uint16_t want; };
    const Case cases[] = {
        {"ab", "abc", false, 0xFFFF}, {"b", "abc", false, 1}, {"abc", "abc", false, 0},
        {"", "", false, 0}, {"a", "B", false, 1}, {"a", "B", true, 0xFFFF}, {"ABC", "abc", true, 0},
        {"\xe9", "z", false, 1},  // bytes compare unsigned
        {"_", "a", true, 1},       // folding is to upper case
    };
    for (const Case& c : cases) EXPECT_EQ(CompareFold(T(c.a), T(c.b), c.fold), c.want) << c.a << " " << c.b;
    EXPECT_EQ(Compare(StrErr(150), T("a")), 159);
    EXPECT_EQ(CompareFold(T("a"), StrErr(150), true), 159);
}

TEST_F(TextOpsTest, TrimAndUnquote) {
    EXPECT_EQ(Str(Trim(T(" \tab \t"), kTrimStart)), "ab \t");
    EXPECT_EQ(Str(Trim(T(" \tab \t"), kTrimEnd)), " \tab");
    EXPECT_EQ(Str(Trim(T("xxabxx"), 3, T("x"))), "ab");
    EXPECT_EQ(Str(Trim(T("   "), 3)), "");
    EXPECT_EQ(Str(TrimEol(T("ab\r\n\n"))), "ab");
    EXPECT_EQ(Str(TrimEol(T("a\rb "))), "a\rb ");
    EXPECT_EQ(Str(Unquote(T("'ab'"))), "ab");
    EXPECT_EQ(Str(Unquote(T("\"ab\""))), "ab");
    EXPECT_EQ(Str(Unquote(T("'ab\""))), "'ab\"");
    EXPECT_EQ(Str(Unquote(T("'"))), "'");
    EXPECT_EQ(Str(Unquote(T("''"))), "");
    EXPECT_EQ(PoolMark(), mark_) << "pieces allocate nothing";

    EXPECT_EQ(Str(TrimUnquote(T("abc"))), "ABC");
    EXPECT_EQ(Str(TrimUnquote(T("'abc'"))), "abc");
    EXPECT_EQ(Str(TrimUnquote(T(" abc"))), "abc");
    EXPECT_EQ(Str(UnquoteUpper(T("'ab'"), 1)), "ab");
    EXPECT_EQ(Str(UnquoteUpper(T("'ab'"), 3)), "AB");
    EXPECT_EQ(Str(UnquoteUpper(T("'ab'"), 2)), "'AB'");
}

TEST_F(TextOpsTest, Case) {
    struct Row { const char* s; int mode; const char* want; };
    const Row cases[] = {
        {"hELLO wORLD", 3, "Hello world"}, {"  hi", 3, "  Hi"}, {"1abc", 3, "1Abc"},
        {"MiXed", 1, "MIXED"}, {"MiXed", 2, "mixed"}, {"aBc", 0, "ABC"}, {"AbC", 0, "abc"},
        {"a\xe9", 1, "A\xe9"}, {"", 3, ""}, {"aB", 9, "aB"},
    };
    for (const Row& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return Case(T(c.s), c.mode); })), c.want) << c.s << " " << c.mode;
    }
}

TEST_F(TextOpsTest, CaseChangesOnlyAsciiLetters) {
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
    const std::string up = Str(Case(V(all), 1));
    const std::string low = Str(Case(V(all), 2));
    ASSERT_EQ(up.size(), 256u);
    ASSERT_EQ(low.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(up[i]), i < 128 ? toupper(i) : i) << i;
        EXPECT_EQ(static_cast<unsigned char>(low[i]), i < 128 ? tolower(i) : i) << i;
    }
}

TEST_F(TextOpsTest, Building) {
    EXPECT_EQ(Str(Concat(T("ab"), T("cd"))), "abcd");
    EXPECT_EQ(Str(Join(T(""), T("."), T("x"))), "x");
    EXPECT_EQ(Str(Join(T("a"), T("."), T(""))), "a");
    EXPECT_EQ(Str(Join(T("a"), T(", "), T("b"))), "a, b");
    EXPECT_EQ(Str(NameValue(T("k"), T("v"))), "k=v");
    EXPECT_EQ(Str(NameValue(T(""), T("v"))), Err(163));
    EXPECT_EQ(Str(NameValue(T("k"), T(""))), Err(163));
    EXPECT_STREQ(CString(T("abc")), "abc");
    EXPECT_STREQ(CString(StrErr(150)), "");
    EXPECT_EQ(Str(CharStr('q')), "q");
    EXPECT_EQ(Str(Repeat(T("ab"), 3)), "ababab");
    EXPECT_EQ(Str(Repeat(T("ab"), 0)), "");
    EXPECT_EQ(Str(Repeat(T("ab"), 0xFFFF)), Err(145));
    EXPECT_EQ(Str(Repeat(T(""), 0xFFFF)), "");

    char buf[8] = "ab";
    const StrRef r = AppendTo(T("cd"), buf, 2);
    EXPECT_EQ(Str(r), "abcd");
    EXPECT_EQ(r.ptr, buf);
    EXPECT_EQ(StrError(AppendTo(T("cd"), buf, 0xFFFF)), 145) << "the length would wrap";

    const StrRef copy = Copy(T("xyz"));
    EXPECT_EQ(Str(copy), "xyz");
    EXPECT_EQ(copy.ptr, PoolTop().ptr) << "a copy lives in the pool";
}

TEST_F(TextOpsTest, Overwrite) {
    struct Case { const char* s; int32_t pos; const char* t; const char* want; };
    const Case cases[] = {
        {"abcdef", 1, "XY", "aXYdef"}, {"abcdef", 5, "XY", "abcdeX"}, {"abcdef", -2, "XYZ", "abcdXY"},
        {"abcdef", 6, "XY", "abcdef"}, {"abc", -10, "XY", "XYc"}, {"abc", INT32_MIN, "X", "Xbc"},
        {"abc", INT32_MAX, "X", "abc"}, {"", 0, "X", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return Overwrite(T(c.s), c.pos, T(c.t)); })), c.want) << c.s << " " << c.pos;
    }
}

TEST_F(TextOpsTest, FiltersAndTranslate) {
    EXPECT_EQ(Str(KeepChars(T("a1b2c3"), T("0123456789"), false)), "123");
    EXPECT_EQ(Str(KeepChars(T("a1b2c3"), T("0123456789"), true)), "abc");
    EXPECT_EQ(Str(Squeeze(T("a  b   c"), ' ', true)), "a b c");
    EXPECT_EQ(Str(Squeeze(T("a  '  ' b"), ' ', false)), "a '  ' b");
    EXPECT_EQ(Str(Squeeze(T("a  '  ' b"), ' ', true)), "a ' ' b");
    EXPECT_EQ(Str(Squeeze(T("x''''y"), '\'', false)), "x''''y");
    EXPECT_EQ(Str(Squeeze(T("x''''y"), '\'', true)), "x'y");

    struct Case { const char* s; const char* from; const char* to; const char* want; };
    const Case cases[] = {
        {"a-b_c", "-_", "..", "a.b.c"},
        {"abcabc", "ab", "xy", "xycxyc"},
        {"abc", "ab", "ba", "aac"},            // one chunk after the other
        {"a<>b", "<>", "[", "a[b"},            // two characters to one
        {"a.b", ".", "::", "a::b"},            // one character to two
        {"a-b_c", "-_", "", "abc"},            // an empty target deletes
        {"abc", "", "x", "abc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return Translate(T(c.s), T(c.from), T(c.to)); })), c.want) << c.s;
    }
}

TEST_F(TextOpsTest, Replace) {
    struct Case { const char* s; const char* old; const char* repl; bool plain; const char* want; };
    const Case cases[] = {
        {"a.b.c", ".", "::", true, "a::b::c"},
        {"aaaa", "aa", "b", true, "bb"},
        {"abc", "", "x", true, "abc"},
        {"abc", "abc", "", true, ""},
        {"a,'a',a", "a", "x", false, "x,'a',x"},
        {"it's", "'", "''", false, "it''s"},   // a quote is searched plainly even in quoted mode
        {"x", "y", "z", true, "x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return Replace(T(c.s), T(c.old), T(c.repl), c.plain); })), c.want) << c.s;
    }
}

TEST_F(TextOpsTest, ReplaceThatGrowsTooLongIsRecordedAgainstStrConcat) {
    const std::string s(20000, 'a');
    EXPECT_EQ(Str(Disciplined([&] { return Replace(V(s), T("a"), T("bb"), true); })), Err(145));
    EXPECT_EQ(LastError().code, 145);
    EXPECT_EQ(LastError().module, kModStrConcat);

    RecordError(0, 0);
    FillPool(100);
    const uint16_t full = PoolMark();
    EXPECT_EQ(Str(Replace(T("abc"), T("b"), V(std::string(200, 'x')), true)), Err(145));
    EXPECT_EQ(PoolMark(), full);
    EXPECT_EQ(LastError().module, kModStrConcat);
}

TEST_F(TextOpsTest, BracketsAndQuotes) {
    EXPECT_EQ(Partner('('), ')');
    EXPECT_EQ(Partner('<'), '>');
    EXPECT_EQ(Partner('|'), '|');
    struct Case { const char* s; char open; bool plain; const char* want; };
    const Case cases[] = {
        {"f(a(b)c)d", '(', true, "a(b)c"}, {"f(a(b)c", '(', true, ""}, {"abc", '(', true, ""},
        {"x|ab|c", '|', true, "ab"}, {"[a[b[c]]]", '[', true, "a[b[c]]"},
        {"f(a')'b)", '(', false, "a')'b"}, {"f(a')'b)", '(', true, "a'"},
    };
    for (const Case& c : cases) {
        const StrRef s = T(c.s);
        const StrRef r = Between(s, c.open, c.plain);
        EXPECT_EQ(Str(r), c.want) << c.s;
        EXPECT_TRUE(r.len == 0 || Inside(r, s));
    }
    EXPECT_EQ(Str(Wrap(T("x"), '[')), "[x]");
    EXPECT_EQ(Str(Wrap(T("x"), '*')), "*x*");
    EXPECT_EQ(Str(Quote(T("abc"), '\'')), "'abc'");
    EXPECT_EQ(Str(Quote(T("it's"), '\'')), "\"it's\"");
    EXPECT_EQ(Str(Quote(T("say \"hi\""), '"')), "'say \"hi\"'");
    EXPECT_EQ(Str(Quote(T("it's \"x\""), '\'')), Err(163));
    EXPECT_EQ(Str(QuoteAny(T("it's \"x\""), '\'')), "\"it's 'x'\"");
    EXPECT_EQ(Str(QuoteAny(T("ab"), '\'')), "'ab'");
    EXPECT_EQ(Str(Wrap(V(std::string(kMaxText - 1, 'a')), '(')), Err(145));
}

TEST_F(TextOpsTest, NumbersAndYes) {
    struct IntCase { const char* s; int16_t want; };
    const IntCase ints[] = {
        {"  42x", 42}, {"YES", 1}, {"", 0}, {"-17", -17}, {"+5", 5}, {"65537", 1}, {"40000", -25536},
        {"no", 0}, {"x12", 0}, {"@", 0}, {"131072", 0}, {"- 5", 0}, {"\t7", 7},
    };
    for (const IntCase& c : ints) EXPECT_EQ(ToInt(T(c.s)), c.want) << c.s;

    struct YesCase { const char* s; bool want; };
    const YesCase yes[] = {
        {"si", true}, {"On", true}, {"y", true}, {"YES", true}, {"s", true}, {"0", false},
        {"no", false}, {"1", true}, {"7", true}, {"9", false}, {"", false}, {"yess", false},
        {" 3", true}, {"-1", true},
    };
    for (const YesCase& c : yes) EXPECT_EQ(IsYes(T(c.s)), c.want) << c.s;
    EXPECT_EQ(ToInt(StrErr(150)), 0);
    EXPECT_FALSE(IsYes(StrErr(150)));
}

TEST_F(TextOpsTest, Elements) {
    StrRef s = PoolAllocFilled(8, 0);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(ElementSet16(s, 3, 0xBEEF), 0);
    EXPECT_EQ(ElementGet16(s, 3), 0xBEEF);
    EXPECT_EQ(ElementGet16(s, 4), 0xFFFF);
    EXPECT_EQ(ElementSet16(s, 4, 1), 0xFFFF);
    int64_t v = 1;
    EXPECT_EQ(ElementGet64(s, 0, &v), 0);
    EXPECT_EQ(ElementGet64(s, 1, &v), 0xFFFF);
    EXPECT_EQ(ElementGet16(T("abc"), 0), 0xFFFF) << "odd length";
    EXPECT_EQ(ElementGet64(T("abcd"), 0, &v), 0xFFFF);
    EXPECT_EQ(ElementGet16(StrErr(150), 0), 0xFFFF);
}

TEST_F(TextOpsTest, EveryOperationPassesAnErrorValueThrough) {
    const StrRef ok = T("ab");
    using Op = std::function<StrRef(StrRef)>;
    // Each operation is tried with the error in every text position.
    const std::vector<std::pair<const char*, Op>> ops = {
        {"SubStr", [](StrRef e) { return SubStr(e, 0, 1); }},
        {"Trim", [](StrRef e) { return Trim(e, 3); }},
        {"Trim set", [&](StrRef e) { return Trim(ok, 3, e); }},
        {"TrimEol", [](StrRef e) { return TrimEol(e); }},
        {"Unquote", [](StrRef e) { return Unquote(e); }},
        {"UnquoteUpper", [](StrRef e) { return UnquoteUpper(e, 3); }},
        {"TrimUnquote", [](StrRef e) { return TrimUnquote(e); }},
        {"Case", [](StrRef e) { return Case(e, 1); }},
        {"Concat a", [&](StrRef e) { return Concat(e, ok); }},
        {"Concat b", [&](StrRef e) { return Concat(ok, e); }},
        {"Join a", [&](StrRef e) { return Join(e, ok, ok); }},
        {"Join sep", [&](StrRef e) { return Join(ok, e, ok); }},
        {"Join b", [&](StrRef e) { return Join(ok, ok, e); }},
        {"NameValue name", [&](StrRef e) { return NameValue(e, ok); }},
        {"NameValue value", [&](StrRef e) { return NameValue(ok, e); }},
        {"Copy", [](StrRef e) { return Copy(e); }},
        {"AppendTo", [](StrRef e) { static char b[4]; return AppendTo(e, b, 0); }},
        {"Replace s", [&](StrRef e) { return Replace(e, ok, ok, true); }},
        {"Replace old", [&](StrRef e) { return Replace(ok, e, ok, true); }},
        {"Replace new", [&](StrRef e) { return Replace(ok, ok, e, true); }},
        {"Repeat", [](StrRef e) { return Repeat(e, 2); }},
        {"Overwrite s", [&](StrRef e) { return Overwrite(e, 0, ok); }},
        {"Overwrite t", [&](StrRef e) { return Overwrite(ok, 0, e); }},
        {"KeepChars s", [&](StrRef e) { return KeepChars(e, ok, false); }},
        {"KeepChars set", [&](StrRef e) { return KeepChars(ok, e, false); }},
        {"Translate s", [&](StrRef e) { return Translate(e, ok, ok); }},
        {"Translate from", [&](StrRef e) { return Translate(ok, e, ok); }},
        {"Translate to", [&](StrRef e) { return Translate(ok, ok, e); }},
        {"Squeeze", [](StrRef e) { return Squeeze(e, ' ', true); }},
        {"Between", [](StrRef e) { return Between(e, '(', true); }},
        {"Wrap", [](StrRef e) { return Wrap(e, '('); }},
        {"Quote", [](StrRef e) { return Quote(e, '\''); }},
        {"QuoteAny", [](StrRef e) { return QuoteAny(e, '\''); }},
    };
    for (ErrCode code : {ErrCode{150}, ErrCode{163}, ErrCode{0xFFFF}}) {
        for (const auto& [name, op] : ops) {
            const StrRef r = op(StrErr(code));
            EXPECT_FALSE(r.ok()) << name;
            EXPECT_EQ(StrError(r), code) << name;
        }
    }
    EXPECT_EQ(PoolMark(), mark_) << "an error input allocates nothing";
}

TEST_F(TextOpsTest, OverLongResultsAndAFullPoolGive145AtTheMark) {
    const std::string half(kMaxText / 2 + 1, 'a');
    const std::string all(kMaxText, 'a');
    const std::string over(kMaxText + 1, 'a');
    const std::vector<std::pair<const char*, std::function<StrRef()>>> ops = {
        {"Concat", [&] { return Concat(V(half), V(half)); }},
        {"Join", [&] { return Join(V(all), T(""), T("x")); }},
        {"Copy", [&] { return Copy(V(over)); }},
        {"Case", [&] { return Case(V(over), 1); }},
        {"Repeat", [&] { return Repeat(V(half), 2); }},
        {"NameValue", [&] { return NameValue(V(all), T("x")); }},
        {"TrimUnquote", [&] { return TrimUnquote(V(over)); }},
    };
    for (const auto& [name, op] : ops) EXPECT_EQ(Str(Disciplined(op)), Err(145)) << name;

    FillPool(16);
    const uint16_t full = PoolMark();
    const std::vector<std::pair<const char*, std::function<StrRef()>>> small = {
        {"Concat", [] { return Concat(T("0123456789"), T("0123456789")); }},
        {"Case", [] { return Case(V(std::string(40, 'a')), 1); }},
        {"Squeeze", [] { return Squeeze(V(std::string(40, 'a')), 'b', true); }},
        {"KeepChars", [] { return KeepChars(V(std::string(40, 'a')), T("a"), false); }},
        {"Translate", [] { return Translate(V(std::string(40, 'a')), T("a"), T("b")); }},
        {"Wrap", [] { return Wrap(V(std::string(40, 'a')), '('); }},
    };
    for (const auto& [name, op] : small) {
        EXPECT_EQ(Str(op()), Err(145)) << name;
        EXPECT_EQ(PoolMark(), full) << name;
    }
    EXPECT_STREQ(CString(V(std::string(40, 'a'))), "");
}
