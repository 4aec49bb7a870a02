// Searches: quoted-mode skipping, sets, substrings, last positions and chunked counting.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "runtime/text_search.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::T;
using rt_test::V;

namespace {

class TextSearchTest : public rt_test::PoolMarkTest {};

// Non-overlapping left-to-right count, the reference for plain-mode CountStr.
uint16_t NaiveCount(const std::string& s, const std::string& p) {
    uint16_t n = 0;
    for (size_t at = s.find(p); at != std::string::npos; at = s.find(p, at + p.size())) ++n;
    return n;
}

}  // namespace

TEST_F(TextSearchTest, FindChar) {
    struct Case { const char* s; uint16_t from; char ch; bool plain; uint16_t want; };
    const Case cases[] = {
        {"'a,b',c", 0, ',', false, 5},
        {"'a,b',c", 0, ',', true, 2},
        {"a\"x,'y\",b", 0, ',', false, 7},  // a ' inside "..." does not open a quote
        {"'a,b", 0, ',', false, kNpos},     // an unclosed quote hides the rest
        {"a'b'c'", 0, '\'', false, kNpos},  // quoted mode never finds a quote
        {"a'b'c'", 0, '\'', true, 1},
        {"abcabc", 2, 'a', true, 3},
        {"abcabc", 2, 'a', false, 3},
        {"abc", 3, 'a', true, kNpos},
        {"abc", 0xFFFF, 'a', false, kNpos},
        {"", 0, 'a', false, kNpos},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindChar(T(c.s), c.from, c.ch, c.plain), c.want) << c.s << " from " << c.from;
    }
    EXPECT_EQ(FindChar(StrMake("a\0b", 3), 0, '\0', true), 1);
}

TEST_F(TextSearchTest, FindAnyAndFindFirstOf) {
    EXPECT_EQ(FindAny(T("hello, world"), T(" ,"), true), 5);
    EXPECT_EQ(FindAny(T("'a b' c"), T(" "), false), 5);
    EXPECT_EQ(FindAny(T("'a b' c"), T(" "), true), 2);
    EXPECT_EQ(FindAny(T("abc"), T(""), true), kNpos);
    EXPECT_EQ(FindAny(T("ab'c"), T("'"), false), kNpos);

    EXPECT_EQ(FindFirstOf(T("x=1;y"), T(";="), 0), 1);
    EXPECT_EQ(FindFirstOf(T("x=1;y"), T(";,="), 1), 1);   // fields ";" and "=" as sets
    EXPECT_EQ(FindFirstOf(T("a-b->c=>d"), T("=>,->"), 2), 3);
    EXPECT_EQ(FindFirstOf(T("'->'a=>"), T("->,=>"), 2), 5);  // quoted text is skipped
    EXPECT_EQ(FindFirstOf(T("abc"), T("x,y"), 2), kNpos);
    EXPECT_EQ(FindFirstOf(T("abc"), T("b"), 7), kNpos);
}

TEST_F(TextSearchTest, FindStr) {
    struct Case { const char* s; const char* p; bool plain; uint16_t want; };
    const Case cases[] = {
        {"abcabc", "ca", true, 2},
        {"abcabc", "", true, kNpos},
        {"ab", "abc", true, kNpos},
        {"aab", "ab", true, 1},          // a failed first candidate does not skip the next
        {"'ab'ab", "ab", false, 4},
        {"'ab'ab", "ab", true, 1},
        {"x'ab'", "'ab'", false, kNpos},  // a pattern opening with a quote is never found quoted
        {"x'ab'", "'ab'", true, 1},
        {"abc", "abc", false, 0},
        {"abcab", "ab", false, 0},
        {"xxab", "abc", true, kNpos},     // would run past the end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindStr(T(c.s), T(c.p), c.plain), c.want) << c.s << " / " << c.p;
    }
}

