// Run-time parameters in tests: each test starts and ends with an empty parameter group.
#pragma once

#include <gtest/gtest.h>

#include "runtime/string_store.h"
#include "tests/support/pool_check.h"

namespace rt_test {

class EmptyParamsTest : public PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        ASSERT_EQ(rt::StoreTrim(rt::kGroupParams, 0), 0);
    }
    void TearDown() override {
        rt::StoreTrim(rt::kGroupParams, 0);
        PoolMarkTest::TearDown();
    }
};

}  // namespace rt_test
