// Lists: field walking, field replacement, set operations, sorting, ranges and placeholders.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "runtime/text_elements.h"
#include "runtime/text_list.h"
#include "runtime/text_list_sort.h"
#include "runtime/text_ops.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Err;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class TextListTest : public rt_test::PoolMarkTest {};

}  // namespace

TEST_F(TextListTest, FieldCount) {
    struct Case { const char* list; char sep; uint16_t want; };
    const Case cases[] = {
        {"", ',', 0}, {"a", ',', 1}, {"a,", ',', 2}, {",", ',', 2}, {"x,'a,b',y", ',', 3},
        {"x,\"a,b\",y", ',', 3}, {"a;b;c", ';', 3}, {"a,b", ';', 1}, {"'a,b", ',', 1},
        {"'a,',", ',', 2}, {"'a,", ',', 1},  // a separator inside an unclosed quote does not count
    };
    for (const Case& c : cases) EXPECT_EQ(FieldCount(T(c.list), c.sep), c.want) << c.list;
    EXPECT_EQ(FieldCount(StrMake("a\0'b\0c'", 7), '\0'), 3) << "a NUL separator ignores quotes";
    const std::string commas(65535, ',');
    EXPECT_EQ(FieldCount(V(commas), ','), 65535) << "the count saturates instead of wrapping";
}

TEST_F(TextListTest, FieldAndFieldPos) {
    const StrRef list = T("a,b,c");
    EXPECT_EQ(Str(Field(list, ',', 0)), "");
    EXPECT_EQ(Str(Field(list, ',', 4)), "");
    const StrRef b = Field(list, ',', 2);
    EXPECT_EQ(Str(b), "b");
    EXPECT_EQ(b.ptr, list.ptr + 2) << "a field points into its list";
    EXPECT_TRUE(Field(list, ',', 4).ok());
    EXPECT_EQ(Str(Field(T("x,'a,b',y"), ',', 2)), "'a,b'");
    EXPECT_EQ(Str(Field(T("a,"), ',', 2)), "");
    EXPECT_EQ(Str(Field(T(",z"), ',', 2)), "z");

    EXPECT_EQ(FieldPos(list, ',', 3).pos, 4);
    EXPECT_EQ(FieldPos(list, ',', 3).len, 1);
    EXPECT_EQ(FieldPos(T("a,,bb"), ',', 3).pos, 3);
    EXPECT_EQ(FieldPos(T("a,,bb"), ',', 2).len, 0);
    EXPECT_EQ(FieldPos(list, ',', 0).pos, kNpos);
    EXPECT_EQ(FieldPos(list, ',', 4).pos, kNpos);
    EXPECT_EQ(FieldPos(T(""), ',', 1).pos, kNpos);

    EXPECT_EQ(Str(FieldRest(T("a,b,c"), ',')), "b,c");
    EXPECT_EQ(Str(FieldRest(T("'a,b'"), ',')), "");
    EXPECT_EQ(Str(FieldRest(T("a,"), ',')), "");
}

TEST_F(TextListTest, ListIndexWidthAndInt) {
    EXPECT_EQ(ListIndex(T("YES,SI,Y,S,ON"), T("S"), ','), 4);
    EXPECT_EQ(ListIndex(T("YES,SI,Y,S,ON"), T("ye"), ','), 0) << "case counts";
    EXPECT_EQ(ListIndex(T("a,b"), T("a,b"), ','), 0);
    EXPECT_EQ(ListIndex(T("a"), T("abc"), ','), 0);
    EXPECT_EQ(ListIndex(T("a,,b"), T(""), ','), 2);
    EXPECT_EQ(ListIndex(T("ab,a"), T("a"), ','), 2);

    EXPECT_EQ(FieldWidth(T("a,'bcd',ef"), ',', false), 3);
    EXPECT_EQ(FieldWidth(T("abc,'d',ef"), ',', true), 1);
    EXPECT_EQ(FieldWidth(T(""), ',', true), 0);

    EXPECT_EQ(FieldInt(T("1, ' 42 ',x"), ',', 2), 42);
    EXPECT_EQ(FieldInt(T("1, 'yes'"), ',', 2), 1);
    EXPECT_EQ(FieldInt(T("1,-7"), ',', 2), -7);
    EXPECT_EQ(FieldInt(T("1"), ',', 5), 0);
    EXPECT_EQ(PoolMark(), mark_);
}