TEST_F(TextSearchTest, FindLast) {
    struct Case { const char* s; const char* p; int mode; bool plain; uint16_t want; };
    const Case cases[] = {
        {"a.b,c.d", ".,", 0, true, 5},
        {"a.b,c.d", ".", 1, true, 5},
        {"a.b,'c.d'", ".", 1, false, 1},
        {"a.b,'c.d'", ".", 1, true, 6},
        {"abcabcab", "abc", 2, true, 3},
        {"aaaa", "aa", 2, true, 2},       // the last start, even when it overlaps another match
        {"ab'ab'", "ab", 2, false, 0},
        {"abc", "x", 1, true, kNpos},
        {"abc", "", 2, true, kNpos},
        {"abc", "a", 3, true, kNpos},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindLast(T(c.s), T(c.p), c.mode, c.plain), c.want) << c.s << " mode " << c.mode;
    }
}

TEST_F(TextSearchTest, CountStrSmall) {
    EXPECT_EQ(CountStr(T("aaaa"), T("aa"), true), 2);
    EXPECT_EQ(CountStr(T("a,'a,a',a"), T("a"), false), 2);
    EXPECT_EQ(CountStr(T("a,'a,a',a"), T("a"), true), 4);
    EXPECT_EQ(CountStr(T("abc"), T(""), true), 0);
    EXPECT_EQ(CountStr(T(""), T("a"), true), 0);
}

TEST_F(TextSearchTest, CountStrFindsMatchesAcrossTheChunkBorder) {
    for (uint32_t at = kMaxText - 4; at <= kMaxText + 1; ++at) {
        std::string s(40000, 'x');
        s.replace(at, 5, "HELLO");
        EXPECT_EQ(CountStr(V(s), T("HELLO"), true), 1) << "match at " << at;
        EXPECT_EQ(CountStr(V(s), T("HELLO"), false), 1) << "match at " << at;
    }
}

TEST_F(TextSearchTest, CountStrMatchesANaiveCountOnLongRandomTexts) {
    std::mt19937 rng(7);
    for (int round = 0; round < 30; ++round) {
        const size_t len = std::uniform_int_distribution<size_t>(0, 65535)(rng);
        std::string s(len, 'a');
        for (char& c : s) c = "ab"[rng() % 2];
        const std::string p = round % 3 == 0 ? "ab" : (round % 3 == 1 ? "aab" : "babba");
        EXPECT_EQ(CountStr(V(s), V(p), true), NaiveCount(s, p)) << "length " << len;
    }
}

TEST_F(TextSearchTest, CountStrWithAPatternLongerThanAChunkEnds) {
    const std::string s(60000, 'a');
    const std::string p(40000, 'a');
    EXPECT_EQ(CountStr(V(s), V(p), true), 1);
    EXPECT_EQ(CountStr(V(p), V(s), true), 0);
}

TEST_F(TextSearchTest, ErrorValuesAreNeverFound) {
    const StrRef bad = StrErr(150);
    EXPECT_EQ(FindChar(bad, 0, 'a', true), kNpos);
    EXPECT_EQ(FindAny(bad, T("a"), true), kNpos);
    EXPECT_EQ(FindAny(T("a"), bad, true), kNpos);
    EXPECT_EQ(FindStr(bad, T("a"), true), kNpos);
    EXPECT_EQ(FindStr(T("a"), bad, true), kNpos);
    EXPECT_EQ(FindLast(bad, T("a"), 1, true), kNpos);
    EXPECT_EQ(FindLast(T("a"), bad, 1, true), kNpos);
    EXPECT_EQ(FindFirstOf(bad, T("a"), 0), kNpos);
    EXPECT_EQ(FindFirstOf(T("a"), bad, 2), kNpos);
    EXPECT_EQ(CountStr(bad, T("a"), true), 0);
    EXPECT_EQ(CountStr(T("a"), bad, true), 0);
    EXPECT_EQ(PoolMark(), mark_) << "searches allocate nothing";
}
