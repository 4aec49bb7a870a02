// Tests of the variable store: types of names, creation order, typed reads and assignments,
// string constants, the host's variable hook and screen-field variables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/host_hooks.h"
#include "runtime/shutdown.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "tests/support/text.h"
#include "tests/support/system_vars.h"

namespace {

using rt::StrFromLiteral;
using rt_test::Str;

class VariablesTest : public rt_test::SystemDefaultsTest {
protected:
    void TearDown() override {
        SystemDefaultsTest::TearDown();
        rt::HookSet(rt::kHookVariables, nullptr);
        ASSERT_EQ(rt::SystemVarsDefaults(), 0);
    }
    static rt::ScaledNumber Number(const char* name) {
        rt::ScaledNumber v = -12345;
        EXPECT_EQ(rt::VarGetNumber(StrFromLiteral(name), &v), 0) << name;
        return v;
    }
    static std::string Text(const char* name) {
        uint16_t mark = rt::PoolMark();
        std::string out = Str(rt::VarGetText(StrFromLiteral(name)));
        rt::PoolRelease(mark);
        return out;
    }
};

TEST_F(VariablesTest, TypesOfNames) {
    struct Row {
        const char* name;
        uint16_t type, element;
    };
    const Row rows[] = {
        {"A", 2, 2},  {"A#", 6, 2},  {"A$", 3, 2},  {"A$(", 16, 3}, {"X@Y", 0, 0},  {"M(", 16, 2},
        {"N#(", 16, 6}, {"A#$", 3, 6}, {"A%", 2, 2}, {"(@", 0, 16},  {"", 2, 0},     {"_TRACE", 2, 2},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(rt::VarType(StrFromLiteral(r.name)), r.type) << r.name;
        EXPECT_EQ(rt::ElementType(StrFromLiteral(r.name)), r.element) << r.name;
    }
    EXPECT_EQ(rt::VarType(rt::StrErr(163)), 0);
}

TEST_F(VariablesTest, SystemVariableAfterStartUp) {
    rt::VarRef trace = rt::VarFind(StrFromLiteral("_TRACE"));
    EXPECT_EQ(trace.type, 2);
    EXPECT_EQ(trace.number, 31);
    EXPECT_EQ(Number("_TRACE"), 100);
    EXPECT_EQ(rt::VarFind(StrFromLiteral("_trace")).number, -1);
}

TEST_F(VariablesTest, StringConstants) {
    struct Row {
        const char* name;
        const char* value;
    };
    const Row rows[] = {
        {".lf$", "\r\n"}, {".lx$", "\n"}, {".tab$", "\t"}, {".pchr$", "\\"}, {".qtd$", "\""},
        {".qts$", "'"},   {".null$", ""}, {".mo$", "["},   {".mc$", "]"},    {".pch$", "\\"},
        {".nothing$", ""},
    };
    for (const Row& r : rows) EXPECT_EQ(Text(r.name), r.value) << r.name;
    EXPECT_FALSE(rt::StringConstant(StrFromLiteral("tab$"), nullptr));
    EXPECT_FALSE(rt::StringConstant(StrFromLiteral(".1tab$"), nullptr));
    EXPECT_EQ(rt::VarSet(StrFromLiteral(".tab$"), StrFromLiteral("x")), 147);
    EXPECT_EQ(Text(".tab$"), "\t");
}

TEST_F(VariablesTest, AbsentVariablesReadEmptyAndAreNotCreated) {
    EXPECT_EQ(Number("COUNTNEVER"), 0);
    EXPECT_EQ(Number("COUNTNEVER#"), 0);
    EXPECT_EQ(Text("COUNTNEVER$"), "");
    EXPECT_EQ(rt::VarFind(StrFromLiteral("COUNTNEVER")).number, -1);
    EXPECT_EQ(rt::VarFind(StrFromLiteral("COUNTNEVER#")).number, -1);
    EXPECT_EQ(rt::VarFind(StrFromLiteral("COUNTNEVER$")).number, -1);
}

TEST_F(VariablesTest, IntegersAreScaledBothWays) {
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("VI"), 1234), 0);
    EXPECT_EQ(Number("VI"), 1200);
    EXPECT_EQ(Text("VI"), "12");
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("VI"), -1299), 0);
    EXPECT_EQ(Number("VI"), -1200);
    rt::IntSet(rt::kSysPrecis, 4);
    EXPECT_EQ(Number("VI"), -120000);
    rt::IntSet(rt::kSysPrecis, 0);
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("VI"), 7), 0);
    EXPECT_EQ(Number("VI"), 7);
}

