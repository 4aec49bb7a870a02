// Context: block table guards and tags, typed arrays, cells, hooks, the cancel flag, shut-down.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/assertion.h"
#include "runtime/block_table.h"
#include "runtime/context.h"
#include "runtime/host_hooks.h"
#include "runtime/shutdown.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"

using namespace rt;

TEST(ContextTest, InitialisingTwiceIsAWarning) {
    ASSERT_TRUE(ContextReady());
    EXPECT_EQ(ContextInit(), 124);
}

TEST(BlockTableTest, GuardTagAndOwnershipAreChecked) {
    auto* p = static_cast<char*>(BlockAllocPtr(40, 10));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(BlockFree(41, p), 141) << "tag mismatch";
    int local = 0;
    EXPECT_EQ(BlockFree(40, &local), 154) << "not a tracked block";
    p[10] = 'X';  // one byte past the end lands on the guard
    EXPECT_EQ(BlockFree(40, p), 180);
    p[10] = 0x00;
    EXPECT_EQ(BlockFree(40, p), 0) << "the entry stayed after the guard failure";
    EXPECT_EQ(BlockFree(40, p), 154) << "and is gone now";
}

TEST(BlockTableTest, TheTableGrowsAndHandlesStayValid) {
    const uint16_t cap = CurrentContext().blockCap;
    std::vector<void*> blocks;
    for (int i = 0; i < cap + 5; ++i) {
        void* b = BlockAllocPtr(41, 16);
        ASSERT_NE(b, nullptr);
        blocks.push_back(b);
    }
    EXPECT_GT(CurrentContext().blockCap, cap);
    for (void* b : blocks) EXPECT_EQ(BlockFree(41, b), 0);
    ErrCode err = 0;
    EXPECT_EQ(BlockLock(0xFFF0, &err), nullptr);
    EXPECT_EQ(err, 163);
}

TEST(BlockTableTest, WriteStopsAtTheEndOfTheBlock) {
    char block[8] = {};
    EXPECT_EQ(BlockWrite(block, 8, 6, "abcdef", 6), 2u);
    EXPECT_EQ(std::string(block + 6, 2), "ab");
    EXPECT_EQ(BlockWrite(nullptr, 8, 0, "abc", 3), 0xFFFFu);
    EXPECT_EQ(BlockWrite(block, 8, 0, nullptr, 3), 3u);
}

TEST(TypedArrayTest, SetGrowsToExactlyTheIndexAndRefusesOtherSizes) {
    const uint16_t a = 20;
    int32_t v = 7;
    ASSERT_NE(ArraySet(a, 4, &v, sizeof v), nullptr);
    EXPECT_EQ(ArrayCount(a), 5);
    EXPECT_EQ(ArrayElementSize(a), 4);
    int64_t wide = 1;
    EXPECT_EQ(ArraySet(a, 1, &wide, sizeof wide), nullptr);
    EXPECT_EQ(ArrayCount(a), 5) << "a refused set changes nothing";
    EXPECT_EQ(*static_cast<int32_t*>(ArrayGet(a, 4)), 7);
    EXPECT_EQ(ArrayGet(a, 5), nullptr);
    v = 9;
    ArraySet(a, 2, &v, sizeof v);
    ASSERT_EQ(ArrayDelete(a, 2), 0);
    EXPECT_EQ(ArrayCount(a), 4);
    EXPECT_EQ(*static_cast<int32_t*>(ArrayGet(a, 3)), 7) << "later elements move down";
    EXPECT_EQ(ArrayDelete(a, 4), 176);
    EXPECT_EQ(ArrayDelete(21, 0), 176);
}

TEST(TypedArrayTest, TheDescriptorTableGrowsForTheNextArrayOnly) {
    const uint16_t count = CurrentContext().arrayCount;
    char c = 'x';
    EXPECT_EQ(ArraySet(static_cast<uint16_t>(count + 1), 0, &c, 1), nullptr);
    ASSERT_NE(ArraySet(count, 0, &c, 1), nullptr);
    EXPECT_EQ(CurrentContext().arrayCount, count + count / 2);
}

TEST(TypedArrayTest, IntegerAndNumberCellsAndFlags) {
    IntSet(40, -5);
    EXPECT_EQ(IntGet(40), -5);
    EXPECT_EQ(IntGet(900), 0) << "an unset cell reads 0";
    FloatSet(3, 1234567890123LL);
    EXPECT_EQ(FloatGet(3), 1234567890123LL);
    IntSet(41, 0);
    EXPECT_TRUE(FlagSet(41, 0x100, true));
    EXPECT_TRUE(FlagTest(41, 0x100));
    EXPECT_FALSE(FlagTest(41, 0x1));
    EXPECT_FALSE(FlagSet(41, 0x100, false));
    EXPECT_EQ(IntGet(41), 0);
}

TEST(HostHooksTest, SlotsAboveTheTableAreRefused) {
    HookFn fn = [] {};
    EXPECT_EQ(HookSet(39, fn), 0);
    EXPECT_EQ(HookGet(39), fn);
    EXPECT_EQ(HookSet(40, fn), 255);
    EXPECT_EQ(HookGet(40), nullptr);
    HookSet(39, nullptr);
}

TEST(CancelFlagTest, SetQueryAndCancelCode) {
    CancelFlag(0);
    EXPECT_EQ(CancelFlag('z'), 0);
    CancelFlag(1);
    EXPECT_EQ(CancelFlag('z'), 122);
    EXPECT_EQ(CancelFlag('?'), 1);
    CancelFlag(0);
}

TEST(ThreadSlotTest, AnUnregisteredThreadGets141WhenItAsks) {
    SetPerThreadMode(true);
    ErrCode err = 0;
    RunContext* ctx = CurrentContextChecked(&err);
    bool unregistered = ctx == nullptr;
    SetPerThreadMode(false);
    EXPECT_TRUE(unregistered);
    EXPECT_EQ(err, 141);
}

// Shut-down runs in a child process: it tears down the context the other tests share.
TEST(BasicCloseDeathTest, ACleanShutDownFreesEverythingAndCanStartAgain) {
    EXPECT_EXIT(
        {
            StoreSet(20, 0, StrFromLiteral("left for the shut-down"));
            BlockAllocPtr(77, 100);  // a leak of another owner is forced out
            ErrCode code = BasicClose();
            bool empty = CurrentContext().blockCap == 0;
            ErrCode again = ContextInit();
            std::exit(code == 0 && empty && again == 0 ? 42 : 1);
        },
        ::testing::ExitedWithCode(42), "");
}

TEST(BasicCloseDeathTest, AnOverwrittenStoreGuardRaisesTheAssertionReport) {
    std::remove("assertions.log");
    EXPECT_EXIT(
        {
            StringStore& st = CurrentContext().store;
            // Write one byte past the store's block, where its guard lies.
            uint32_t size = st.groups * 2u + st.stringCap * 2u + st.byteCap;
            reinterpret_cast<char*>(st.counts)[size] = 'Z';
            BasicClose();
            std::exit(0);
        },
        ::testing::ExitedWithCode(kAssertExitCode), "");
    std::ifstream log("assertions.log", std::ios::binary);
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_EQ(text.str(), "Assertion Fail:\r\nBasicClose Func: STRINGINIT\r\n");
    std::remove("assertions.log");
}
