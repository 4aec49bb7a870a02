// Console lines in tests: the output of one line run through rt::RunConsoleLine, with the pool
// left as found, and tables of lines with their expected outputs.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "script/console.h"
#include "tests/support/text.h"

namespace rt_test {

// The output of line ("N:" and the number, "S:" and the text, or "E:" and the error); the line's
// status goes to *status when asked for.
inline std::string ConsoleLine(const std::string& line, int* status = nullptr) {
    const uint16_t mark = rt::PoolMark();
    std::string out;
    const int st = rt::RunConsoleLine(V(line), &out);
    if (status) *status = st;
    EXPECT_EQ(rt::PoolMark(), mark) << line;
    return out;
}

struct ConsoleRow {
    std::string expr;
    std::string out;
};

// Each test starts with the system variables at their defaults.
class ConsoleLineTest : public ::testing::Test {
protected:
    using Row = ConsoleRow;
    void SetUp() override { ASSERT_EQ(rt::SystemVarsDefaults(), 0); }

    static std::string Eval(const std::string& line, int* status = nullptr) { return ConsoleLine(line, status); }
    static void Check(const std::vector<Row>& rows) {
        for (const Row& r : rows) EXPECT_EQ(Eval(r.expr), r.out) << r.expr;
    }
};

}  // namespace rt_test
