// Tests of the system variables: names, numbers and defaults, and their set-up.
#include <gtest/gtest.h>

#include <string>

#include "runtime/context.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "tests/support/system_vars.h"

namespace {

using rt::StrFromLiteral;

TEST(SystemVarsTest, IntegersHaveTheirNumbersAndDefaults) {
    ASSERT_EQ(rt::SystemVarsDefaults(), 0);
    struct Row {
        const char* name;
        uint16_t number;
        int16_t value;
    };
    const Row rows[] = {
        {"_AUXSTAT", 0, 0},   {"_RELRES", 1, 0},    {"_CURFIL", 2, 0},   {"_CUREDFLD", 3, 0},
        {"_DEVHIG", 4, 24},   {"_DEVWID", 5, 80},   {"_CURROW", 9, 0},   {"_STAT", 10, 0},
        {"_LASTKEY", 11, 4},  {"_UPSTAT", 13, 1},   {"_IER", 14, 0},     {"_SQLSTK", 16, 0},
        {"_COUNT", 17, 0},    {"_HCOUNT", 18, 0},   {"_SAFE", 26, 0},    {"_LB", 27, 128},
        {"_AUX", 28, 0},      {"_KEYMAP", 29, 0},   {"_TRACE", 31, 1},   {"_PRECIS", 32, 2},
        {"_BYEAR", 33, 2000}, {"_BKYEAR", 34, 80},  {"_INHND", 36, 0},   {"_OUTHND", 37, 0},
        {"_WMAXROW", 41, 0},  {"_LANG", 45, 0},     {"_USER01", rt::kSysUser01, 0},  {"_USER03", 48, 0},
        {"_ADMSTAT", rt::kSysAdmStat, 0}, {"_COMPAT", rt::kSysCompat, 0}, {"_SCRSTAT", rt::kSysScrStat, 0},
    };
    for (const Row& r : rows) {
        rt::VarRef ref = rt::VarFind(StrFromLiteral(r.name));
        EXPECT_EQ(ref.type, rt::kVarInteger) << r.name;
        EXPECT_EQ(ref.number, r.number) << r.name;
        EXPECT_EQ(rt::IntGet(r.number), r.value) << r.name;
    }
    EXPECT_EQ(rt::FieldCount(StrFromLiteral(rt::kSystemIntegers), ','), rt::kSysIntegerCount);
    // Every entry of the list got the number of its position.
    for (uint16_t k = 1; k <= rt::kSysIntegerCount; ++k) {
        rt::StrRef entry = rt::Field(StrFromLiteral(rt::kSystemIntegers), ',', k);
        std::string name(entry.ptr, entry.len);
        name = name.substr(0, name.find('='));
        EXPECT_EQ(rt::VarFind(rt::StrMake(name.data(), static_cast<uint16_t>(name.size()))).number, k - 1) << name;
    }
}

TEST(SystemVarsTest, StringsAreEmptyAtStart) {
    ASSERT_EQ(rt::SystemVarsDefaults(), 0);
    const char* names[] = {"_ACUM$", "_ACUMX$", "_LTEXT$"};
    for (int i = 0; i < 3; ++i) {
        rt::VarRef ref = rt::VarFind(StrFromLiteral(names[i]));
        EXPECT_EQ(ref.type, rt::kVarString);
        EXPECT_EQ(ref.number, i);
        EXPECT_EQ(rt::StoreGet(rt::kGroupStringVars, static_cast<uint16_t>(i)).len, 0);
    }
}

TEST(SystemVarsTest, DefaultsResetChangedValuesAtAnyPrecision) {
    ASSERT_EQ(rt::IntSet(rt::kSysTrace, 5), 0);
    ASSERT_EQ(rt::VarSetText(StrFromLiteral("_ACUM$"), StrFromLiteral("x")), 0);
    ASSERT_EQ(rt::IntSet(rt::kSysPrecis, 4), 0);
    uint16_t mark = rt::PoolMark();
    ASSERT_EQ(rt::SystemVarsDefaults(), 0);
    EXPECT_EQ(rt::PoolMark(), mark);
    EXPECT_EQ(rt::IntGet(rt::kSysTrace), 1);
    EXPECT_EQ(rt::IntGet(rt::kSysDevHig), 24);
    EXPECT_EQ(rt::IntGet(rt::kSysBYear), 2000);
    EXPECT_EQ(rt::IntGet(rt::kSysPrecis), 2);
    EXPECT_EQ(rt::StoreGet(rt::kGroupStringVars, rt::kSysAcum).len, 0);
}

TEST(SystemVarsTest, InitOnAnInitialisedContextReportsIt) {
    ASSERT_TRUE(rt::ContextReady());
    EXPECT_EQ(rt::SystemVarsInit(), 124);
}

}  // namespace
