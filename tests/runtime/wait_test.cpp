// Tests of the millisecond wait: it lasts at least as asked, sleeps instead of spinning, polls its
// callback often, and ends early with the callback's code.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "runtime/clock.h"
#include "runtime/wait.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Polls {
    int calls = 0;
    int stopAt = -1;  // the call that answers with a code
    int code = 0;
    uint64_t lastAt = 0;
    uint64_t longestGap = 0;
};

int CountPolls(void* arg) {
    auto* p = static_cast<Polls*>(arg);
    const uint64_t now = (rt::ClockSteadyMicros() / 1000);
    if (p->calls > 0 && now - p->lastAt > p->longestGap) p->longestGap = now - p->lastAt;
    p->lastAt = now;
    ++p->calls;
    return p->calls == p->stopAt ? p->code : 0;
}

TEST(WaitTest, LastsAtLeastTheTimeAskedAndPollsOften) {
    Polls polls;
    const auto start = Clock::now();
    EXPECT_EQ(rt::WaitMs(50, CountPolls, &polls), 0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(took, 50);
    EXPECT_LT(took, 1000);
    EXPECT_GE(polls.calls, 5);
    // A loaded test machine may stretch a sleep; the step itself is a few milliseconds.
    EXPECT_LE(polls.longestGap, 40u);
}

TEST(WaitTest, SleepsRatherThanSpinning) {
    Polls polls;
    EXPECT_EQ(rt::WaitMs(60, CountPolls, &polls), 0);
    // A spinning loop would call back hundreds of thousands of times in 60 ms.
    EXPECT_LE(polls.calls, 60 / 1 + 5);
}

TEST(WaitTest, CallbackCodeEndsTheWait) {
    Polls polls;
    polls.stopAt = 3;
    polls.code = 122;
    const auto start = Clock::now();
    EXPECT_EQ(rt::WaitMs(5000, CountPolls, &polls), 122);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(polls.calls, 3);
    EXPECT_LT(took, 1000);
}

TEST(WaitTest, ZeroWaitGivesTheCallbackOneChance) {
    Polls polls;
    EXPECT_EQ(rt::WaitMs(0, CountPolls, &polls), 0);
    EXPECT_EQ(polls.calls, 1);
    polls = Polls{};
    polls.stopAt = 1;
    polls.code = 171;
    EXPECT_EQ(rt::WaitMs(0, CountPolls, &polls), 171);
}

TEST(WaitTest, WorksWithoutCallback) {
    const auto start = Clock::now();
    EXPECT_EQ(rt::WaitMs(20, nullptr, nullptr), 0);
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 20);
}

TEST(WaitTest, SteadyClockMovesWithSleeps) {
    const uint64_t a = (rt::ClockSteadyMicros() / 1000);
    rt::ClockSleepMs(15);
    const uint64_t b = (rt::ClockSteadyMicros() / 1000);
    EXPECT_GE(b - a, 14u);  // the counter may round the start down by up to a millisecond
    EXPECT_LT(b - a, 1000u);
}

}  // namespace