TEST_F(TextListTest, SetField) {
    struct Case { const char* list; const char* value; int n; const char* want; };
    const Case cases[] = {
        {"a,b,c", "X", 2, "a,X,c"},
        {"a,b,c", "X", 1, "X,b,c"},
        {"a,b,c", "X", 3, "a,b,X"},
        {"a", "X", 3, "a,,X"},
        {"", "X", 1, "X"},
        {"", "X", 3, ",,X"},
        {"a,", "X", 2, "a,X"},
        {"a,b", "X", 0, "a,b,X"},
        {"", "X", 0, "X"},
        {"a,b,c", "", -1, "b,c"},
        {"a,b,c", "", -2, "a,c"},
        {"a,b,c", "", -3, "a,b"},
        {"a", "", -1, ""},
        {"a,b", "", -3, "a,b"},
        {"a,b", "", INT_MIN, "a,b"},
        {"'x,y',z", "", -1, "z"},
    };
    for (const Case& c : cases) {
        StrRef r = Disciplined([&] { return SetField(T(c.list), T(c.value), ',', c.n); });
        EXPECT_EQ(Str(r), c.want) << c.list << " n=" << c.n;
        PoolRelease(mark_);
    }
    EXPECT_EQ(Str(Disciplined([] { return SetField(T("a"), T("x"), ',', INT_MAX); })), Err(145));
    EXPECT_EQ(PoolMark(), mark_);
}

TEST_F(TextListTest, UnionAndDifference) {
    struct Case { const char* a; char sepA; const char* b; char sepB; char out; bool fold; const char* u; const char* d; };
    const Case cases[] = {
        {"a,b", ',', "b,c,c,d", ',', ',', false, "a,b,c,d", "a"},
        {"a,b,a", ',', "c", ',', ',', false, "a,b,a,c", "a,b"},
        {"a,B", ',', "b;C;c", ';', ',', true, "a,B,C", "a"},
        {"a,B", ',', "b;C;c", ';', ',', false, "a,B,b,C,c", "a,B"},
        {"", ',', "x,,y", ',', ';', false, "x;y", ""},
        {"a;b", ';', "c,d", ',', ',', false, "a;b,c,d", "a,b"},  // union keeps a as it is
        {"'p,q',r", ',', "'p,q',s", ',', ',', false, "'p,q',r,s", "r"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return ListUnion(T(c.a), c.sepA, T(c.b), c.sepB, c.out, c.fold); })), c.u)
            << c.a << " + " << c.b;
        EXPECT_EQ(Str(Disciplined([&] { return ListDifference(T(c.a), c.sepA, T(c.b), c.sepB, c.out, c.fold); })), c.d)
            << c.a << " - " << c.b;
        PoolRelease(mark_);
    }
}

TEST_F(TextListTest, UnionOverTheLimitFailsAndLeavesThePoolAtTheMark) {
    std::string a(20000, 'a'), b(20000, 'b');
    EXPECT_EQ(Str(Disciplined([&] { return ListUnion(V(a), ',', V(b), ',', ',', false); })), Err(145));
    a.resize(16000);
    b.resize(16000);
    EXPECT_EQ(Disciplined([&] { return ListUnion(V(a), ',', V(b), ',', ',', false); }).len, 32001);
}

TEST_F(TextListTest, ListSort) {
    struct Case { const char* list; int flags; const char* want; };
    const Case cases[] = {
        {"c,a,b", 0, "a,b,c"},
        {"c,a,b", kSortDescending, "c,b,a"},
        {"b,B,a,A", kSortFold, "a,A,b,B"},          // equal fields keep their order
        {"b,B,a,A", kSortFold | kSortDescending, "b,B,a,A"},
        {"b,B,a,A", 0, "A,B,a,b"},
        {"b,a,", 0, ",a,b"},
        {"ab,a,abc", 0, "a,ab,abc"},
        {"z,'b,a',c", 0, "'b,a',c,z"},
        {"", 0, ""},
        {"one", 0, "one"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return ListSort(T(c.list), ',', c.flags); })), c.want) << c.list;
        PoolRelease(mark_);
    }
}

TEST_F(TextListTest, ListSortMatchesAStableSort) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> fields(rng() % 60);
        for (auto& f : fields) {
            f.resize(rng() % 4);
            for (char& c : f) c = "aAbB"[rng() % 4];
        }
        std::string list;
        for (size_t i = 0; i < fields.size(); ++i) list += (i ? ";" : "") + fields[i];
        if (fields.size() == 1 && fields[0].empty()) continue;
        const bool fold = round % 2;
        auto key = [fold](std::string s) {
            if (fold) for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
            return s;
        };
        std::stable_sort(fields.begin(), fields.end(), [&](const std::string& x, const std::string& y) { return key(x) < key(y); });
        std::string want;
        for (size_t i = 0; i < fields.size(); ++i) want += (i ? ";" : "") + fields[i];
        EXPECT_EQ(Str(ListSort(V(list), ';', fold ? kSortFold : 0)), want) << list;
        PoolRelease(mark_);
    }
}