TEST_F(VariablesTest, NumbersAndStrings) {
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("VN#"), 1234), 0);
    EXPECT_EQ(Number("VN#"), 1234);
    EXPECT_EQ(Text("VN#"), "12.34");
    EXPECT_EQ(rt::VarSetText(StrFromLiteral("VS$"), StrFromLiteral("hello")), 0);
    EXPECT_EQ(Text("VS$"), "hello");
    EXPECT_EQ(rt::VarSetText(StrFromLiteral("VS$"), StrFromLiteral("")), 0);
    EXPECT_EQ(Text("VS$"), "");
    // The value given is returned unchanged when it is an error.
    EXPECT_EQ(rt::VarSet(StrFromLiteral("VS$"), rt::StrErr(146)), 146);
}

TEST_F(VariablesTest, NumbersFollowTheOrderOfCreation) {
    int32_t a = rt::VarCreate(StrFromLiteral("ORDA#"));
    int32_t b = rt::VarCreate(StrFromLiteral("ORDB#"));
    ASSERT_GE(a, 0);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(rt::VarCreate(StrFromLiteral("ORDA#")), a);
    EXPECT_EQ(rt::VarFind(StrFromLiteral("ORDB#")).number, b);
    // A string variable created before it is assigned still has its (empty) item, so later
    // string variables can be assigned.
    int32_t s = rt::VarCreate(StrFromLiteral("ORDS$"));
    ASSERT_GE(s, 0);
    EXPECT_EQ(rt::StoreCount(rt::kGroupStringVars), s + 1);
    EXPECT_EQ(rt::VarSetText(StrFromLiteral("ORDT$"), StrFromLiteral("t")), 0);
    EXPECT_EQ(rt::VarFind(StrFromLiteral("ORDT$")).number, s + 1);
    EXPECT_EQ(Text("ORDS$"), "");
    EXPECT_EQ(Text("ORDT$"), "t");
}

// A script may write group 13 directly (_$(13;k;...)); new string variables must still be made.
TEST_F(VariablesTest, DirectWriteToTheStringGroupDoesNotStopNewStringVariables) {
    const uint16_t names = rt::StoreCount(rt::kGroupStringVars);
    ASSERT_EQ(rt::StoreSet(rt::kGroupStringVars, static_cast<uint16_t>(names + 7), StrFromLiteral("x")), 0);
    EXPECT_EQ(rt::VarSetText(StrFromLiteral("DWQ$"), StrFromLiteral("a")), 0);
    EXPECT_EQ(rt::VarSetText(StrFromLiteral("DWR$"), StrFromLiteral("b")), 0);
    EXPECT_EQ(Text("DWQ$"), "a");
    EXPECT_EQ(Text("DWR$"), "b");
    // A variable made without a value reads empty, whatever was written in its item before.
    ASSERT_EQ(rt::StoreSet(rt::kGroupStringVars, static_cast<uint16_t>(names + 2), StrFromLiteral("stale")), 0);
    EXPECT_EQ(rt::VarCreate(StrFromLiteral("DWS$")), names + 2);
    EXPECT_EQ(Text("DWS$"), "");
    EXPECT_EQ(Text("DWQ$") + Text("DWR$"), "ab");
    rt::StoreTrim(rt::kGroupStringVars, static_cast<uint16_t>(names + 3));
}

// The name is stored first, which may grow (rebuild and free) the store; when the item of group 13
// then finds no free slot, the name list is put back from a copy, not from a view into the freed
// store. Run in a child so that the store filled to its last slot does not outlive the test.
TEST(VariablesDeathTest, CreationRolledBackAfterTheStoreGrewKeepsTheNames) {
    EXPECT_EXIT(
        {
            rt::BasicClose();
            if (rt::ContextInit() != 0 || rt::SystemVarsDefaults() != 0) std::exit(2);
            const rt::StringStore& st = rt::CurrentContext().store;
            const std::string before = Str(rt::StoreGet(rt::kGroupVarNames, rt::kNamesString));
            const uint16_t items = rt::StoreCount(rt::kGroupStringVars);
            // Every slot but the last in use, and fewer bytes free than ",ROLLBACK$" needs.
            if (rt::StoreGrow(32768, st.byteCap) != 0) std::exit(3);
            if (rt::StoreSet(20, static_cast<uint16_t>(32767 - st.inUse - 1), rt::StrEmpty()) != 0) std::exit(4);
            const std::string filler(st.byteCap - st.bytesInUse - 5, 'f');
            if (rt::StoreSet(20, static_cast<uint16_t>(rt::StoreCount(20) - 1), rt_test::V(filler)) != 0) std::exit(5);
            const uint32_t bytesBefore = st.byteCap;
            const bool refused = rt::VarCreate(StrFromLiteral("ROLLBACK$")) == -1;
            const bool grew = st.byteCap > bytesBefore;
            const bool kept = Str(rt::StoreGet(rt::kGroupVarNames, rt::kNamesString)) == before &&
                              rt::StoreCount(rt::kGroupStringVars) == items;
            std::exit(refused && grew && kept ? 42 : 1);
        },
        ::testing::ExitedWithCode(42), "");
}

