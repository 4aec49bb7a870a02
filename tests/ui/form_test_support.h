// Shared by the form tests: the values a user may type that the form texts must carry unchanged
// (quotes of both kinds, every separator of definitions and options, markers, braces, long
// texts), and a fixture with the system variables at their defaults.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/system_vars.h"
#include "tests/support/pool_check.h"

namespace ui_test {

class FormTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        ASSERT_EQ(rt::SystemVarsDefaults(), 0);
        PoolMarkTest::SetUp();
    }
};

inline std::vector<std::string> HostileValues() {
    std::vector<std::string> v = {
        "", "plain", "it's", "say \"hi\"", "both ' and \"", "'", "\"", "''", "\"\"", "'\"'\"",
        "a,b", "a:b", "a;b", "a-b", "[$1]", "[$2]x[$1]", "[$]", "{-1,+12}x", "}", "{", "{1,2}",
        " /FD$=\"X\"", "x /MENU$='a,b'", "/ROW=3", "a/COL=2", "'a'+'b'", "\"a\"+'b'", "+", "'+'",
        " lead and trail ", "C:\\Program Files (x86)\\App - Copy\\", "http://host/a-b?c=d&e=f",
        "Se\xf1or Mu\xf1oz", "tab\there", "cr\r\nlf",
    };
    const std::string pattern = "ab',\":-{}[$1]/ ";
    std::string mixed;
    for (size_t i = 0; i < 255; ++i) mixed += pattern[i % pattern.size()];
    v.push_back(mixed);
    v.push_back(std::string(255, '\''));
    v.push_back(std::string(255, 'x'));
    return v;
}

}  // namespace ui_test
