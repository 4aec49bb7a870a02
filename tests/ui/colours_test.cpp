// Fonts and colours: the face list, colour names and numbers, pairs, colour texts, muting.
#include <gtest/gtest.h>

#include <cmath>

#include "ui/colours.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

class ColoursTest : public rt_test::BalancedPoolTest {};

ColourRef Rgb(int r, int g, int b) { return static_cast<ColourRef>(r | (g << 8) | (b << 16)); }

TEST_F(ColoursTest, FaceNamesAndIndexesGoBothWays) {
    for (uint16_t i = 1; i <= kFontFaces; ++i) {
        EXPECT_EQ(FontIndex(FontName(i)), i) << Str(FontName(i));
    }
    EXPECT_EQ(Str(FontName(3)), "Courier New");
    EXPECT_EQ(Str(FontName(12)), "");
    EXPECT_EQ(Str(FontName(0)), "");
    EXPECT_EQ(FontIndex(T("Courier")), 0);
    EXPECT_EQ(FontIndex(T("")), 0);
}

TEST_F(ColoursTest, ColourIndexOfNamesAndNumbers) {
    const struct {
        const char* text;
        int16_t index;
    } cases[] = {
        {"SkyBlue", 5}, {"skyblue", 5}, {"SKYBLUE", 5}, {"7", 7}, {"purple", -1}, {"", -1},
        {"ovgrid", 13}, {"white", 0}, {"black", 10}, {"12", 12}, {"blue2", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ColourIndex(T(c.text)), c.index) << c.text;
}

TEST_F(ColoursTest, PairsPackBackgroundHighForegroundLow) {
    EXPECT_EQ(ColourPair(T("black;yellow"), 1), (4u << 16) | 10u);
    EXPECT_EQ(ColourPair(T("red;white,blue"), 2), 0xFFFF0000u | 1u);
    EXPECT_EQ(ColourPair(T("red;white,blue"), 3), 0xFFFFFFFFu);
    EXPECT_EQ(ColourPair(T(";green"), 1), (2u << 16) | 0xFFFFu);
}

TEST_F(ColoursTest, TextsOfColours) {
    EXPECT_EQ(ColourFromText(T("#FF8000"), nullptr), Rgb(255, 128, 0));
    EXPECT_EQ(ColourFromText(T("#ff8000"), nullptr), Rgb(255, 128, 0));
    const uint16_t mark = PoolMark();
    EXPECT_EQ(Str(ColourText(Rgb(255, 128, 0))), "ff8000");
    EXPECT_EQ(Str(ColourText(PaletteColour(1, 0, false, nullptr))), "0000ff");
    PoolRelease(mark);
    EXPECT_EQ(ColourFromText(T("skyblue"), nullptr), Rgb(135, 206, 235));
    // Empty asks beyond the palette: black without a callback, the callback's answer with one.
    EXPECT_EQ(ColourFromText(T(""), nullptr), Rgb(0, 0, 0));
    EXPECT_EQ(ColourFromText(T(""), [](uint16_t i) -> ColourRef { return i; }), 17u);
    // A malformed hexadecimal text is an unknown name, not a guess at its digits.
    EXPECT_EQ(ColourFromText(T("#12345g"), nullptr), Rgb(0, 0, 0));
}

TEST_F(ColoursTest, PaletteBeyondItsEnd) {
    EXPECT_EQ(PaletteColour(20, 0, false, nullptr), Rgb(0, 0, 0));
    EXPECT_EQ(PaletteColour(20, 0, true, nullptr), Rgb(255, 255, 255));
    EXPECT_EQ(PaletteColour(20, 0, false, [](uint16_t i) -> ColourRef { return 1000u + i; }), 1020u);
    EXPECT_EQ(ContrastIndex(4), 1);
    EXPECT_EQ(ContrastIndex(0), 10);
    EXPECT_EQ(ContrastIndex(14), 0xFFFF);
}

// The muting rule written out in floating point, as an oracle over a spread of colours.
ColourRef MutedOracle(ColourRef c) {
    auto ch = [&](int s) { return static_cast<int>((c >> s) & 0xFF); };
    const int m = static_cast<int>(std::lround((ch(16) + ch(8) + ch(0)) / 3.0));
    ColourRef out = 0;
    for (int s : {16, 8, 0}) {
        int v = static_cast<int>(std::lround((ch(s) + m + 255) / 3.0));
        if (std::abs(m - ch(s)) < 8 && v > 64 && v < 192) v = 192;
        out |= static_cast<ColourRef>(v) << s;
    }
    return out;
}

TEST_F(ColoursTest, MutedColoursFollowTheRule) {
    for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 17) {
            for (int b = 0; b < 256; b += 51) {
                EXPECT_EQ(MutedColour(Rgb(r, g, b)), MutedOracle(Rgb(r, g, b))) << r << "," << g << "," << b;
            }
        }
    }
    EXPECT_EQ(PaletteColour(10, kColourMuted, false, nullptr), MutedColour(Rgb(0, 0, 0)));
}

TEST_F(ColoursTest, PackedBytesAndFontReferences) {
    EXPECT_EQ(PackBytes(1, 2, 3, 4), 0x01020304u);
    StrRef name;
    EXPECT_EQ(FontRefSize(T("Arial/#12"), &name), 12);
    EXPECT_EQ(Str(name), "Arial");
    EXPECT_EQ(FontRefSize(T("/Tahoma/#9,bold"), &name), 9);
    EXPECT_EQ(Str(name), "Tahoma");
    EXPECT_EQ(FontRefSize(T("Verdana"), &name), 0);
    EXPECT_EQ(Str(name), "Verdana");
}

}  // namespace
