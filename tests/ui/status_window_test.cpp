// The StatusWindow's size: longest line, the quarter-width floor, the work-area limits.
#include <gtest/gtest.h>

#include <string>

#include "ui/status_window.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::T;

namespace {

class StatusWindowTest : public rt_test::BalancedPoolTest {};

TEST_F(StatusWindowTest, Sizes) {
    const std::string blanks(80, ' ');
    const struct {
        std::string text;
        int width, height;
    } cases[] = {
        {blanks, 840, 88},                                     // 84 cells, 4 lines
        {"Conectando con el Servidor.....", 350, 88},
        {"Hola", 320, 88},                                     // a quarter of 1280
        {"uno\r\"dos dos dos dos dos dos dos dos dos dos dos dos dos dos dos\"", 630, 110},
        {std::string(200, 'x'), 1260, 88},                     // work width - 20
        {std::string(60, '\r'), 320, 1014},                    // work height - 10
    };
    for (const auto& c : cases) {
        const BoxSize s = StatusBoxSize(rt_test::V(c.text), 10, 22, 1280, 1024);
        EXPECT_EQ(s.width, c.width) << c.text.size();
        EXPECT_EQ(s.height, c.height) << c.text.size();
    }
}

}  // namespace
