// Collecting what a form returns: exit keys, values that come back exactly, assignments the
// evaluator reads back, stores into variables, failures, and two forms in a row.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "runtime/array_vars.h"
#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "script/expr_eval.h"
#include "runtime/number_text.h"
#include "tests/support/text.h"
#include "tests/ui/form_test_support.h"
#include "ui/form_definition.h"
#include "ui/form_keys.h"
#include "ui/form_result.h"
#include "ui/form_value.h"

using namespace rt;
using rt_test::Err;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

// What the user typed, by field number; a field missing from the map cannot be read.
struct Typed {
    std::map<uint16_t, std::string> text;
};
StrRef ReadTyped(void* context, const FormField& field) {
    const auto& typed = static_cast<Typed*>(context)->text;
    const auto it = typed.find(field.number);
    if (it == typed.end()) return StrErr(kErrDeviceIo);
    return PoolCopy(V(it->second));
}

class FormResultTest : public ui_test::FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        StoreSet(kGroupSystem, kItemFormValues, StrEmpty());
    }
    ErrCode Collect(const std::string& definition, const std::vector<std::string>& typed, uint16_t key,
                    uint16_t flags = kFormCollectAlways) {
        EXPECT_EQ(FormRead(form_, T("T"), V(definition)), 0) << definition;
        typed_.text.clear();
        for (size_t i = 0; i < typed.size(); ++i) typed_.text[static_cast<uint16_t>(i + 1)] = typed[i];
        return FormCollect(form_, key, flags, ReadTyped, &typed_, &result_);
    }
    // Value n of the values list, as the next reader of the list gets it.
    std::string Value(uint16_t n) {
        return Str(FormUnquote(Field(result_.values, ',', n)));
    }
    Form form_;
    Typed typed_;
    FormResult result_;
};

}  // namespace

TEST_F(FormResultTest, TypedValuesComeBackExactly) {
    for (const std::string& v : ui_test::HostileValues()) {
        const PoolScope scope;
        ASSERT_EQ(Collect(Str(Message(139)), {v, v + "x", "y" + v}, kKeyEnter), 0) << v;
        EXPECT_EQ(FieldCount(result_.values, ','), 3) << Str(result_.values);
        EXPECT_EQ(Value(1), v);
        EXPECT_EQ(Value(2), v + "x");
        EXPECT_EQ(Value(3), "y" + v);
    }
    ASSERT_EQ(Collect("'a':'A9','b':'A9'", {"it's", "plain"}, kKeyEnter), 0);
    EXPECT_EQ(Str(result_.values), "\"it's\",'plain'") << "a single quote comes back in double quotes";
}

TEST_F(FormResultTest, AssignmentsAreReadBackByTheEvaluator) {
    const std::string definition = "'u':'A40':U$,'n':'N8':N#,'i':'L1':I,'x':'A5'";
    for (const std::string& v : ui_test::HostileValues()) {
        const PoolScope scope;
        ASSERT_EQ(Collect(definition, {v, "1;_TRACE=0", "Y", "free"}, kKeyTab), 0) << v;
        IntSet(kSysTrace, 1);
        ASSERT_EQ(ExecuteStatements(result_.assignments), 0) << Str(result_.assignments);
        EXPECT_EQ(Str(VarGetText(T("U$"))), v) << Str(result_.assignments);
        EXPECT_EQ(Str(VarGetText(T("N#"))), "1") << "a number field's text is a number, never an expression";
        EXPECT_EQ(IntGet(kSysTrace), 1);
        EXPECT_EQ(Str(VarGetText(T("I"))), "1");
    }
    ASSERT_EQ(Collect(definition, {"a", "", "N", "b"}, kKeyEnter), 0);
    EXPECT_EQ(Str(result_.assignments), "U$='a';N#=0;I=0") << "only fields with a target take part";
    EXPECT_EQ(Str(StoreGet(kGroupSystem, kItemFormAssignments)), Str(result_.assignments));
}

TEST_F(FormResultTest, ExitKeys) {
    struct Case { uint16_t key; uint16_t flags; uint16_t exitKey; ErrCode status; bool values; };
    const Case cases[] = {
        {kKeyEnter, kFormCollectAlways, 0, 0, true},
        {kKeyTab, 0, 9, 0, true},
        {kKeyDown, 0, 28, 0, true},
        {kKeyPageDown, 0, 29, 0, true},
        {kKeyCtrlEnd, kFormCollectAlways, 0, 0, true},  // reported as 0
        {kKeyEnter, 0, 0, 0, false},                     // exit key 0 without 0x4000: nothing collected
        {kKeyEscape, kFormCollectAlways, 3, 122, false},
        {kKeyOther, kFormCollectAlways, 4, 122, false},
        {kKeyUp, kFormCollectAlways, 22, 122, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Collect("'a':'A3'", {"abc"}, c.key, c.flags), c.status) << c.key;
        EXPECT_EQ(result_.exitKey, c.exitKey) << c.key;
        EXPECT_EQ(result_.status, c.status);
        EXPECT_EQ(Str(result_.values), c.values ? "'abc'" : "") << c.key;
    }
}

