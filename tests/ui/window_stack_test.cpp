// The WindowStack: registration order, the 32-window limit, removal in and out of order, values.
#include <gtest/gtest.h>

#include <vector>

#include "ui/window_stack.h"

using namespace rt;

namespace {

WindowHandle W(uintptr_t n) { return reinterpret_cast<WindowHandle>(n * 16); }

class WindowStackTest : public ::testing::Test {
protected:
    void SetUp() override { StackReset(); }
};

TEST_F(WindowStackTest, NothingOnTopBeforeFirstUse) {
    EXPECT_EQ(StackTop(), nullptr);
    EXPECT_EQ(StackCount(), kStackUninit);
    EXPECT_EQ(StackFindSlot(W(1)), kMaxWindows);
    EXPECT_EQ(StackCount(), 0);
}

TEST_F(WindowStackTest, AThirtyThirdWindowIsNotTracked) {
    for (uintptr_t i = 1; i <= kMaxWindows; ++i) ASSERT_EQ(StackRegister(W(i), static_cast<int16_t>(i)), W(i));
    EXPECT_EQ(StackRegister(W(33), 1), nullptr);
    EXPECT_EQ(StackCount(), kMaxWindows);
    EXPECT_EQ(StackTop(), W(32));
    EXPECT_EQ(StackValueOf(W(33)).err, kErrBadInput);
    EXPECT_EQ(StackRegister(nullptr, 1), nullptr);
    // Taking windows off from the top walks the stack back down.
    for (uintptr_t i = kMaxWindows; i >= 1; --i) {
        EXPECT_EQ(StackTop(), W(i));
        bool wasTop = false;
        EXPECT_EQ(StackRemove(W(i), &wasTop), i == 1);
        EXPECT_TRUE(wasTop);
    }
    EXPECT_EQ(StackTop(), nullptr);
    EXPECT_EQ(StackCount(), 0);
}

TEST_F(WindowStackTest, ReRegisteringMovesToTopWithTheNewValue) {
    StackRegister(W(1), -1);
    StackRegister(W(2), -1);
    StackRegister(W(3), -1);
    EXPECT_EQ(StackRegister(W(1), 7), W(1));
    EXPECT_EQ(StackCount(), 3);
    EXPECT_EQ(StackTop(), W(1));
    EXPECT_EQ(StackValueOf(W(1)).value, 7);
    EXPECT_EQ(StackValueOf(W(2)).value, -1);
    StackRemove(W(1));
    EXPECT_EQ(StackTop(), W(3));
}

TEST_F(WindowStackTest, RemovingAWindowBelowKeepsTheTop) {
    StackRegister(W(1), -1);
    StackRegister(W(2), -1);
    StackRegister(W(3), -1);
    bool wasTop = true;
    EXPECT_FALSE(StackRemove(W(2), &wasTop));
    EXPECT_FALSE(wasTop);
    EXPECT_EQ(StackTop(), W(3));
    EXPECT_EQ(StackValueOf(W(2)).err, kErrBadInput);
    StackRemove(W(3));
    EXPECT_EQ(StackTop(), W(1));
    // An unknown window changes nothing.
    EXPECT_FALSE(StackRemove(W(9)));
    EXPECT_EQ(StackCount(), 1);
}

TEST_F(WindowStackTest, ShowStatesAndSlotReuse) {
    StackRegister(W(1), -1);
    StackSetShowState(W(1), kShowMaximised);
    EXPECT_EQ(StackShowState(W(1)), kShowMaximised);
    StackSetShowState(W(1), 9);
    EXPECT_EQ(StackShowState(W(1)), 9);
    StackRemove(W(1));
    StackRegister(W(2), -1);
    EXPECT_EQ(StackShowState(W(2)), kShowNormal);
    EXPECT_EQ(StackFindSlot(W(2)), 0);
}

// Opening and closing windows many times, nested a few deep, leaves the stack as it was.
TEST_F(WindowStackTest, ThousandsOfOpensAndClosesLeaveItEmpty) {
    std::vector<WindowHandle> open;
    for (uintptr_t i = 1; i <= 5000; ++i) {
        StackRegister(W(i), -1);
        open.push_back(W(i));
        if (open.size() == 5 || i % 3 == 0) {
            while (!open.empty()) {
                StackRemove(open.back());
                open.pop_back();
            }
        }
    }
    while (!open.empty()) {
        StackRemove(open.back());
        open.pop_back();
    }
    EXPECT_EQ(StackCount(), 0);
    EXPECT_EQ(StackFindSlot(nullptr), 0);
}

}  // namespace
