// Tests of the file built-ins READ$, WRITE and EXEC$ through the evaluator.
#include <gtest/gtest.h>

#include <string>

#include "runtime/params.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "script/console.h"
#include "script/expr_eval.h"
#include "runtime/streams.h"
#include "tests/runtime/fs_test_support.h"
#include "tests/support/console.h"

namespace {

using rt_test::Str;
using rt_test::T;

class BuiltinsFilesTest : public rt_test::FsTest {
protected:
    void TearDown() override {
        for (uint16_t s = rt::kFirstFileSlot; s < rt::kStreamSlots; ++s)
            if (rt::StreamSlotTag(s) == rt::kSlotFile) rt::StreamClose(s);
        rt::SetRunParam(rt::kParamAppName, rt_test::V(savedName_));
        FsTest::TearDown();
    }
    // "N:" and the number (empty for 0), "S:" and the text, or the error.
    static std::string Eval(const std::string& text) { return rt_test::ConsoleLine(text); }
    std::string savedName_ = Str(rt::RunParam(rt::kParamAppName));
};

TEST_F(BuiltinsFilesTest, WriteRewritesThenAppends) {
    EXPECT_EQ(Eval("WRITE('x.txt';-3;'abc')"), "N:");
    EXPECT_EQ(Get("x.txt"), "abc");
    EXPECT_EQ(Eval("WRITE('x.txt';-1;'d')"), "N:");
    EXPECT_EQ(Get("x.txt"), "abcd");
    EXPECT_EQ(Eval("WRITE('x.txt';1;'BC')"), "N:");
    EXPECT_EQ(Get("x.txt"), "aBCd");
    EXPECT_EQ(Eval("WRITE('nofolder/x.txt';-1;'d')"), "N:131");
}

TEST_F(BuiltinsFilesTest, ReadByName) {
    Put("x.txt", "abcd");
    EXPECT_EQ(Eval("READ$('x.txt')"), "S:abcd");
    EXPECT_EQ(Eval("READ$('x.txt';1;2)"), "S:bc");
    EXPECT_EQ(Eval("READ$('x.txt';2)"), "S:cd");
    EXPECT_EQ(Eval("READ$('x.txt';0;0)"), "S:");
    EXPECT_EQ(Eval("READ$('missing.txt')"), "E:164");
}

TEST_F(BuiltinsFilesTest, StreamsByNumber) {
    Put("s.txt", "line1\r\nline2");
    uint16_t s = rt::StreamOpen(T("s.txt"), 0);
    ASSERT_EQ(s, 3);
    EXPECT_EQ(Eval("READ$(3;0;0)"), "S:") << "not at the end";
    EXPECT_EQ(Eval("READ$(3)"), "S:line1");
    EXPECT_EQ(Eval("READ$(3;-1)"), "S:line2");
    EXPECT_EQ(Eval("READ$(3;-1;0)"), "S:\x1a");
    EXPECT_EQ(Eval("WRITE(3;-1;'!')"), "N:");
    rt::StreamClose(s);
    EXPECT_EQ(Get("s.txt"), "line1\r\nline2!");
}

TEST_F(BuiltinsFilesTest, WriteSavesVariables) {
    ASSERT_EQ(rt::ExecuteStatements(T("bf_v$='kept'")), 0);
    EXPECT_EQ(Eval("WRITE('vars.txt';-2;'bf_v$')"), "N:");
    EXPECT_EQ(Get("vars.txt"), "bf_v$='kept'\r\n");
}

TEST_F(BuiltinsFilesTest, EmptyNameWritesTheLog) {
    rt::SetRunParam(rt::kParamAppName, T("UP:Kelvane"));
    EXPECT_EQ(Eval("WRITE('';0;'hello log')"), "N:");
    EXPECT_NE(Get("UPlog.txt").find("hello log\r\n"), std::string::npos);
}

TEST_F(BuiltinsFilesTest, PermissionCheckGuardsNames) {
    Put("x.txt", "abcd");
    std::string lists = std::string("C:\\nowhere") + '\0' + "C:\\nowhere";
    rt::SetRunParam(rt::kParamSafetyLists, rt_test::V(lists));
    rt::IntSet(rt::kSysSafe, 0x100);
    EXPECT_EQ(Eval("READ$('x.txt')"), "E:175");
    EXPECT_EQ(Eval("WRITE('x.txt';-1;'e')"), "N:175");
    EXPECT_EQ(Get("x.txt"), "abcd");
}

TEST_F(BuiltinsFilesTest, ExecRunsScriptFiles) {
    Put("run.txt", "bf_ran=7");
    EXPECT_EQ(Eval("EXEC$('run.txt')"), "S:");
    EXPECT_EQ(Eval("bf_ran"), "N:7");
    EXPECT_EQ(Eval("EXEC$('absent.txt')"), "E:164");
    EXPECT_EQ(Eval("EXEC$('command')"), "E:148") << "no host command without the hook";
}

}  // namespace
