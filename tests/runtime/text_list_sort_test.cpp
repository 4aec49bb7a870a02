// Tests of the padded-record list sort shared by SORT$ and the folder listings.
#include <gtest/gtest.h>

#include <string>

#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list_sort.h"
#include "tests/support/text.h"

namespace {

using rt_test::Str;
using rt_test::V;

TEST(SortListTest, Table) {
    if (!rt::ContextReady()) {
        ASSERT_EQ(rt::ContextInit(), 0);
    }
    const struct { std::string list; uint16_t flags; std::string sorted; } cases[] = {
        {"c,a,b", 0, "a,b,c"},
        {"c,a,b", rt::kSortDescending, "c,b,a"},
        {"b,a,b,a", rt::kSortUnique, "a,b"},
        {"b,a,b,a", 0, "a,a,b,b"},
        // Items are records as wide as the longest one: without trimming they come back padded.
        {"cc,a", 0, "a ,cc"},
        {"cc,a", rt::kSortTrimItems, "a,cc"},
        // Byte order: upper-case letters come before lower-case ones.
        {"a.txt,B.txt,_x,Zeta", rt::kSortTrimItems, "B.txt,Zeta,_x,a.txt"},
        // The padding blank decides against characters around it.
        {"a!,a", rt::kSortTrimItems, "a,a!"},
        {"a\x1f,a", rt::kSortTrimItems, "a\x1f,a"},
        {"a b,a", rt::kSortTrimItems, "a,a b"},
        {"a,a ", rt::kSortTrimItems | rt::kSortUnique, "a"},
        {std::string("b\0a\0c", 5), rt::kSortNulSeparated, std::string("a\0b\0c", 5)},
        {std::string("b\0a,c", 5), rt::kSortNulSeparated, std::string("a,c\0b  ", 7)},
        {std::string("b\0a,c", 5), rt::kSortNulSeparated | rt::kSortTrimItems,
         std::string("a,c\0b", 5)},
        {"\xe9,z,A", 0, "A,z,\xe9"},  // bytes above 127 are the largest
        {"", 0, ""},
        {",", 0, ","},
        {"x", rt::kSortDescending | rt::kSortUnique, "x"},
        // A quoted comma belongs to its item, as SORT$ has always read lists.
        {"a,'b,a'", rt::kSortTrimItems, "'b,a',a"},
        {"\"z,y\",\"a,b\"", 0, "\"a,b\",\"z,y\""},
    };
    const uint16_t mark = rt::PoolMark();
    for (const auto& c : cases) {
        EXPECT_EQ(Str(rt::SortList(V(c.list), c.flags)), c.sorted) << c.list << " flags " << c.flags;
        EXPECT_EQ(rt::PoolMark(), mark + 1);
        rt::PoolRelease(mark);
    }
    EXPECT_EQ(Str(rt::SortList(rt::StrErr(rt::kErrDiskIo), 0)), "<err 130>");
    // Padding every item to the widest would pass the text limit.
    const std::string wide = std::string(20000, 'w') + ",a";
    EXPECT_EQ(Str(rt::SortList(V(wide), 0)), "<err 145>");
    EXPECT_EQ(rt::SortList(V(wide), rt::kSortTrimItems).len, 20002);
    rt::PoolRelease(mark);
}

}  // namespace
