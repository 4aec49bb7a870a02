// Tests of SORT$ (list sort and record tables), _$ (string groups and stacks), _# (the system
// number array) and FN#ACUM (accumulating loops), through the language.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/array_vars.h"
#include "runtime/context.h"
#include "runtime/params.h"
#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "script/console.h"
#include "runtime/scaled_number.h"
#include "tests/support/console.h"

namespace {

using rt::StrRef;

class BuiltinListsTest : public rt_test::ConsoleLineTest {
protected:
    static void Check(const std::vector<Row>& rows) {
        for (const Row& r : rows) {
            std::string out = Eval(r.expr);
            // "*": run for the effect only (a handle is binary).
            if (r.out != "*") {
                EXPECT_EQ(out, r.out) << r.expr;
            }
        }
    }
};

TEST_F(BuiltinListsTest, SortsLists) {
    Check({
        {"SORT$('c,a,b')", "S:a,b,c"},
        {"SORT$('c,a,b';2)", "S:c,b,a"},
        {"SORT$('c,a,b,a';1)", "S:a,b,c"},
        {"SORT$('c,a,b,a')", "S:a,a,b,c"},
        {"SORT$('a,b,a,c';3)", "S:c,b,a"},
        // Items are records as wide as the longest one: shorter ones come back padded.
        {"SORT$('bb,a')", "S:a ,bb"},
        {"SORT$('bb,a';128)", "S:a,bb"},
        {"SORT$('b ,a';128)", "S:a,b"},
        // Padding makes "a" and "a " equal: the first one met is kept.
        {"SORT$('a ,a';1)", "S:a "},
        {"SORT$('a,a ';129)", "S:a"},
        // A blank sorts before every printable character, so a prefix comes first.
        {"SORT$('ab,a,a!';128)", "S:a,a!,ab"},
        {"SORT$('')", "S:"},
        {"SORT$('x')", "S:x"},
        {"SORT$('b,,a')", "S: ,a,b"},
        {"SORT$(',')", "S:,"},
        // A separator inside quotes does not split.
        {"SORT$(\"b,'x,a',a\";128)", "S:'x,a',a,b"},
        // Byte order: upper case before lower case, 0xE9 after both.
        {"SORT$('b,B,a,A')", "S:A,B,a,b"},
        {"SORT$(FN$CHRS(233)+',e')", "S:e,\xe9"},
        {"SORT$('b,a';'x')", "E:128"},
        {"SORT$(1)", "E:128"},
        {"SORT$('a';1;2)", "E:147"},
        {"SORT$()", "E:147"},
        // The padded result must still fit one text.
        {"SORT$(FN$CHRS('x';20000)+',a')", "E:145"},
        {"FN#SLEN(SORT$(FN$CHRS('x';20000)+',a';128))", "N:20002"},
        {"FN#SLEN(SORT$(FN$CHRS('x,';16000)))", "N:32001"},
    });
}

TEST_F(BuiltinListsTest, SortsNulSeparatedLists) {
    EXPECT_EQ(Eval("SORT$($$('c';'a';'b');64)"), std::string("S:a\0b\0c", 7));
    EXPECT_EQ(Eval("SORT$($$('cc ';'a';'b');192)"), std::string("S:a\0b\0cc", 8));
    EXPECT_EQ(Eval("SORT$($$('cc';'a');64)"), std::string("S:a \0cc", 7));
    // In a NUL list quotes are ordinary characters.
    EXPECT_EQ(Eval("SORT$($$(\"b'\";\"'a\");192)"), std::string("S:'a\0b'", 7));
}

// The record table lines below share the handle t$, stored back after each change.
TEST_F(BuiltinListsTest, RecordTableKeepsOrderAndWalks) {
    Check({
        {"t$=SORT$('NEW';3);FN#SLEN(t$)", "N:24"},
        {"t$=SORT$('ADD';t$;'c');_IER", "N:"},
        {"t$=SORT$('ADD';t$;'a');t$=SORT$('ADD';t$;'b');t$=SORT$('ADD';t$;'b')", "*"},
        {"t$=SORT$('MOVE';t$;'TOP');_IER", "N:"},
        {"SORT$('GET';t$)", "S:a  "},
        {"t$=SORT$('MOVE';t$;'NXT');SORT$('GET';t$)", "S:b  "},
        {"t$=SORT$('MOVE';t$;'next');SORT$('GET';t$)", "S:b  "},
        {"t$=SORT$('MOVE';t$;'NXT');SORT$('GET';t$)", "S:c  "},
        // Past the end: the cursor stays on the last record, the outcome is 2.
        {"t$=SORT$('MOVE';t$;'NXT');_IER", "N:2"},
        {"SORT$('GET';t$)", "S:c  "},
        {"t$=SORT$('MOVE';t$;'Previous');_IER", "N:"},
        {"SORT$('GET';t$)", "S:b  "},
        {"t$=SORT$('MOVE';t$;'TOP');t$=SORT$('MOVE';t$;'PRV');_IER", "N:2"},
        {"SORT$('GET';t$)", "S:a  "},
        {"t$=SORT$('MOVE';t$;'bottom');SORT$('GET';t$)", "S:c  "},
        // Commands of the list that do not move leave the cursor on its record.
        {"t$=SORT$('MOVE';t$;'OK');_IER", "N:"},
        {"SORT$('GET';t$)", "S:c  "},
        {"SORT$('MOVE';t$;'JUMP')", "E:147"},
        {"SORT$('ADD';t$;'abcd')", "E:163"},
        {"SORT$('KILL';t$)", "S:"},
        // A handle whose table is gone is refused, not followed.
        {"SORT$('GET';t$)", "E:147"},
        {"SORT$('KILL';t$)", "E:147"},
    });
}

TEST_F(BuiltinListsTest, RecordTableKeysFlagsAndGrowth) {
    Check({
        // Unique on a one-byte key: a record whose first byte is present is not inserted.
        {"u$=SORT$('NEW';3;1;1);u$=SORT$('ADD';u$;'ab');u$=SORT$('ADD';u$;'ac');_IER", "N:5"},
        {"u$=SORT$('MOVE';u$;'TOP');SORT$('GET';u$)", "S:ab "},
        {"u$=SORT$('MOVE';u$;'NXT');_IER", "N:2"},
        {"u$=SORT$('ADD';u$;'b');_IER", "N:"},
        {"SORT$('KILL';u$)", "S:"},
        // Descending, and equal keys keep the order they came in.
        {"d$=SORT$('NEW';2;1;2);d$=SORT$('ADD';d$;'a1');d$=SORT$('ADD';d$;'c1');d$=SORT$('ADD';d$;'a2')", "*"},
        {"d$=SORT$('MOVE';d$;'TOP');SORT$('GET';d$)", "S:c1"},
        {"d$=SORT$('MOVE';d$;'NXT');SORT$('GET';d$)", "S:a1"},
        {"d$=SORT$('MOVE';d$;'NXT');SORT$('GET';d$)", "S:a2"},
        {"SORT$('KILL';d$)", "S:"},
        // An empty table.
        {"e$=SORT$('NEW';4);SORT$('GET';e$)", "S:"},
        {"e$=SORT$('MOVE';e$;'TOP');_IER", "N:2"},
        {"e$=SORT$('MOVE';e$;'NXT');_IER", "N:2"},
        {"SORT$('KILL';e$)", "S:"},
        {"SORT$('NEW';0)", "E:163"},
        {"SORT$('NEW';;1)", "E:163"},
        {"SORT$('NEW';-5)", "E:163"},
        {"SORT$('NEW';'x')", "E:128"},
        {"SORT$('NEW')", "E:147"},
        {"SORT$('NEW';1;1;1;1)", "E:147"},
        {"SORT$('ADD';'x')", "E:147"},
        {"SORT$('GET';'short')", "E:147"},
        {"SORT$('GET';FN$CHRS(0;24))", "E:147"},
        {"SORT$('GET';FN$CHRS(255;24))", "E:147"},
        {"SORT$('GET';1)", "E:128"},
        {"SORT$('MOVE';'x';'TOP';1)", "E:147"},
    });
    // Forty records in reverse: the table grows twice, and the first handle goes stale.
    Eval("g$=SORT$('NEW';2);g0$=g$");
    for (int i = 40; i >= 1; --i) Eval("g$=SORT$('ADD';g$;'" + std::string(1, static_cast<char>('0' + i / 10)) + std::to_string(i % 10) + "')");
    EXPECT_EQ(Eval("SORT$('GET';g0$)"), "E:147");
    EXPECT_EQ(Eval("g$=SORT$('MOVE';g$;'TOP');SORT$('GET';g$)"), "S:01");
    std::string walk;
    for (int i = 0; i < 41; ++i) walk += Eval("w$=SORT$('GET';g$);g$=SORT$('MOVE';g$;'NXT');w$").substr(2);
    EXPECT_EQ(walk.substr(0, 8), "01020304");
    EXPECT_EQ(walk.substr(76), "39" "40" "40");
    EXPECT_EQ(Eval("SORT$('KILL';g$)"), "S:");
}

TEST_F(BuiltinListsTest, StringGroupsAndStacks) {
    Check({
        {"_$(5;2;'hello')", "S:hello"},
        {"_$(5;2)", "S:hello"},
        {"_$(5;3)", "S:"},
        {"_$(6;1;12.5)", "S:12.5"},
        {"_$(6;1;)", "S:12.5"},
        // Stacks: a push returns the new top; reading does not pop; a negative index pops.
        {"_$(33;0;'p1')", "S:p1"},
        {"_$(33;0;'p2')", "S:p2"},
        {"_$(33)", "S:p2"},
        {"_$(33;-1)", "S:p2"},
        {"_$(33)", "S:p1"},
        {"_$(33;-5)", "S:p1"},
        {"_$(33)", "S:"},
        {"_$(33;-1)", "S:"},
        // The defaults: group 30, index 0.
        {"_$(;;'d')", "S:d"},
        {"_$()", "S:d"},
        {"_$(30;-1)", "S:d"},
        // The dialog answers that the input macros read.
        {"_$(.envvar;.dialog;'a, b ,c')", "S:a, b ,c"},
        {"_ACCEPT$(2)", "S:b"},
        {"_ACCEPT$(3)", "S:C"},
        {"_$(5;-1)", "E:147"},
        {"_$(35;0;'x')", "E:163"},
        {"_$(35;-1)", "E:163"},
        {"_$(39)", "E:163"},
        {"_$(-1)", "E:163"},
        {"_$('a')", "E:128"},
        {"_$(5;'a')", "E:128"},
        {"_$(5;1;'x';4)", "E:147"},
    });
}

TEST_F(BuiltinListsTest, SystemNumberArray) {
    const StrRef array = rt::StrFromLiteral("_#(");
    Check({
        {"_#('DIM';0)", "E:163"},
        {"_#('DIM')", "E:163"},
        {"_#('DIM';1)", "E:147"},
        {"_#('DIM';6)", "N:"},
        {"_#(2)", "N:"},
    });
    for (int32_t i = 0; i < 6; ++i) {
        uint16_t mark = rt::PoolMark();
        ASSERT_EQ(rt::ArrayAssign(array, &i, 1, rt::NumberToSlot((i + 1) * 150)), 0);
        rt::PoolRelease(mark);
    }
    uint16_t mark = rt::PoolMark();
    StrRef saved = rt::Copy(rt::RunParam(rt::kParamCommandLine));
    ASSERT_EQ(rt::SetCommandLine("prog,ALPHA,BETA"), 0);
    Check({
        {"_#()", "N:1.5"},
        {"_#(2)", "N:4.5"},
        {"_#(1;1)", "N:4.5"},
        {"_#(5)", "N:9"},
        {"_#(6)", "N:"},
        {"_#(3;-4)", "N:"},
        {"_#(-1)", "N:"},
        {"_#('BETA')", "N:4.5"},
        {"_#('ALPHA';3)", "N:7.5"},
        {"_#('GAMMA')", "N:"},
        {"_#('CLS';2;1)", "N:"},
        {"_#(2)", "N:"},
        {"_#(3)", "N:6"},
        {"_#('CLS';4)", "N:"},
        {"_#(5)", "N:"},
        {"_#(0)", "N:1.5"},
        {"_#('CLS')", "N:"},
        {"_#(0)", "N:"},
        {"_#(1;'a')", "E:128"},
        {"_#(1;2;3;4)", "E:147"},
    });
    ASSERT_EQ(rt::SetRunParam(rt::kParamCommandLine, saved), 0);
    rt::PoolRelease(mark);
}

TEST_F(BuiltinListsTest, AccumulatingLoops) {
    Check({
        {"FN#ACUM(ai;ai;=1;4)", "N:10"},
        {"FN#ACUM(ai*2;ai;=1;3)", "N:12"},
        {"FN#ACUM((ai);(ai);=1;(2+2))", "N:10"},
        {"FN#ACUM('1.5';ai;=1;2)", "N:3"},
        {"FN#ACUM(1;ai;=5;4)", "N:"},
        {"FN#ACUM(1;ai;=1;3);ai", "N:4"},
        // The top of the integer range ends the count instead of wrapping round.
        {"FN#ACUM(1;ai;=32760;32767)", "N:8"},
        {"ac=0;FN#ACUM(2;(ac=ac+1)<4)", "N:6"},
        {"ac=0;FN#ACUM(ac;(ac=1);(ac=ac+1)<=3)", "N:6"},
        {"ac=0;FN#ACUM(1;(ac=ac+1)<3;)", "N:2"},
        {"FN#ACUM(1;0)", "N:"},
        // Loops that would never end.
        {"FN#ACUM(1;1)", "E:129"},
        {"FN#ACUM(ai=1;ai;=1;3)", "E:129"},
        {"FN#ACUM(1;ai$;=1;3)", "E:147"},
        {"FN#ACUM(1;ai#;=1;3)", "E:147"},
        {"FN#ACUM(1;ai+1;=1;3)", "E:147"},
        {"FN#ACUM(1)", "E:147"},
        {"FN#ACUM(1;ai;=1;3;4)", "E:147"},
        {"FN#ACUM('a'-'b';ai;=1;3)", "E:147"},
        {"FN#ACUM(1;ai;=1;'x'-'y')", "E:147"},
        {"FN#ACUM(1;ai;=0;'3')", "N:1"},
        {"FN#ACUM(1;ai;='x';3)", "E:128"},
        {"FN#ACUM(90000000000000000;ai;=1;2)", "E:168"},
    });
    rt::CancelFlag(1);
    EXPECT_EQ(Eval("FN#ACUM(1;ai;=1;3)"), "E:122");
    EXPECT_EQ(Eval("FN#ACUM(1;1)"), "E:122");
    rt::CancelFlag(0);
}

TEST_F(BuiltinListsTest, HostileArgumentsDoNotCrash) {
    const char* names[] = {"SORT$", "_$", "_#", "FN#ACUM"};
    const std::string args[] = {
        "", ";", ";;;;", "'", "''", "-32768;-32768;-32768;-32768", "99999999999;1;1;1",
        "'ADD';'123456789012345678901234';'x'", "'MOVE';FN$CHRS(0;24);'TOP'", "'KILL';FN$CHRS(1;24)",
        "FN$CHRS(0;3000);64", "FN$CHRS(',';30000)", "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17",
        "(((1)));((ai));=1;((3))", "'CLS';-32768;32767", "37;0;'x'", "38;-32768", "29;32767;'x'",
    };
    for (const char* name : names) {
        for (const std::string& a : args) {
            std::string line = std::string(name) + "(" + a + ")";
            std::string out = Eval(line);
            ASSERT_FALSE(out.empty()) << line;
            EXPECT_TRUE(out[0] == 'S' || out[0] == 'N' || out[0] == 'E') << line;
        }
    }
}

}  // namespace
