// Procedure parameter names: every list's bounds, and the qualification by the current procedure.
#include <gtest/gtest.h>

#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "script/proc_params.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

class ProcParamsTest : public rt_test::PoolMarkTest {
protected:
    void TearDown() override {
        IntSet(kSysAux, 0);
        StoreSet(kGroupSystem, kItemProcPrefixes, StrEmpty());
        PoolMarkTest::TearDown();
    }
};

}  // namespace

TEST_F(ProcParamsTest, NamesByNumber) {
    ASSERT_EQ(IntSet(kSysAux, 0), 0);
    struct Case { uint8_t n; const char* want; };
    const Case cases[] = {
        {0, ""}, {1, "MODULES$"}, {8, "MAX_IDS_ATTR%"}, {9, "STATMSG$"},
        {10, ""}, {11, "SCREENSIZE$"}, {30, "SCRCOLORS$"}, {31, ""}, {39, ""},
        {40, ""}, {41, "NUMCAB$"}, {58, "MAXLIN%"}, {59, ""},
        {60, ""}, {61, "FD$"}, {76, "IK$(1)"}, {78, "IK$(3)"}, {79, ""},
        {80, ""}, {81, "ATEND$"}, {91, "WD"}, {92, "COLOR$"}, {93, ""}, {99, ""},
        {100, ""}, {101, "DEVICE$"}, {109, "PRCNAME$"},
        {110, ""}, {111, "ACCEPT_PRC%"}, {112, "WINNAME$"}, {126, "STRUCT$"}, {127, ""}, {255, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return ProcParamName(c.n); })), c.want) << int{c.n};
    }
}

TEST_F(ProcParamsTest, QualifiedByTheCurrentProcedure) {
    ASSERT_EQ(StoreSet(kGroupSystem, kItemProcPrefixes, T("SCR,PRC,,IMP")), 0);
    struct Case { int16_t aux; uint8_t n; const char* want; };
    const Case cases[] = {
        {0, 112, "WINNAME$"},          // _AUX = 0: not qualified
        {1, 112, "SCR.WINNAME$"},
        {2, 101, "PRC.DEVICE$"},
        {3, 101, "DEVICE$"},           // empty prefix field
        {4, 9, "IMP.STATMSG$"},
        {5, 9, "STATMSG$"},            // beyond the prefix list
        {-1, 9, "STATMSG$"},
        {2, 110, ""},                  // an empty name stays empty
    };
    for (const Case& c : cases) {
        ASSERT_EQ(IntSet(kSysAux, c.aux), 0);
        EXPECT_EQ(Str(Disciplined([&] { return ProcParamName(c.n); })), c.want)
            << "aux " << c.aux << " n " << int{c.n};
    }
}
