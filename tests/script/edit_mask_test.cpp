// Tests of mask formatting, default masks and width fitting.
#include <gtest/gtest.h>

#include <string>

#include "script/edit_mask.h"
#include "script/field_types.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

namespace {

using rt_test::Err;
using rt_test::Str;
using rt_test::T;

class EditMaskTest : public rt_test::PoolMarkTest {
protected:
    std::string Mask(const char* mask, const char* value, int mode) {
        return Str(Disciplined([&] { return rt::MaskFormat(T(mask), T(value), mode); }));
    }
};

struct MaskCase {
    const char* mask;
    const char* value;
    int mode;
    const char* out;
};

TEST_F(EditMaskTest, NumericLayout) {
    const MaskCase cases[] = {
        {"#,###.##", "1234.5", 255, "1.234,50"},
        {"#,###.##", "1234.5", 1, "1,234.50"},
        {"##.##", "3.14159", 255, " 3,14"},
        {"##.##", "3.145", 1, " 3.15"},
        {"##.##", "-3.145", 1, "-3.15"},
        {"##.##", "5", 1, " 5.00"},
        {"##.##", ".5", 255, " 0,50"},
        {"##.##", "-.5", 1, "-0.50"},
        {"##.##", "", 255, "     "},
        {"#0.00", "", 255, " 0,00"},
        {"0.00", "", 1, "0.00"},
        {" 12 ", "", 1, " 12 "},  // no placeholder at all
        // Thousands separators: kept between digits, blank or shown once the value is used up.
        {"#,###,###", "1234567", 255, "1.234.567"},
        {"#,###,###", "1234567", 1, "1,234,567"},
        {"#,###", "12", 255, "   12"},
        {"0,000", "12", 255, "0.012"},
        {"0,000", "12", 1, "0,012"},
        {"#,###", "-123", 1, " -123"},
        // Integer digits that do not fit widen the mask and drop its separators.
        {"###", "12345", 1, "12345"},
        {"#,###.##", "-1234.5", 255, "-1234,50"},
        {"#,###", "1234567", 1, "1234567"},
        // Rounding half away from zero, with a carry into a new digit.
        {"#.#", "9.96", 1, "10.0"},
        {"##", "2.5", 1, " 3"},
        {"##", "-2.5", 1, "-3"},
        {"##", "-.4", 1, "  "},
        {"##.#", "-0.04", 1, " 0.0"},
        {"###", "7.", 1, "  7"},
        // Zero-filled masks keep the sign in front of their zeros.
        {"000", "-5", 1, "-05"},
        {"000", "5", 1, "005"},
        // Text around the numeric part stays.
        {"$ ###.## USD", "12.3", 1, "$  12.30 USD"},
        {"(###)", "42", 255, "( 42)"},
        // A numeric mask in the default mode takes only number-like values as numbers.
        {"###", "abc", 255, "###"},
        {"###", "abc", 1, "abc"},
        {"##.##", " 1.5 ", 255, " 1,50"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Mask(c.mask, c.value, c.mode), c.out)
            << "mask \"" << c.mask << "\" value \"" << c.value << "\" mode " << c.mode;
}

TEST_F(EditMaskTest, TextLayout) {
    const MaskCase cases[] = {
        {"(\\\\\\)", "ABC", 255, "(ABC)"},
        {"(\\\\\\)", "AB", 255, "(AB )"},
        {"(\\\\\\)", "ABCDE", 255, "(ABC)"},
        {"\\   \\", "abcdefg", 255, "abcde"},
        {"\\ -\\", "abc", 255, "a -b"},  // not a run of blanks
        {"?-?", "xyz", 255, "x-z"},
        {"??????", "ab", 255, "ab    "},
        {"\\-?", "xyz", 255, "x-y"},
        {"#\\\\", "ab", 255, "#ab"},  // numeric first, but the value is text
        {"#\\\\", "12", 255, "12\\\\"},  // a number: the text positions are literal
        {"(\\\\\\)", "", 1, "(   )"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Mask(c.mask, c.value, c.mode), c.out)
            << "mask \"" << c.mask << "\" value \"" << c.value << "\"";
}

TEST_F(EditMaskTest, MaskWithoutPlaceholdersIsReturnedUnchanged) {
    for (const char* value : {"", "123", "abc", "-1.5"})
        for (int mode : {1, 255}) {
            const rt::StrRef mask = T("Total: abc-xyz.,");
            const rt::StrRef out = rt::MaskFormat(mask, T(value), mode);
            EXPECT_EQ(Str(out), "Total: abc-xyz.,");
        }
}

TEST_F(EditMaskTest, ErrorsPassThrough) {
    EXPECT_EQ(Str(rt::MaskFormat(rt::StrErr(146), T("1"), 1)), Err(146));
    EXPECT_EQ(Str(rt::MaskFormat(T("###"), rt::StrErr(163), 1)), Err(163));
}

TEST_F(EditMaskTest, OverlongResultIsRefused) {
    const std::string digits(32764, '9');
    const rt::StrRef out = Disciplined([&] { return rt::MaskFormat(T("#.#"), rt_test::V(digits), 1); });
    EXPECT_EQ(Str(out), Err(145));
}

TEST_F(EditMaskTest, DefaultMasks) {
    const struct { char type; int width; bool point; const char* mask; } cases[] = {
        {'A', 3, false, "\\\\\\"}, {'B', 2, true, "\\\\"}, {'D', 8, true, "\\\\\\\\\\\\\\\\"},
        {'L', 1, false, "\\"}, {'N', 4, true, "####"}, {'2', 5, true, "##.##"},
        {'2', 5, false, "##,##"}, {'2', 3, true, "###"}, {'1', 3, true, "#.#"},
        {'9', 11, true, "#.#########"}, {'X', 3, true, "000"}, {'C', 2, true, "00"},
        {'N', 0, true, ""}, {'N', -1, true, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Str(Disciplined([&] { return rt::DefaultMask(c.type, c.width, c.point); })), c.mask)
            << c.type << " width " << c.width;
}

TEST_F(EditMaskTest, WidthFitting) {
    const struct { char type; const char* value; int width; const char* out; } cases[] = {
        {'V', "abc", 4, "    "}, {'A', "ab", 4, "ab  "}, {'A', "abcdef", 4, "abcd"},
        {'B', " 1", 3, " 1 "}, {'S', "x", 0, ""}, {'X', "ab", 3, "ab "}, {'R', "abc", 2, "ab"},
        {'D', "20240131", 6, "240131"}, {'F', "20240131", 6, "240131"},
        {'D', "20240131", 10, "20240131  "}, {'D', "240131", 6, "240131"},
        {'N', " 12 ", 5, "   12"}, {'N', "12345", 5, "12345"}, {'L', "1", 1, "1"},
        {'O', "1", 3, "  1"}, {'3', "-2", 4, "  -2"}, {' ', "7", 2, " 7"},
        // Longer than the width: decimals rounded away until the number fits.
        {'N', "3.14159", 5, "3.142"}, {'N', "3.14159", 2, " 3"}, {'N', "3.5", 1, "4"},
        {'N', "-.5", 2, "-1"}, {'N', "99.96", 4, " 100"}, {'2', "123.456", 5, "123.5"},
        {'N', "123456", 5, "<err 168>"}, {'N', "9.7", 1, "<err 168>"},
        {'N', "-1234.5", 4, "<err 168>"}, {'L', "YES", 1, "<err 168>"},
        {'N', "abc", -1, "abc"}, {'A', "abc", -1, "abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Str(Disciplined([&] { return rt::FitWidth(c.type, T(c.value), c.width); })), c.out)
            << c.type << " \"" << c.value << "\" width " << c.width;
}

}  // namespace