TEST_F(TextListTest, ListPositions) {
    StrRef out;
    EXPECT_EQ(Disciplined([&] { return ListPositions(T("c,x,a"), T("a,b,c"), nullptr, &out); }), 2);
    ASSERT_EQ(out.len, 4);
    EXPECT_EQ(ElementGet16(out, 0), 3);
    EXPECT_EQ(ElementGet16(out, 1), 1);
    PoolRelease(mark_);

    // A match function that makes temporaries must not disturb the collected values.
    auto lengthPlusOne = [](StrRef field, StrRef) -> uint16_t {
        return static_cast<uint16_t>(Copy(field).len + 1);
    };
    EXPECT_EQ(Disciplined([&] { return ListPositions(T("ab,,abc"), T(""), lengthPlusOne, &out); }), 3);
    EXPECT_EQ(ElementGet16(out, 2), 4);

    EXPECT_EQ(ListPositions(StrErr(150), T("a"), nullptr, &out), 0);
    EXPECT_EQ(StrError(out), 150);
}

TEST_F(TextListTest, RangeMatch) {
    struct Case { const char* list; int64_t v; bool want; };
    const Case cases[] = {
        {"1,5-9", 7, true}, {"1,5-9", 4, false}, {"", 4, true}, {"1,5-9", 1, true},
        {"1,5-9", 9, true}, {"1,5-9", 10, false}, {" 3 , 10 - 20 ", 15, true},
        {"-5--1", -3, true}, {"-5", -5, true}, {"9-5", 7, false}, {"x", 0, false},
        {"1,,3", 0, false}, {"99999999999999999999", INT64_MAX, true},
        {"5000000000-6000000000", 5500000000, true},
    };
    for (const Case& c : cases) EXPECT_EQ(RangeMatch(T(c.list), c.v), c.want) << c.list << " " << c.v;
    EXPECT_FALSE(RangeMatch(StrErr(150), 1));
}

TEST_F(TextListTest, Placeholders) {
    struct Case { const char* text; const char* values; const char* want; };
    const Case cases[] = {
        {"[$2]-[$1]-[$3]", "a,b", "b-a-"},
        {"no markers", "a", "no markers"},
        {"[$1][$1]", "x", "xx"},
        {"[$10]", "1,2,3,4,5,6,7,8,9,ten", "ten"},
        {"[$63]|[$64]", "", "|[$64]"},  // markers are cleared only below the loop's limit
        {"[$1]", "[$2],z", "z"},       // a value may itself hold a later marker
        {"[$x]", "", "[$x]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return Placeholders(T(c.text), T(c.values)); })), c.want) << c.text;
        PoolRelease(mark_);
    }
}

TEST_F(TextListTest, ErrorValuesPassThrough) {
    const StrRef bad = StrErr(150);
    const StrRef ok = T("a,b");
    const std::vector<std::pair<const char*, StrRef>> results = {
        {"Field", Field(bad, ',', 1)},
        {"FieldRest", FieldRest(bad, ',')},
        {"SetField list", SetField(bad, ok, ',', 1)},
        {"SetField value", SetField(ok, bad, ',', 1)},
        {"ListUnion a", ListUnion(bad, ',', ok, ',', ',', false)},
        {"ListUnion b", ListUnion(ok, ',', bad, ',', ',', false)},
        {"ListDifference a", ListDifference(bad, ',', ok, ',', ',', false)},
        {"ListDifference b", ListDifference(ok, ',', bad, ',', ',', false)},
        {"ListSort", ListSort(bad, ',', 0)},
        {"Placeholders text", Placeholders(bad, ok)},
        {"Placeholders values", Placeholders(ok, bad)},
    };
    for (const auto& [name, r] : results) EXPECT_EQ(StrError(r), 150) << name;
    EXPECT_EQ(FieldCount(bad, ','), 0);
    EXPECT_EQ(FieldPos(bad, ',', 1).pos, kNpos);
    EXPECT_EQ(ListIndex(bad, ok, ','), 0);
    EXPECT_EQ(ListIndex(ok, bad, ','), 0);
    EXPECT_EQ(FieldWidth(bad, ',', false), 0);
    EXPECT_EQ(FieldInt(bad, ',', 1), 0);
    EXPECT_EQ(PoolMark(), mark_);
}
