// Window placement: alignment, the cascade and its restart, clamping, grid units.
#include <gtest/gtest.h>

#include "ui/window_place.h"

using namespace rt;

namespace {

TEST(AlignTest, EndCentreAndOversize) {
    const struct {
        int cw, ch, ow, oh;
        unsigned flags;
        int x, y;
    } cases[] = {
        {800, 600, 200, 100, kAlignCentre, 300, 250}, {800, 600, 200, 100, kAlignRight, 600, 0},
        {800, 600, 200, 100, kAlignBottom, 0, 500},    {800, 600, 200, 100, 0, 0, 0},
        {800, 600, 900, 100, kAlignCentre, 0, 250},    {800, 600, 200, 700, kAlignRight | kAlignCentreY, 600, 0},
    };
    for (const auto& c : cases) {
        const Point p = Align(c.cw, c.ch, c.ow, c.oh, c.flags);
        EXPECT_EQ(p.x, c.x) << c.flags;
        EXPECT_EQ(p.y, c.y) << c.flags;
    }
}

PlaceInput WithTop(int left, int top) {
    PlaceInput in{};
    in.workW = 1280;
    in.workH = 1000;
    in.gridW = 800;
    in.gridH = 528;
    in.hasTop = true;
    in.top = Rect{left, top, left + 300, top + 200};
    in.lineHeight = 22;
    return in;
}

TEST(NextPositionTest, CascadeRestartsPastTheMiddle) {
    CascadeReset();
    PlaceInput in = WithTop(100, 50);
    Point p = NextWindowPosition(in, 0);
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 110);
    EXPECT_EQ(CascadeCount(), 1);
    p = NextWindowPosition(in, 0);
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 170);
    // 100 + 300 = 400, 50 + 180 = 230: still before 640 and 500.
    p = NextWindowPosition(in, 0);
    EXPECT_EQ(CascadeCount(), 3);
    // Count 5 gives x 600 and y 350; count 6 passes the middle (700 > 640) and restarts.
    NextWindowPosition(in, 0);
    NextWindowPosition(in, 0);
    p = NextWindowPosition(in, 0);
    EXPECT_EQ(p.x, 700);
    EXPECT_EQ(p.y, 410);
    EXPECT_EQ(CascadeCount(), 0);
    p = NextWindowPosition(in, 0);
    EXPECT_EQ(p.x, 200);
}

TEST(NextPositionTest, FirstWindowIsCentredAndDoesNotCount) {
    CascadeReset();
    PlaceInput in = WithTop(0, 0);
    in.hasTop = false;
    Point p = NextWindowPosition(in, 0);
    EXPECT_EQ(p.x, 240);
    EXPECT_EQ(p.y, 236);
    EXPECT_EQ(CascadeCount(), 0);
    in.cascadeFirst = true;
    p = NextWindowPosition(in, 0);
    EXPECT_EQ(p.x, 340);
    EXPECT_EQ(CascadeCount(), 1);
}

TEST(NextPositionTest, BesideTheFocusedControlAndAgainstTheRight) {
    CascadeReset();
    PlaceInput in = WithTop(100, 100);
    in.hasFocus = true;
    in.focus = Rect{150, 400, 250, 420};
    in.focusClientW = 96;
    Point p = NextWindowPosition(in, kPlaceByFocus);
    EXPECT_EQ(p.x, 246);
    EXPECT_EQ(p.y, 400);
    in.maxRows = 5;
    p = NextWindowPosition(in, kPlaceByFocus);
    EXPECT_EQ(p.y, 100 + 5 * 22);
    EXPECT_EQ(CascadeCount(), 0);
    p = NextWindowPosition(in, kPlaceRight);
    EXPECT_EQ(p.x, 1280 + 100);
    p = ClampToWork(p, 300, 200, 1280, 1000);
    EXPECT_EQ(p.x, 1280 - 300 - 24);
    EXPECT_EQ(ClampToWork(Point{10, 900}, 300, 200, 1280, 1000).y, 800);
    EXPECT_EQ(ClampToWork(Point{10, 900}, 2000, 2000, 1280, 1000).x, 0);
}

TEST(GridUnitsTest, SaturateAtSixteenBits) {
    EXPECT_EQ(ColumnsToPixels(80, 10), 800);
    EXPECT_EQ(RowsToPixels(24, 22, 0), 528);
    EXPECT_EQ(RowsToPixels(10, 20, 50), 300);
    EXPECT_EQ(ColumnsToPixels(10000, 10), 0xFFFF);
    EXPECT_EQ(RowsToPixels(30000, 30, 100), 0xFFFF);
}

}  // namespace
