// System variables in tests: at their defaults before the first test of a program, and a fixture
// that sets them again for each test and insists the pool is left as found.
#pragma once

#include <gtest/gtest.h>

#include "runtime/system_vars.h"
#include "tests/support/pool_check.h"

namespace rt_test {

class SystemVarsEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(rt::SystemVarsDefaults(), 0); }
};
// Tests that run without a fixture still find the defaults in place.
inline ::testing::Environment* const kSystemVarsEnvironment =
    ::testing::AddGlobalTestEnvironment(new SystemVarsEnvironment);

class SystemDefaultsTest : public BalancedPoolTest {
protected:
    void SetUp() override {
        ASSERT_EQ(rt::SystemVarsDefaults(), 0);
        BalancedPoolTest::SetUp();
    }
};

}  // namespace rt_test
