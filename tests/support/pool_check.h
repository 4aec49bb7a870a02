// Pool discipline in tests: fixtures that release everything above each test's mark (one also
// insists the pool is back at the mark), and a check that a call leaves at most its one result.
#pragma once

#include <gtest/gtest.h>

#include <type_traits>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt_test {

// Starts each test with a ready context and a clean error record, and releases everything above
// the test's mark at the end (results a test kept included).
class PoolMarkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!rt::ContextReady()) {
            ASSERT_EQ(rt::ContextInit(), 0);
        }
    }
    void SetUp() override {
        mark_ = rt::PoolMark();
        rt::RecordError(0, 0);
    }
    void TearDown() override { rt::PoolRelease(mark_); }

    // Runs op and checks that it leaves at most one entry above the mark taken before it
    // (none when it failed).
    template <class Op>
    auto Disciplined(Op op) {
        const uint16_t before = rt::PoolMark();
        auto result = op();
        const uint16_t after = rt::PoolMark();
        EXPECT_LE(after, before + 1) << "more than one entry left above the mark";
        if constexpr (std::is_same_v<decltype(result), rt::StrRef>) {
            if (!result.ok()) {
                EXPECT_EQ(after, before) << "a failure left an entry behind";
            }
        }
        return result;
    }

    // Fills the pool until fewer than `room` bytes remain.
    void FillPool(uint32_t room) {
        while (rt::PoolFreeBytes() >= room) {
            const uint32_t take = rt::PoolFreeBytes() - room + 4;
            ASSERT_EQ(rt::PoolAlloc(take > 30000 ? 30000 : take), 0);
        }
    }

    uint16_t mark_ = 0;
};

// The same, for tests whose calls must all leave the pool where the test found it.
class BalancedPoolTest : public PoolMarkTest {
protected:
    void TearDown() override {
        EXPECT_EQ(rt::PoolMark(), mark_) << "a call left entries in the pool";
        PoolMarkTest::TearDown();
    }
};

}  // namespace rt_test
