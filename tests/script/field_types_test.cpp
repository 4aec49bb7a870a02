// Tests of the field-type conversions between stored values and display texts.
#include <gtest/gtest.h>

#include <string>

#include "runtime/string_store.h"
#include "script/field_types.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

namespace {

using rt_test::Str;
using rt_test::T;

class FieldTypesTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        saved_ = Str(rt::StoreGet(rt::kGroupParams, 0));
        ASSERT_EQ(rt::StoreSet(rt::kGroupParams, 0, rt::StrEmpty()), 0);
    }
    void TearDown() override {
        rt::StoreSet(rt::kGroupParams, 0, rt_test::V(saved_));
        PoolMarkTest::TearDown();
    }
    std::string Display(char type, int width, const char* stored) {
        return Str(Disciplined([&] { return rt::FieldDisplay(type, width, T(stored)); }));
    }
    std::string Stored(char type, int width, const char* display) {
        return Str(Disciplined([&] { return rt::FieldStored(type, width, T(display)); }));
    }
    std::string saved_;
};

struct Case {
    char type;
    int width;
    const char* in;
    const char* out;
};

TEST_F(FieldTypesTest, DisplayFromStoredValue) {
    const Case cases[] = {
        {'2', 5, "3.14159", " 3,14"}, {'2', 5, " 3.14 ", " 3,14"}, {'N', 6, "1234", "  1234"},
        {'N', 4, "", "    "}, {'2', 6, "-1.5", " -1,50"}, {' ', 3, "12", " 12"},
        {'N', 5, "abc", "#####"},  // not a number: the mask shows as it is
        {'N', -1, " 12 ", "12"},
        {'L', 3, "1", "YES"}, {'L', 3, "0", "NO "}, {'L', 3, "", "   "}, {'L', 3, "  ", "   "},
        {'L', 16, "1", "YES"}, {'L', 16, "0", "NO"}, {'L', 16, "", ""}, {'L', 2, "1", "YE"},
        {'L', 3, "si", "YES"}, {'L', 3, "On", "YES"}, {'L', 3, "no", "NO "}, {'L', 3, "7", "YES"},
        {'L', 3, "9", "NO "},
        {'O', 1, "1", "V"}, {'O', 1, "0", "X"}, {'O', 1, "", "X"}, {'O', 1, "Z", "V"},
        {'A', 5, "ab", "ab   "}, {'A', 2, "abc", "ab"}, {'A', -1, "abc", "abc"},
        {'C', 3, "abc", "abc"}, {'V', 4, "abc", "    "}, {'X', 4, "ab", "ab  "},
        {'R', 3, "Kelvane;c:\\apps\\k.htm",
         "{\\rtf1{\\field{\\*\\fldinst{HYPERLINK \"c:/apps/k.htm\" }}{\\fldrslt{Kelvane}}}}"},
        {'R', 0, "label", "{\\rtf1{\\field{\\*\\fldinst{HYPERLINK \"\" }}{\\fldrslt{label}}}}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Display(c.type, c.width, c.in), c.out)
            << c.type << " width " << c.width << " \"" << c.in << "\"";
}

TEST_F(FieldTypesTest, StoredFromDisplayText) {
    const Case cases[] = {
        {'B', 5, "1a2 3", "12 3 "}, {'C', 5, " 1a2 3", "01203"}, {'C', 3, "   ", "   "},
        {'C', 3, "x", "   "},
        {'L', 1, "Y", "1"}, {'L', 1, "N", "0"}, {'L', 1, "y", "1"}, {'L', 1, "YES", "1"},
        {'L', 1, "NO", "0"}, {'L', 1, "no", "0"}, {'L', 1, "maybe", " "}, {'L', 1, "", " "},
        {'L', 1, "S", " "}, {'L', 1, " Y ", "1"},
        {'2', 5, " 3,14", " 3.14"}, {'2', 6, "1.234,5", "1234.5"}, {'N', 4, "12", "  12"},
        {'N', 4, "007", "   7"}, {'2', 6, "-2", " -2.00"}, {'N', 3, "12345", "<err 168>"},
        {'O', 1, "V", "1"}, {'O', 1, "X", "0"}, {'O', 1, "", "0"},
        {'R', 3, "a;b;c", "a;b;c"}, {'A', 3, "abcd", "abc"}, {'V', 2, "ab", "  "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Stored(c.type, c.width, c.in), c.out)
            << c.type << " width " << c.width << " \"" << c.in << "\"";
}

TEST_F(FieldTypesTest, LogicalFieldsFollowTheLanguageDefinition) {
    ASSERT_EQ(rt::StoreSet(rt::kGroupParams, 0, T("NS;,NO,SI;Enero,Febrero")), 0);
    EXPECT_EQ(Display('L', 2, "1"), "SI");
    EXPECT_EQ(Display('L', 2, "0"), "NO");
    EXPECT_EQ(Stored('L', 1, "S"), "1");
    EXPECT_EQ(Stored('L', 1, "si"), "1");
    EXPECT_EQ(Stored('L', 1, "Y"), " ");
    EXPECT_EQ(Stored('L', 1, "YES"), " ");
    ASSERT_EQ(rt::StoreSet(rt::kGroupParams, 0, rt::StrEmpty()), 0);
    EXPECT_EQ(Str(rt::LogicalAnswerMessage()), "NY;,NO,YES");
}

// Width 8 shows the short date, 10 the long one; a time shows hours and minutes.
TEST_F(FieldTypesTest, DatesAndTimesUseTheDateRoutines) {
    EXPECT_EQ(Display('D', 8, "20240131"), "31-01-24");
    EXPECT_EQ(Display('D', 10, "20240131"), "31-01-2024");
    EXPECT_EQ(Display('D', 10, "20240230"), std::string(10, ' '));
    EXPECT_EQ(Display('F', 10, ""), std::string(10, ' '));
    EXPECT_EQ(Display('T', 8, "45296789"), "12:34");
    EXPECT_EQ(Stored('D', 8, "31/01/24"), "20240131");
    EXPECT_EQ(Stored('D', 8, "310124"), "20240131");
    EXPECT_EQ(Stored('T', -1, "12:30:00"), "45000000");
    EXPECT_EQ(Stored('T', -1, "12:30"), "750000");
    EXPECT_EQ(Stored('T', 9, "bad"), "<err 163>");
}

TEST_F(FieldTypesTest, ErrorValuesPassThrough) {
    EXPECT_EQ(Str(rt::FieldDisplay('N', 3, rt::StrErr(146))), "<err 146>");
    EXPECT_EQ(Str(rt::FieldStored('L', 1, rt::StrErr(145))), "<err 145>");
}

}  // namespace
