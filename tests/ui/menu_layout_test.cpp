// Menus without windows: items, key numbers, the pushed-button walk and the menu sizes.
#include <gtest/gtest.h>

#include <string>

#include "ui/menu_layout.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

class MenuLayoutTest : public rt_test::BalancedPoolTest {};

TEST_F(MenuLayoutTest, ItemsByCommaOrNul) {
    EXPECT_EQ(MenuItemCount(T("Credenciales,Configuraci\xf3n,Preferencias")), 3);
    EXPECT_EQ(Str(MenuItem(T("a,\"b,c\",d"), 2)), "b,c");
    EXPECT_EQ(MenuItemCount(T("a,\"b,c\",d")), 3);
    const std::string nul("one, two\0three", 14);
    EXPECT_EQ(MenuItemCount(rt_test::V(nul)), 2);
    EXPECT_EQ(Str(MenuItem(rt_test::V(nul), 1)), "one, two");
    EXPECT_EQ(MenuItemCount(T("")), 0);
}

TEST_F(MenuLayoutTest, InitialChoiceAndWalk) {
    EXPECT_EQ(InitialChoice(-1, 3), 1);
    EXPECT_EQ(InitialChoice(4, 3), 1);
    EXPECT_EQ(InitialChoice(3, 3), 3);
    const struct {
        uint16_t pushed, key, next;
    } walk[] = {{3, kKeyDown, 1}, {1, kKeyDown, 2}, {1, kKeyUp, 3}, {2, kKeyUp, 1},
                {0, kKeyDown, 3}, {0, kKeyUp, 1}, {2, kKeyOther, 2}};
    for (const auto& w : walk) EXPECT_EQ(WalkPushed(w.pushed, 3, w.key), w.next) << w.pushed << " " << w.key;
    EXPECT_EQ(WalkPushed(0, 0, kKeyDown), 0);
}

TEST_F(MenuLayoutTest, KeyNumbers) {
    const struct {
        unsigned vk;
        uint16_t key;
    } cases[] = {{0x0D, 0}, {0x09, 9}, {0x1B, 3}, {0x70, 11}, {0x7A, 21}, {0x26, 22}, {0x21, 23},
                 {0x25, 4}, {0x27, 4}, {0x28, 28}, {0x22, 29}, {239, 6}, {0x2E, 18}, {'A', 4}, {0x7B, 4}};
    for (const auto& c : cases) EXPECT_EQ(MenuKeyNumber(static_cast<uint16_t>(c.vk)), c.key) << c.vk;
}

const MenuMetrics kMetrics{10, 22, 1000, 24};

TEST_F(MenuLayoutTest, ButtonMenuGrowsColumnsWhenTooTall) {
    MenuLayout m = LayoutMenu(T("Seleccione su opci\xf3n"), T("Credenciales,Configuraci\xf3n,Preferencias"),
                              kMenuNewWindow, kMetrics);
    // Longest item 13, title 20 * 5 / 10 = 10: 13 + 4 columns.
    EXPECT_EQ(m.clientW, 170);
    EXPECT_EQ(m.columns, 1);
    EXPECT_EQ(m.clientH, 3 * 3 * 22);
    std::string many;
    for (int i = 0; i < 40; ++i) many += (i ? "," : "") + std::to_string(i);
    m = LayoutMenu(T("t"), rt_test::V(many), kMenuNewWindow, kMetrics);
    // 40 buttons of 66 pixels: 20 still pass 1000, 10 fit.
    EXPECT_EQ(m.columns, 4);
    EXPECT_EQ(m.perColumn, 10);
    EXPECT_LE(m.clientH, kMetrics.workH);
    const Point last = MenuButtonAt(m, 40, 22);
    EXPECT_GT(last.x + m.buttonW, 3 * m.clientW / 4);
    EXPECT_LE(last.x + m.buttonW, m.clientW);
    EXPECT_LE(last.y + m.buttonH, m.clientH);
}

TEST_F(MenuLayoutTest, ALongTitleWidensTheMenu) {
    const MenuLayout narrow = LayoutMenu(T("T"), T("a,b"), kMenuNewWindow, kMetrics);
    const MenuLayout wide = LayoutMenu(T("Un t\xedtulo mucho m\xe1s largo que las opciones del men\xfa"),
                                       T("a,b"), kMenuNewWindow, kMetrics);
    EXPECT_GT(wide.clientW, narrow.clientW);
    // What the fonts really draw: a caption that needs one pixel more than the rule's 170 widens
    // the client to it, one that needs no more changes nothing; an item drawn wider than its 13
    // cells takes the cells it covers (131 pixels: 14), and the list stays centred.
    const StrRef title = T("Seleccione su opci\xf3n"), items = T("Credenciales,Configuraci\xf3n,Preferencias");
    MenuMetrics measured = kMetrics;
    measured.captionPx = 170;
    EXPECT_EQ(LayoutMenu(title, items, kMenuNewWindow, measured).clientW, 170);
    measured.captionPx = 171;
    EXPECT_EQ(LayoutMenu(title, items, kMenuNewWindow, measured).clientW, 171);
    measured = kMetrics;
    measured.itemPx = 130;
    EXPECT_EQ(LayoutMenu(title, items, kMenuNewWindow, measured).clientW, 170);
    measured.itemPx = 131;
    EXPECT_EQ(LayoutMenu(title, items, kMenuNewWindow, measured).clientW, 180);
    measured = kMetrics;
    measured.captionPx = 400;
    const MenuLayout list = LayoutMenu(title, items, kMenuNewWindow | kMenuListBox, measured);
    EXPECT_EQ(list.clientW, 400);
    EXPECT_EQ(list.list.left, (400 - 170) / 2);
}

TEST_F(MenuLayoutTest, ListMenuWithAndWithoutMargin) {
    MenuLayout m = LayoutMenu(T("t"), T("a,b,c"), kMenuNewWindow | kMenuListBox, kMetrics);
    EXPECT_EQ(m.clientW, 150);  // at least 15 columns
    EXPECT_EQ(m.clientH, 3 * 22 + 3);
    EXPECT_EQ(m.list.left, 0);
    EXPECT_EQ(m.list.right, 150);
    m = LayoutMenu(T("t"), T("a,b,c"), kMenuNewWindow | kMenuListBox | kMenuMargin, kMetrics);
    EXPECT_EQ(m.clientW, 210);
    EXPECT_EQ(m.clientH, 5 * 22 + 3);
    EXPECT_EQ(m.list.left, 30);
    EXPECT_EQ(m.list.top, 22);
    std::string many;
    for (int i = 0; i < 60; ++i) many += (i ? "," : "") + std::to_string(i);
    m = LayoutMenu(T("t"), rt_test::V(many), kMenuNewWindow | kMenuListBox, kMetrics);
    EXPECT_EQ(m.perColumn, 24);
}

}  // namespace