TEST_F(FormResultTest, StoresIntoVariablesByType) {
    const int32_t bound = 3;
    ASSERT_EQ(ArrayDim(T("E$("), kVarString, &bound, 1, T("     ")), 0);
    ASSERT_EQ(VarSetNumber(T("K"), NumberFromInt16(2)), 0);
    const std::string definition =
        "'n':'N8':::P#,'d':'D8':::F$,'l':'L1':::L,'e':'A5':E$(K+1),'t':'A9':::S$,'q':'Q'";
    ASSERT_EQ(Collect(definition, {"12,50", "01/02/2024", "YES", "it's", "a'b\"c"}, kKeyEnter), 0)
        << Str(ErrorDetail());
    EXPECT_EQ(Str(VarGetText(T("P#"))), "12.5");
    EXPECT_EQ(Str(VarGetText(T("F$"))), "01/02/2024") << "a string variable takes the text";
    EXPECT_EQ(Str(VarGetText(T("L"))), "1");
    EXPECT_EQ(Str(VarGetText(T("S$"))), "a'b\"c");
    const int32_t three = 3;
    ASSERT_EQ(ArrayElement(T("E$("), &three, 1), 0);
    EXPECT_EQ(Str(PoolTop()), "it's ");
    EXPECT_EQ(FieldCount(result_.values, ','), 6) << "a field without input still has its place";
}

TEST_F(FormResultTest, FailuresDropTheValues) {
    ASSERT_EQ(Collect("'a':'A3'", {"kept"}, kKeyEnter), 0);
    const int32_t bound = 1;
    ASSERT_EQ(ArrayDim(T("E$("), kVarString, &bound, 1, T("  ")), 0);

    EXPECT_EQ(Collect("'a':'A3','b':'A3':E$(7)", {"x", "y"}, kKeyEnter), 168) << "outside the array";
    EXPECT_EQ(Str(result_.values), "");
    EXPECT_EQ(Str(result_.assignments), "");
    EXPECT_EQ(Str(StoreGet(kGroupSystem, kItemFormValues)), "'kept'") << "the last accepted values stay";

    // Four subscripts are the most an element has: a fifth is refused before anything is stored.
    const int32_t bounds[kMaxArrayDims] = {1, 1, 1, 1};
    ASSERT_EQ(ArrayDim(T("M$("), kVarString, bounds, kMaxArrayDims, T(" ")), 0);
    EXPECT_EQ(Collect("'b':'A3':M$(1;1;1;1)", {"y"}, kKeyEnter), 0);
    EXPECT_EQ(Collect("'a':'A3','b':'A3':M$(1;1;1;1;1)", {"x", "y"}, kKeyEnter), kErrDimStruct);
    EXPECT_EQ(Str(result_.values), "");

    RecordError(0, 0);
    EXPECT_EQ(Collect("'a':'A3','b':'A3'", {"x"}, kKeyEnter), 163) << "field 2 cannot be read";
    EXPECT_EQ(Str(result_.values), "");
    EXPECT_EQ(Str(ErrorDetail()), "Parametros incorrectos para campo de pantalla 2\r\n ('b':'A3')");
    EXPECT_EQ(LastError().code, 163);

    const FormField& f = form_.fields[0];
    EXPECT_EQ(CheckFieldValue(f, StrMake("a\0b", 3)), 163) << "no control can hold a NUL";
    EXPECT_EQ(CheckFieldValue(f, T("it's [$1], {x}")), 0);
}

TEST_F(FormResultTest, TwoFormsInARow) {
    const std::vector<std::string> first = {"Se\xf1or 'O\"Brien'", "a,b:c-d"};
    ASSERT_EQ(Collect("'a':'A30','b':'A30'", first, kKeyEnter), 0);
    Form second;
    ASSERT_EQ(FormRead(second, T("T"), T("'Recordar (S/N):':'L1','b':'A30'::'given','c':'A30'::'','d':'A3'")), 0);
    EXPECT_EQ(Str(FormInitialValue(second.fields[0])), first[0]) << "an empty part 4 takes the previous value";
    EXPECT_EQ(Str(FormInitialValue(second.fields[1])), "given");
    EXPECT_EQ(Str(FormInitialValue(second.fields[2])), "") << "a quoted empty value stays empty";
    EXPECT_EQ(Str(FormInitialValue(second.fields[3])), "") << "the first form had no fourth value";

    ASSERT_EQ(Collect("'a':'A3'", {"new"}, kKeyEscape), kErrUserCanceled);
    EXPECT_EQ(Str(FormInitialValue(second.fields[0])), first[0]) << "a cancelled form changes nothing";
}
