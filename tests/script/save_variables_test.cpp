// Tests of the saved-variables file: the round trip, statements of other names kept, prefixes,
// trimming, and the old file kept whole when its replacement fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/fs.h"
#include "runtime/params.h"
#include "script/expr_eval.h"
#include "runtime/streams.h"
#include "script/save_variables.h"
#include "script/script_file.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;

class SaveVariablesTest : public rt_test::FsTest {
protected:
    void TearDown() override {
        rt::SetFsSeams({});
        FsTest::TearDown();
    }
    static void Run(const char* statements) { ASSERT_EQ(rt::ExecuteStatements(T(statements)), 0) << statements; }
    static std::string Value(const char* name) {
        uint16_t mark = rt::PoolMark();
        std::string v = Str(rt::EvaluateToText(T(name)));
        rt::PoolRelease(mark);
        return v;
    }
};

TEST_F(SaveVariablesTest, RoundTrip) {
    Run("sv_user$='anna';sv_count#=12.5;sv_flag=3");
    EXPECT_EQ(Disciplined([] { return rt::SaveVariables(T("vars.txt"), T("sv_user$,sv_count#,sv_flag"), 0, rt::StrEmpty()); }), 0);
    EXPECT_EQ(Get("vars.txt"), "sv_user$='anna'\r\nsv_count#=12.5\r\nsv_flag=3\r\n");
    Run("sv_user$='';sv_count#=0;sv_flag=0");
    EXPECT_EQ(rt::RunScriptFile(T("vars.txt"), true, rt::StrEmpty()), 0);
    EXPECT_EQ(Value("sv_user$"), "anna");
    EXPECT_EQ(Value("sv_count#"), "12.5");
    EXPECT_EQ(Value("sv_flag"), "3");
}

// What is saved loads back to the same values: zeros are written, not left as bare names, and an
// array element is an assignment to that element, not a call with one more subscript.
TEST_F(SaveVariablesTest, ZerosAndArrayElementsLoadBack) {
    Run("sv_zero=0;sv_zero#=0;sv_neg=-3;sv_arr(3);sv_arr(2)=5;sv_arr(0)=0;sv_num#(2);sv_num#(1)=-1.25");
    EXPECT_EQ(rt::SaveVariables(T("z.txt"), T("sv_zero,sv_zero#,sv_neg,sv_arr(2),sv_arr(0),sv_num#(1)"), 0,
                                rt::StrEmpty()),
              0);
    EXPECT_EQ(Get("z.txt"), "sv_zero=0\r\nsv_zero#=0\r\nsv_neg=-3\r\nsv_arr(2)=5\r\nsv_arr(0)=0\r\nsv_num#(1)=-1.25\r\n");
    Run("sv_zero=5;sv_zero#=5;sv_neg=5;sv_arr(2)=9;sv_arr(0)=9;sv_num#(1)=9");
    EXPECT_EQ(rt::RunScriptFile(T("z.txt"), true, rt::StrEmpty()), 0);
    const struct { const char* expr; const char* value; } loaded[] = {
        {"sv_zero+1", "1"}, {"sv_zero#+1", "1"}, {"sv_neg", "-3"}, {"sv_arr(2)", "5"}, {"sv_arr(0)+1", "1"},
        {"sv_num#(1)", "-1.25"},
    };
    for (const auto& l : loaded) EXPECT_EQ(Value(l.expr), l.value) << l.expr;
    // A statement of the older element form is replaced, not kept beside the new one.
    Put("z.txt", "\r\nsv_arr(2;5)\r\nsv_neg=1");
    EXPECT_EQ(rt::SaveVariables(T("z.txt"), T("sv_arr(2)"), 0, rt::StrEmpty()), 0);
    EXPECT_EQ(Get("z.txt"), "sv_neg=1\r\nsv_arr(2)=5\r\n");
}

TEST_F(SaveVariablesTest, StatementsOfOtherNamesAreKept) {
    Put("vars.txt", "\r\nsv_other$='keep; me'\r\nsv_user$='old'\r\n_$(5;2;'entry;with;parts')\r\nsv_n=1");
    Run("sv_user$='new'");
    EXPECT_EQ(rt::SaveVariables(T("vars.txt"), T("sv_user$"), 0, rt::StrEmpty()), 0);
    EXPECT_EQ(Get("vars.txt"), "sv_other$='keep; me'\r\n_$(5;2;'entry;with;parts')\r\nsv_n=1\r\nsv_user$='new'\r\n");
    EXPECT_EQ(Value("sv_other$"), "keep; me") << "the file was read back";
}