TEST_F(VariablesTest, RefusedAssignmentsLeaveNothingBehind) {
    uint16_t namesBefore = rt::StoreGet(rt::kGroupVarNames, rt::kNamesInteger).len;
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("X@Y"), 100), 147);
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("ARR("), 100), 147);
    EXPECT_EQ(rt::StoreGet(rt::kGroupVarNames, rt::kNamesInteger).len, namesBefore);
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("a,b"), 100), 157);
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("a'b"), 100), 157);
    EXPECT_EQ(rt::VarCreate(StrFromLiteral("")), -1);
    EXPECT_EQ(rt::LastError().code, 147);
    EXPECT_EQ(rt::LastError().module, rt::kModVarAssign);
    uint16_t mark = rt::PoolMark();
    EXPECT_EQ(rt::VarGet(StrFromLiteral("X@Y")), 147);
    EXPECT_EQ(rt::VarGet(StrFromLiteral("ARR(")), 147);
    EXPECT_EQ(rt::PoolMark(), mark);
}

TEST_F(VariablesTest, PrecisionStaysWithinItsRange) {
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("_PRECIS"), 500), 168);
    EXPECT_EQ(rt::IntGet(rt::kSysPrecis), 2);
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("_PRECIS"), -100), 168);
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("_PRECIS"), 400), 0);
    EXPECT_EQ(rt::IntGet(rt::kSysPrecis), 4);
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("_PRECIS"), 0), 0);
    EXPECT_EQ(rt::IntGet(rt::kSysPrecis), 0);
}

// The host's variable hook: "_HOST..." names are answered, everything else is declined (163).
std::string gHookLog;
rt::StrRef VariableHook(rt::StrRef name, int request, rt::StrRef value) {
    std::string n(name.ptr, name.len);
    gHookLog += n + ":" + std::to_string(request) + ":" + std::string(value.ptr, value.len) + ";";
    if (n.rfind("_HOST", 0) != 0) return rt::StrErr(163);
    if (n == "_HOSTBAD") return rt::StrErr(175);
    return request == rt::kVarHookRead ? StrFromLiteral("42") : rt::StrEmpty();
}

TEST_F(VariablesTest, HostHookAnswersUnderscoreNames) {
    rt::HookSet(rt::kHookVariables, reinterpret_cast<rt::HookFn>(&VariableHook));
    gHookLog.clear();
    EXPECT_EQ(Number("_HOSTV"), 4200);
    EXPECT_EQ(Text("_HOSTV$"), "42");
    EXPECT_EQ(Number("_TRACE"), 100);
    EXPECT_EQ(Number("PLAIN"), 0);
    EXPECT_EQ(rt::VarSetNumber(StrFromLiteral("_HOSTV"), 100), 0);
    EXPECT_EQ(rt::VarFind(StrFromLiteral("_HOSTV")).number, -1);
    uint16_t mark = rt::PoolMark();
    EXPECT_EQ(rt::VarGet(StrFromLiteral("_HOSTBAD")), 175);
    EXPECT_EQ(rt::PoolMark(), mark);
    EXPECT_EQ(gHookLog.find("PLAIN"), std::string::npos) << "only '_' names go to the host";
    EXPECT_NE(gHookLog.find("_HOSTV:5:"), std::string::npos);
}

TEST_F(VariablesTest, ScreenFieldVariables) {
    ASSERT_EQ(rt::VarSetText(StrFromLiteral("_V7$"), StrFromLiteral("A12")), 0);
    rt::ScreenField f = rt::ScreenFieldVar(7);
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.letter, 'A');
    EXPECT_EQ(f.number, 12);
    EXPECT_EQ(rt::ScreenFieldVar(8).code, 181);
    ASSERT_EQ(rt::VarSetText(StrFromLiteral("_V99$"), StrFromLiteral("B")), 0);
    f = rt::ScreenFieldVar(99);
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.letter, 'B');
    EXPECT_EQ(f.number, 0);
    ASSERT_EQ(rt::VarSetText(StrFromLiteral("_V100$"), StrFromLiteral("C1")), 0);
    EXPECT_EQ(rt::ScreenFieldVar(100).code, 181);
    EXPECT_EQ(rt::LastError().code, 146);
    ASSERT_EQ(rt::VarSetText(StrFromLiteral("_V9$"), StrFromLiteral("")), 0);
    EXPECT_EQ(rt::ScreenFieldVar(9).code, 181);
}

}  // namespace
