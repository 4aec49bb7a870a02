// The FontStack: derivation of cells and lines, inheritance of missing properties, depth limit.
#include <gtest/gtest.h>

#include "ui/font_stack.h"

using namespace rt;

namespace {

class FontStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        FontStackReset();
        SetBaseFont(12, 8);
    }
};

TEST_F(FontStackTest, CellsAndLinesByHeightWidthAndFace) {
    const struct {
        int height, width, face;
        uint16_t cell, line;
    } cases[] = {
        {16, 9, 2, 10, 22},   // the start-up font: spacing 7
        {24, 10, 8, 13, 27},  // over 20: spacing 24/6 = 4; 24 * 15% = 3
        {20, 8, 11, 12, 24},  // 20 * 20% = 4; spacing 15 - 10 = 5
        {10, 6, 1, 7, 19},    // 10 * 5% = 0, at least 1
        {30, 12, 9, 16, 34},  // 30 * 15% = 4; spacing 5
        {16, 9, 0, 10, 22},   // face 0 becomes 1: 16 * 5% = 0 -> 1
        {16, 9, 12, 10, 22},  // beyond the list: 1
    };
    for (const auto& c : cases) {
        const FontSpec f = DeriveFont(c.height, c.width, 0, c.face, BaseFont());
        EXPECT_EQ(f.cell, c.cell) << c.height << "/" << c.width << "/" << c.face;
        EXPECT_EQ(f.line, c.line) << c.height << "/" << c.width << "/" << c.face;
    }
}

TEST_F(FontStackTest, StartUpFontGivesCellTenLineTwentyTwo) {
    EXPECT_EQ(FontStackTop(), kFontStackEmpty);
    EXPECT_EQ(FontCell().cell, BaseFont().cell);
    EXPECT_EQ(PushFont(16, 9, 0, 2), 0);
    EXPECT_EQ(FontCell().cell, 10);
    EXPECT_EQ(FontCell().line, 22);
    EXPECT_EQ(TopFont()->face, 2);
}

TEST_F(FontStackTest, MissingPropertiesComeFromBelowAndWidthZeroIsHalfTheHeight) {
    PushFont(18, 7, kFontBold | kFontItalic, 4);
    PushFont(-1, -1, 0xFF, 255);
    EXPECT_EQ(TopFont()->height, 18);
    EXPECT_EQ(TopFont()->width, 7);
    EXPECT_EQ(TopFont()->attrs, kFontBold | kFontItalic);
    EXPECT_EQ(TopFont()->face, 4);
    PushFont(0, 0, 0, 3);
    EXPECT_EQ(TopFont()->height, 18);
    EXPECT_EQ(TopFont()->width, 9);
    PushFont(22, 0, 0, 3);
    EXPECT_EQ(TopFont()->width, 11);
}

TEST_F(FontStackTest, AnEighthPushStaysAtSix) {
    for (int i = 0; i < 7; ++i) EXPECT_EQ(PushFont(10 + i, 5, 0, 1), i);
    EXPECT_EQ(PushFont(40, 20, 0, 1), 6);
    EXPECT_EQ(TopFont()->height, 16);
}

TEST_F(FontStackTest, AHeightlessTopUsesTheBaseCell) {
    SetBaseFont(0, 0);
    PushFont(0, 5, 0, 1);
    EXPECT_EQ(TopFont()->height, 0);
    SetBaseFont(12, 8);
    EXPECT_EQ(FontCell().cell, BaseFont().cell);
    EXPECT_EQ(FontCell().line, BaseFont().line);
}

TEST(FontWeightTest, WeightsOfAttributeBits) {
    const struct {
        uint8_t attrs;
        int weight;
    } cases[] = {{0, 400}, {kFontBold, 700}, {kFontBold | kFontStronger, 900}, {kFontLight, 300},
                 {kFontLight | kFontStronger, 200}, {kFontStronger, 400}, {kFontUnderline | kFontItalic, 400}};
    for (const auto& c : cases) EXPECT_EQ(FontWeight(c.attrs), c.weight) << int(c.attrs);
}

}  // namespace
