// Shared helpers for the text-operation tests: readable values and a pool-checking fixture.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt_test {

// A value as text for comparisons; an error value reads "<err N>".
inline std::string Str(rt::StrRef s) {
    return s.ok() ? std::string(s.ptr, s.len) : "<err " + std::to_string(rt::StrError(s)) + ">";
}
inline rt::StrRef T(const char* c) { return rt::StrFromLiteral(c); }
// A view of a std::string, which must outlive the view.
inline rt::StrRef V(const std::string& s) {
    return rt::StrMake(s.data(), static_cast<uint16_t>(s.size()));
}
inline std::string Err(rt::ErrCode code) { return "<err " + std::to_string(code) + ">"; }

inline bool Inside(rt::StrRef piece, rt::StrRef whole) {
    return piece.ok() && piece.ptr >= whole.ptr && piece.ptr + piece.len <= whole.ptr + whole.len;
}

// Starts each test with a clean error record, checks that nothing is left above the test's
// mark but the results it kept, and releases everything at the end.
class TextTest : public ::testing::Test {
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

}  // namespace rt_test
