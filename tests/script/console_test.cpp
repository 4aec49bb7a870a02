// Tests of the console line runner: one output line per input line, in the fixed format.
#include <gtest/gtest.h>

#include <string>

#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "script/console.h"

namespace {

TEST(ConsoleTest, OneLinePerInput) {
    ASSERT_EQ(rt::SystemVarsDefaults(), 0);
    struct Row {
        const char* line;
        const char* out;
        int status;
    };
    const Row rows[] = {
        {"2+3*4", "N:14", 0},         {"1-1", "N:", 0},             {"-.5", "N:-.5", 0},
        {"'ab'+'c'", "S:abc", 1},     {"''", "S:", 1},              {"'abc'-'a'", "E:147", 147},
        {"(1+2", "E:129", 129},       {"1/0", "N:", 0},        {"", "N:", 0},
        {"cv=5;cv*2", "N:10", 0},     {"CHK#(1;'x')", "E:125", 125},
    };
    for (const Row& r : rows) {
        uint16_t mark = rt::PoolMark();
        std::string out = "junk";
        EXPECT_EQ(rt::RunConsoleLine(rt::StrFromLiteral(r.line), &out), r.status) << r.line;
        EXPECT_EQ(out, r.out) << r.line;
        EXPECT_EQ(rt::PoolMark(), mark) << r.line;
    }
    std::string out;
    EXPECT_EQ(rt::RunConsoleLine(rt::StrErr(163), &out), 163);
    EXPECT_EQ(out, "E:163");
    rt::SystemVarsDefaults();
}

}  // namespace