TEST_F(SaveVariablesTest, QuotesAValueHoldingTheQuote) {
    Run("sv_q$=\"it's\"");
    EXPECT_EQ(rt::SaveVariables(T("vars.txt"), T("sv_q$"), 0, rt::StrEmpty()), 0);
    EXPECT_EQ(Get("vars.txt"), "sv_q$=\"it's\"\r\n");
    Run("sv_q$=''");
    EXPECT_EQ(rt::RunScriptFile(T("vars.txt"), true, rt::StrEmpty()), 0);
    EXPECT_EQ(Value("sv_q$"), "it's");
}

TEST_F(SaveVariablesTest, PrefixedNamesLoadIntoThePlainNames) {
    Run("sv_pw$='secret'");
    EXPECT_EQ(rt::SaveVariables(T("cred.txt"), T("sv_pw$"), 0, T("cred")), 0);
    EXPECT_EQ(Get("cred.txt"), "cred.sv_pw$='secret'\r\n");
    Run("sv_pw$='changed'");
    EXPECT_EQ(rt::SaveVariables(T("cred.txt"), T("sv_pw$"), 0, T("cred")), 0);
    EXPECT_EQ(Get("cred.txt"), "cred.sv_pw$='changed'\r\n") << "the prefixed statement is replaced";
    Run("sv_pw$=''");
    EXPECT_EQ(rt::RunScriptFile(T("cred.txt"), true, T("cred")), 0);
    EXPECT_EQ(Value("sv_pw$"), "changed");
}

TEST_F(SaveVariablesTest, TrimFlags) {
    Run("sv_t$='  pad  '");
    const struct {
        int trim;
        const char* line;
    } cases[] = {{0, "'  pad  '"}, {1, "'pad  '"}, {2, "'  pad'"}, {3, "'pad'"}};
    for (const auto& c : cases) {
        EXPECT_EQ(rt::SaveVariables(T("t.txt"), T("sv_t$"), c.trim, rt::StrEmpty()), 0);
        EXPECT_EQ(Get("t.txt"), std::string("sv_t$=") + c.line + "\r\n") << c.trim;
        Run("sv_t$='  pad  '");
    }
}

rt::ErrCode FailReplace(rt::FsFaultPoint point, const char*) {
    return point == rt::kFaultReplace ? rt::kErrPermission : 0;
}
rt::ErrCode FailWrite(rt::FsFaultPoint point, const char*) {
    return point == rt::kFaultWrite ? rt::kErrFileIo : 0;
}

TEST_F(SaveVariablesTest, FailedSaveLeavesTheOldFileWhole) {
    const std::string old = "\r\nsv_user$='before'\r\nsv_keep=1";
    Put("vars.txt", old);
    Run("sv_user$='after'");
    for (rt::FsFaultHook hook : {FailReplace, FailWrite}) {
        rt::SetFsSeams({hook});
        EXPECT_EQ(rt::SaveVariables(T("vars.txt"), T("sv_user$"), 0, rt::StrEmpty()), rt::kErrPermission);
        rt::SetFsSeams({});
        EXPECT_EQ(Get("vars.txt"), old);
    }
    EXPECT_FALSE(Exists("vars.txt.tmp~"));
}

TEST_F(SaveVariablesTest, ScriptFiles) {
    EXPECT_EQ(rt::RunScriptFile(T("none.txt"), false, rt::StrEmpty()), 0);
    EXPECT_EQ(rt::RunScriptFile(T("none.txt"), true, rt::StrEmpty()), rt::kErrFileNotFound);
    Put("empty.txt", "");
    EXPECT_EQ(rt::RunScriptFile(T("empty.txt"), true, rt::StrEmpty()), rt::kErrFileNotFound);
    Put("s.txt", "sv_a=1,sv_b=2\r\nsv_c$='x'\n");
    EXPECT_EQ(rt::RunScriptFile(T("s.txt"), true, rt::StrEmpty()), 0);
    EXPECT_EQ(Value("sv_a") + Value("sv_b") + Value("sv_c$"), "12x");
    rt::SetRunParam(rt::kParamAppFolder, rt_test::V(Dir()));
    std::filesystem::create_directory("docs");
    Put("docs/d.txt", "sv_d=4");
    EXPECT_EQ(rt::RunScriptFile(T("docs/d.txt"), true, rt::StrEmpty()), 0);
    EXPECT_EQ(Value("sv_d"), "4");
}

}  // namespace
