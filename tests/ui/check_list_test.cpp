// The check list: names of any content become one yes/no field each, and answers a bit mask.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "tests/support/text.h"
#include "tests/ui/form_test_support.h"
#include "ui/check_list.h"
#include "ui/form_definition.h"
#include "ui/form_value.h"

using namespace rt;
using rt_test::Err;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class CheckListTest : public ui_test::FormTest {};

}  // namespace

TEST_F(CheckListTest, EveryNameIsOneFieldShownAsWritten) {
    const std::vector<std::string> all = ui_test::HostileValues();
    for (size_t start = 0; start < all.size(); start += 5) {
        const PoolScope scope;
        std::string names;
        std::vector<std::string> used;
        for (size_t i = start; i < all.size() && i < start + 5; ++i) {
            used.push_back(all[i]);
            names += (names.empty() && i == start ? "" : ",") + Str(FormQuote(V(all[i])));
        }
        IntSet(kSysAux, 0x5);
        const StrRef definition = CheckListDefinition(V(names), static_cast<int16_t>(kSysAux));
        ASSERT_TRUE(definition.ok()) << names;
        Form form;
        ASSERT_EQ(FormRead(form, T("Reinicio"), definition), 0) << Str(definition);
        ASSERT_EQ(form.fieldCount, used.size()) << Str(definition);
        for (uint16_t n = 0; n < used.size(); ++n) {
            EXPECT_EQ(Str(form.fields[n].label), used[n] + " ") << Str(definition);
            EXPECT_EQ(form.fields[n].type, 'L');
            EXPECT_EQ(Str(form.fields[n].initial), n == 0 || n == 2 ? "1" : "0") << "bit n of _AUX";
        }
    }
    EXPECT_EQ(Str(CheckListDefinition(T("a,b"), -1)), "'a ':'L1'::0,'b ':'L1'::0");
    std::string seventeen = "a";
    for (int i = 0; i < 16; ++i) seventeen += ",a";
    EXPECT_EQ(Str(CheckListDefinition(V(seventeen), -1)), Err(163));
}

TEST_F(CheckListTest, MaskOfTheAnswers) {
    struct Case { const char* values; uint16_t mask; };
    const Case cases[] = {
        {"'1','0','YES'", 0x5}, {"'S','N','si'", 0x5}, {"'0','0'", 0}, {"", 0}, {"' on ','NO'", 0x1},
    };
    for (const Case& c : cases) {
        IntSet(kSysAux, 0x7F);
        EXPECT_EQ(CheckListMask(T(c.values), static_cast<int16_t>(kSysAux)), c.mask) << c.values;
        EXPECT_EQ(IntGet(kSysAux), c.mask) << c.values;
    }
    IntSet(kSysAux, 0x7F);
    EXPECT_EQ(CheckListMask(T("'1'"), -1), 1);
    EXPECT_EQ(IntGet(kSysAux), 0x7F) << "no variable named, none changed";
}
