// Tests of the operators on numbers (every precision, rounding, overflow) and on texts (patterns).
#include <gtest/gtest.h>

#include <cstdint>

#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "script/expr_cursor.h"
#include "script/expr_operators.h"
#include "runtime/scaled_number.h"
#include "tests/support/pool_check.h"

namespace {

using rt::StrFromLiteral;

class OperatorTest : public rt_test::BalancedPoolTest {
protected:
    void SetUp() override {
        saved_ = rt::IntGet(rt::kSysPrecis);
        savedAux_ = rt::IntGet(rt::kSysAuxStat);
        BalancedPoolTest::SetUp();
    }
    void TearDown() override {
        rt::IntSet(rt::kSysPrecis, saved_);
        rt::IntSet(rt::kSysAuxStat, savedAux_);
        BalancedPoolTest::TearDown();
    }
    int16_t saved_ = 2, savedAux_ = 0;
};

struct NumberCase {
    int p;
    uint16_t op;
    int64_t left, right;
    rt::ErrCode err;
    int64_t expected;
};

TEST_F(OperatorTest, NumbersTable) {
    const NumberCase cases[] = {
        {2, rt::kOpMul, 150, 150, 0, 225},          {2, rt::kOpMul, 5, 50, 0, 3},
        {2, rt::kOpMul, -5, 50, 0, -3},              {0, rt::kOpMul, 3, 4, 0, 12},
        {4, rt::kOpMul, 15000, 20000, 0, 30000},     {2, rt::kOpDiv, 700, 200, 0, 350},
        {2, rt::kOpDiv, 100, 300, 0, 33},            {2, rt::kOpDiv, 100, 3, 0, 3333},
        {0, rt::kOpDiv, 1, 3, 0, 0},                 {0, rt::kOpDiv, 2, 3, 0, 1},
        {0, rt::kOpDiv, 3, 2, 0, 2},                 {0, rt::kOpDiv, -3, 2, 0, -2},
        {2, rt::kOpDiv, 1, 0, 0, 0},                 {2, rt::kOpPercent, 20000, 1500, 0, 3000},
        {2, rt::kOpMinusPercent, 20000, 1500, 0, 17000}, {2, rt::kOpPercent, 1, 1, 0, 0},
        {4, rt::kOpRound, 31416, 20000, 0, 31400},   {4, rt::kOpRound, 31450, 20000, 0, 31500},
        {4, rt::kOpRound, -31450, 20000, 0, -31500}, {2, rt::kOpRound, 314, 400, 0, 31400},
        {2, rt::kOpRound, 12345, 0, 0, 12300},       {2, rt::kOpRound, 12345, -100, 0, 12000},
        {2, rt::kOpAdd, INT64_MAX, 1, 155, 0},       {2, rt::kOpSub, INT64_MIN, 1, 155, 0},
        {2, rt::kOpMul, INT64_MAX, 200, 155, 0},     {2, rt::kOpDiv, INT64_MIN, -100, 155, 0},
        {2, rt::kOpMul, INT64_MAX, 100, 0, INT64_MAX}, {2, rt::kOpDiv, INT64_MIN, 100, 0, INT64_MIN},
        {2, rt::kOpGreater, 2, 1, 0, 100},           {0, rt::kOpGreater, 2, 1, 0, 1},
        {3, rt::kOpLessEq, 2, 2, 0, 1000},           {2, rt::kOpNotEqual, 2, 2, 0, 0},
        {2, rt::kOpBitAnd, 690, 390, 0, 200},        {2, rt::kOpBitAnd, -100, -100, 0, -100},
        {2, rt::kOpUnion, 500, 200, 0, 700},         {2, rt::kOpUnion, 500, 400, 0, 0},
        {2, rt::kOpUnionAt, 100, 200, 0, 300},       {2, rt::kOpAnd, 65536, 100, 0, 100},
        {2, rt::kOpOr, 0, 0, 0, 0},                  {2, rt::kOpNoCommon, 0, 0, 0, 0},
        {2, rt::kOpNoCommon, 100, 200, 0, 100},      {2, rt::kOpNoCommon, 100, 300, 0, 0},
        {2, rt::kOpAssign, 1, 1, 147, 0},            {2, rt::kOpNone, 1, 1, 147, 0},
    };
    for (const NumberCase& c : cases) {
        rt::IntSet(rt::kSysPrecis, static_cast<int16_t>(c.p));
        int64_t out = 0;
        rt::ErrCode err = rt::CombineNumbers(c.op, c.left, c.right, &out);
        EXPECT_EQ(err, c.err) << "op " << c.op << " " << c.left << ", " << c.right << " P=" << c.p;
        if (!err) {
            EXPECT_EQ(out, c.expected) << "op " << c.op << " " << c.left << ", " << c.right << " P=" << c.p;
        }
    }
}

TEST_F(OperatorTest, RoundedDivideOfSlotsAndEdges) {
    EXPECT_EQ(rt::RoundedDivide(5, 2), 3);
    EXPECT_EQ(rt::RoundedDivide(-5, 2), -3);
    EXPECT_EQ(rt::RoundedDivide(4, 3), 1);
    EXPECT_EQ(rt::RoundedDivide(5, 3), 2);
    EXPECT_EQ(rt::RoundedDivide(1, 3), 0);
    EXPECT_EQ(rt::RoundedDivide(7, 0), 0);
    EXPECT_EQ(rt::RoundedDivide(INT64_MIN, -1), INT64_MAX);
    EXPECT_EQ(rt::RoundedDivide(INT64_MIN, 1), INT64_MIN);
    rt::StrRef slot = rt::NumberToSlot(-2);
    ASSERT_EQ(slot.len, 8);
    EXPECT_EQ(static_cast<unsigned char>(slot.ptr[0]), 0xFE);
    EXPECT_EQ(static_cast<unsigned char>(slot.ptr[7]), 0xFF);
    EXPECT_EQ(rt::SlotToNumber(slot), -2);
    EXPECT_EQ(rt::SlotToNumber(rt::StrEmpty()), 0);
    EXPECT_EQ(rt::SlotToNumber(StrFromLiteral("abc")), -1);
    rt::PoolRelease(mark_);
}

TEST_F(OperatorTest, TextsTable) {
    struct Row {
        uint16_t op;
        const char* left;
        const char* right;
        rt::ErrCode err;
        bool truth;
    };
    const Row rows[] = {
        {rt::kOpGreater, "b", "abc", 0, true},   {rt::kOpLess, "ab", "abc", 0, true},
        {rt::kOpEqual, "a", "a", 0, true},       {rt::kOpEqual, "Customer", "CUST*", 0, true},
        {rt::kOpEqual, "Cu", "CUST*", 0, false}, {rt::kOpEqual, "Customer", "*TOM*", 0, true},
        {rt::kOpEqual, "Customer", "*TOM", 0, true}, {rt::kOpEqual, "Customer", "*xyz*", 0, false},
        {rt::kOpEqual, "Customer", "CUSTOMER", 0, false}, {rt::kOpNotEqual, "Customer", "CUST*", 0, true},
        {rt::kOpGreaterEq, "a", "a", 0, true},   {rt::kOpLessEq, "b", "a", 0, false},
        {rt::kOpSub, "a", "b", 147, false},      {rt::kOpMul, "a", "b", 147, false},
        {rt::kOpBitAnd, "a", "b", 147, false},
    };
    for (const Row& r : rows) {
        rt::ExprValue v;
        rt::ErrCode err = rt::CombineTexts(r.op, StrFromLiteral(r.left), StrFromLiteral(r.right), &v);
        EXPECT_EQ(err, r.err) << r.left << " op " << r.op << " " << r.right;
        if (!err) {
            EXPECT_FALSE(v.isString);
            EXPECT_EQ(v.number, r.truth ? 100 : 0) << r.left << " op " << r.op << " " << r.right;
        }
    }
    rt::IntSet(rt::kSysAuxStat, rt::kAuxStatNoPatterns);
    EXPECT_FALSE(rt::TextsMatch(StrFromLiteral("Customer"), StrFromLiteral("CUST*")));
    EXPECT_TRUE(rt::TextsMatch(StrFromLiteral("CUST*"), StrFromLiteral("CUST*")));
}

TEST_F(OperatorTest, ConcatenationStopsAtTheLimit) {
    std::string half(16400, 'x');
    rt::StrRef h = rt::StrMake(half.data(), static_cast<uint16_t>(half.size()));
    rt::ExprValue v;
    EXPECT_EQ(rt::CombineTexts(rt::kOpAdd, h, h, &v), 145);
    EXPECT_EQ(rt::CombineTexts(rt::kOpAdd, h, StrFromLiteral("y"), &v), 0);
    EXPECT_EQ(v.text.len, 16401);
    rt::PoolRelease(mark_);
}

}  // namespace
