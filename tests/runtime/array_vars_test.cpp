// Tests of array variables: dimensioning, element addressing, typed elements, fills and release.
#include <gtest/gtest.h>

#include <string>

#include "runtime/array_vars.h"
#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "tests/support/system_vars.h"

namespace {

using rt::StrFromLiteral;

class ArrayVarsTest : public rt_test::SystemDefaultsTest {
protected:
    // Element value: numbers as their scaled integer, texts as "'text'", errors as "E<code>".
    static std::string Read(const char* name, std::initializer_list<int32_t> subs, rt::StrRef init = rt::StrEmpty()) {
        uint16_t mark = rt::PoolMark();
        rt::ErrCode err = rt::ArrayElement(StrFromLiteral(name), subs.begin(), static_cast<uint16_t>(subs.size()), init);
        std::string out;
        if (err) {
            out = "E" + std::to_string(err);
        } else if (rt::ElementType(StrFromLiteral(name)) == rt::kVarString) {
            out = "'" + std::string(rt::PoolTop().ptr, rt::PoolTop().len) + "'";
        } else {
            out = std::to_string(rt::SlotToNumber(rt::PoolTop()));
        }
        rt::PoolRelease(mark);
        return out;
    }
    static rt::ErrCode Write(const char* name, std::initializer_list<int32_t> subs, rt::ScaledNumber v) {
        uint16_t mark = rt::PoolMark();
        rt::ErrCode err = rt::ArrayAssign(StrFromLiteral(name), subs.begin(), static_cast<uint16_t>(subs.size()), rt::NumberToSlot(v));
        rt::PoolRelease(mark);
        return err;
    }
};

TEST_F(ArrayVarsTest, AddressingIsRowMajorAndOnlyTheTotalIsChecked) {
    const int32_t bounds[] = {2, 3};
    ASSERT_EQ(rt::ArrayDim(StrFromLiteral("AM("), rt::kVarInteger, bounds, 2, rt::StrEmpty()), 0);
    rt::ArrayVarDesc d{};
    ASSERT_TRUE(rt::ArrayInfo(StrFromLiteral("AM("), &d));
    EXPECT_EQ(d.total, 12);
    EXPECT_EQ(d.dims[0], 3);
    EXPECT_EQ(d.dims[1], 4);
    EXPECT_EQ(d.elemSize, 2);
    EXPECT_EQ(Write("AM(", {1, 2}, 500), 0);
    const int32_t flat6[] = {0, 6};
    uint16_t mark = rt::PoolMark();
    ASSERT_EQ(rt::ArrayElement(StrFromLiteral("AM("), flat6, 2), 0);
    EXPECT_EQ(rt::SlotToNumber(rt::PoolTop()), 500);
    rt::PoolRelease(mark);
    EXPECT_EQ(Read("AM(", {2, 4}), "E168");
    EXPECT_EQ(rt::LastError().code, 168);
    EXPECT_EQ(Read("AM(", {0, 7}), "0");
    EXPECT_EQ(Read("AM(", {-1, 0}), "E168");
    EXPECT_EQ(Read("AM(", {0, 0, 0, 0, 0}), "E149");
    EXPECT_EQ(Write("AM(", {2, 4}, 100), 168);
}

TEST_F(ArrayVarsTest, DimensionFaults) {
    const int32_t five[] = {1, 1, 1, 1, 1};
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AF("), rt::kVarInteger, five, 5, rt::StrEmpty()), 149);
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AF("), 9, five, 1, rt::StrEmpty()), 128);
    const int32_t zero[] = {0, 0};
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AF("), rt::kVarInteger, zero, 2, rt::StrEmpty()), 147);
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AF$("), rt::kVarString, five, 1, rt::StrEmpty()), 147);
    const int32_t negative[] = {-2};
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AF("), rt::kVarInteger, negative, 1, rt::StrEmpty()), 149);
    const int32_t huge[] = {300, 300};
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AF("), rt::kVarInteger, huge, 2, rt::StrEmpty()), 149);
    const int32_t wide[] = {65535};
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AF("), rt::kVarInteger, wide, 1, rt::StrEmpty()), 149);
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AF#"), rt::kVarNumber, five, 1, rt::StrEmpty()), 147);
    EXPECT_FALSE(rt::ArrayInfo(StrFromLiteral("AF("), nullptr));
}

TEST_F(ArrayVarsTest, TypedElements) {
    const int32_t b[] = {3};
    ASSERT_EQ(rt::ArrayDim(StrFromLiteral("AT("), rt::kVarInteger, b, 1, rt::StrEmpty()), 0);
    EXPECT_EQ(Write("AT(", {1}, 1234), 0);
    EXPECT_EQ(Read("AT(", {1}), "1200");
    ASSERT_EQ(rt::ArrayDim(StrFromLiteral("AT#("), rt::kVarNumber, b, 1, rt::StrEmpty()), 0);
    EXPECT_EQ(Write("AT#(", {3}, -1234), 0);
    EXPECT_EQ(Read("AT#(", {3}), "-1234");
    EXPECT_EQ(Read("AT#(", {0}), "0");
    ASSERT_EQ(rt::ArrayDim(StrFromLiteral("AT$("), rt::kVarString, b, 1, StrFromLiteral("-----")), 0);
    EXPECT_EQ(Read("AT$(", {2}), "'-----'");
    const int32_t one[] = {1};
    EXPECT_EQ(rt::ArrayAssign(StrFromLiteral("AT$("), one, 1, StrFromLiteral("abcdefgh")), 0);
    EXPECT_EQ(Read("AT$(", {1}), "'abcde'");
    EXPECT_EQ(Read("AT$(", {2}), "'-----'") << "a long value ran into the next element";
    EXPECT_EQ(rt::ArrayAssign(StrFromLiteral("AT$("), one, 1, StrFromLiteral("xy")), 0);
    EXPECT_EQ(Read("AT$(", {1}), "'xy   '");
    EXPECT_EQ(rt::ArrayAssign(StrFromLiteral("AT$("), one, 1, rt::StrErr(146)), 146);
}

TEST_F(ArrayVarsTest, ReferenceCreatesAndAssignmentDoesNot) {
    EXPECT_EQ(Write("AN(", {1}, 100), 149);
    EXPECT_FALSE(rt::ArrayInfo(StrFromLiteral("AN("), nullptr));
    EXPECT_EQ(Read("AN(", {4, 1}), "0");
    rt::ArrayVarDesc d{};
    ASSERT_TRUE(rt::ArrayInfo(StrFromLiteral("AN("), &d));
    EXPECT_EQ(d.total, 10);
    EXPECT_EQ(d.elemType, rt::kVarInteger);
    EXPECT_EQ(Write("AN(", {4, 1}, 300), 0);
    EXPECT_EQ(Read("AN(", {4, 1}), "300");
    EXPECT_EQ(Read("AS$(", {2}), "E147");
    EXPECT_EQ(Read("AS$(", {2}, StrFromLiteral("ab")), "'ab'");
    EXPECT_EQ(Read("AS$(", {0}), "'ab'");
    EXPECT_EQ(Read("AP(", {0}), "E147");
}

TEST_F(ArrayVarsTest, FillIsBoundedByTheCount) {
    const int32_t b[] = {4};
    ASSERT_EQ(rt::ArrayDim(StrFromLiteral("AL#("), rt::kVarNumber, b, 1, rt::StrEmpty()), 0);
    uint16_t mark = rt::PoolMark();
    EXPECT_EQ(rt::ArrayFill(StrFromLiteral("AL#("), 1, 3, rt::NumberToSlot(700)), 0);
    EXPECT_EQ(rt::ArrayFill(StrFromLiteral("AL#("), 4, 1000, rt::NumberToSlot(900)), 0);
    EXPECT_EQ(rt::ArrayFill(StrFromLiteral("AL#("), -5, 0, rt::NumberToSlot(1)), 0);
    EXPECT_EQ(rt::ArrayFill(StrFromLiteral("NOPE#("), 0, 1, rt::NumberToSlot(1)), 149);
    rt::PoolRelease(mark);
    const char* expected[] = {"0", "700", "700", "0", "900"};
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(Read("AL#(", {i}), expected[i]) << i;
}

TEST_F(ArrayVarsTest, RedimensionReplacesTheData) {
    const int32_t small[] = {2};
    const int32_t large[] = {9};
    ASSERT_EQ(rt::ArrayDim(StrFromLiteral("AR("), rt::kVarInteger, small, 1, rt::StrEmpty()), 0);
    EXPECT_EQ(Write("AR(", {2}, 500), 0);
    uint16_t blocks = rt::CurrentContext().blocksInUse;
    ASSERT_EQ(rt::ArrayDim(StrFromLiteral("AR("), rt::kVarInteger, large, 1, rt::StrEmpty()), 0);
    EXPECT_EQ(rt::CurrentContext().blocksInUse, blocks) << "the old data block was not freed";
    EXPECT_EQ(Read("AR(", {2}), "0");
    EXPECT_EQ(Read("AR(", {9}), "0");
    // A refused redimension keeps the array as it was.
    const int32_t bad[] = {-1};
    EXPECT_EQ(Write("AR(", {9}, 100), 0);
    EXPECT_EQ(rt::ArrayDim(StrFromLiteral("AR("), rt::kVarInteger, bad, 1, rt::StrEmpty()), 149);
    EXPECT_EQ(Read("AR(", {9}), "100");
}

TEST_F(ArrayVarsTest, ReleaseFreesEveryArray) {
    const int32_t b[] = {5};
    ASSERT_EQ(rt::ArrayDim(StrFromLiteral("AZ("), rt::kVarInteger, b, 1, rt::StrEmpty()), 0);
    EXPECT_EQ(rt::ArraysRelease(), 0);
    EXPECT_FALSE(rt::ArrayInfo(StrFromLiteral("AZ("), nullptr));
    EXPECT_FALSE(rt::ArrayInfo(StrFromLiteral("AM("), nullptr));
    EXPECT_EQ(Write("AZ(", {1}, 100), 149);
    // Referenced again, the array comes back new.
    EXPECT_EQ(Read("AZ(", {3}), "0");
    EXPECT_EQ(rt::ArraysRelease(), 0);
}

}  // namespace
