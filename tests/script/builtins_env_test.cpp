// Tests of FN#PARM, FN$PARM, ENVRON$, MACRO$, EXP$ and SQLCHILD through the language.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/fs.h"
#include "runtime/host_hooks.h"
#include "runtime/params.h"
#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "script/builtins_common.h"
#include "script/console.h"
#include "tests/support/console.h"

namespace {

using rt::StrRef;

class BuiltinEnvTest : public rt_test::ConsoleLineTest {};

// Sets a run-time parameter for one test and puts the old value back.
class ParamOverride {
public:
    ParamOverride(uint16_t item, const char* value) : item_(item), mark_(rt::PoolMark()) {
        saved_ = rt::Copy(rt::RunParam(item));
        if (item == rt::kParamCommandLine) {
            rt::SetCommandLine(value);
        } else {
            rt::SetRunParam(item, rt::StrFromLiteral(value));
        }
    }
    ~ParamOverride() {
        rt::SetRunParam(item_, saved_);
        rt::PoolRelease(mark_);
    }
    ParamOverride(const ParamOverride&) = delete;
    ParamOverride& operator=(const ParamOverride&) = delete;
private:
    uint16_t item_;
    uint16_t mark_;
    StrRef saved_;
};

TEST_F(BuiltinEnvTest, ParmNumberForms) {
    Check({
        {"FN#PARM('A,B,C';'B')", "N:2"},
        {"FN#PARM('A,B,C';'X')", "N:"},
        {"FN#PARM('A,B,C')", "N:3"},
        {"FN#PARM('')", "N:"},
        {"FN#PARM('a,')", "N:2"},
        {"FN#PARM(\"x,'a,b',y\")", "N:3"},
        {"FN#PARM('a';;)", "N:1"},
        // A number key is compared in its text form.
        {"FN#PARM('1,2,3';2)", "N:2"},
        {"FN#PARM('1,2.5,3';2.5)", "N:2"},
        {"FN#PARM('1,2.50,3';2.5)", "N:"},
        // A lookup table.
        {"FN#PARM('A,B,C';'B';'10,20,30')", "N:20"},
        {"FN#PARM('A,B,C';'A';'1.5,2')", "N:1.5"},
        {"FN#PARM('A,B,C';'C';'10,20')", "N:"},
        {"FN#PARM('A,B,C';'X';'10,20,30')", "N:"},
        // Ranges.
        {"FN#PARM('1,5-9,12';7;1)", "N:2"},
        {"FN#PARM('1,5-9,12';5;1)", "N:2"},
        {"FN#PARM('1,5-9,12';12;1)", "N:3"},
        {"FN#PARM('1,5-9,12';4;1)", "N:"},
        {"FN#PARM('1,5-9,12';'9';1)", "N:2"},
        {"FN#PARM('3-4,1-9';4;1)", "N:1"},
        {"FN#PARM('1,,5';0;1)", "N:"},
        // Any other number: the count of fields at the character of the code in the key.
        {"FN#PARM('a;b;c';59;0)", "N:3"},
        {"FN#PARM('a;b;c';59;2)", "N:3"},
        {"FN#PARM('a;b;c';44;2)", "N:1"},
        {"FN#PARM('a,b';'x';2)", "E:128"},
        {"FN#PARM('a';300;0)", "E:163"},
        {"FN#PARM(1)", "E:128"},
        {"FN#PARM()", "E:147"},
        {"FN#PARM('a';'b';'c';'d')", "E:147"},
    });
}

TEST_F(BuiltinEnvTest, ParmTextFields) {
    Check({
        {"FN$PARM('a,b,c';-1)", "S:c"},
        {"FN$PARM('a;b';2;59)", "S:b"},
        {"FN$PARM('a,b,c')", "S:c"},
        {"FN$PARM('a,b,c';1)", "S:a"},
        {"FN$PARM('a,b,c';-3)", "S:a"},
        {"FN$PARM('a,b,c';-4)", "S:"},
        {"FN$PARM('a,b,c';0)", "S:"},
        {"FN$PARM('a,b,c';9)", "S:"},
        {"FN$PARM('a,b,c';;)", "S:c"},
        {"FN$PARM(\"x,'a,b',y\";2)", "S:'a,b'"},
        {"FN$PARM('a,';-1)", "S:"},
        {"FN$PARM('';1)", "S:"},
        {"FN$PARM($$('a';'b');2;0)", "S:b"},
        {"FN$PARM('a,b';1;256)", "E:163"},
        {"FN$PARM('a,b';1;-1)", "E:163"},
        {"FN$PARM(1)", "E:128"},
        {"FN$PARM('a';'b')", "E:128"},
        {"FN$PARM()", "E:147"},
        {"FN$PARM('a';1;44;1)", "E:147"},
    });
}

TEST_F(BuiltinEnvTest, EnvironmentCommandLineAndStoredLists) {
    ASSERT_EQ(rt::FsSetEnvironment("KV_TEST_VAR", "abc"), 0);
    ParamOverride line(rt::kParamCommandLine, "prog /MODE:admin KEY=value");
    Check({
        {"ENVRON$('KV_TEST_VAR')", "S:abc"},
        {"ENVRON$('KV_NOT_SET_ANYWHERE')", "S:"},
        // Without '_', or starting above 'Z', a name is a command-line key.
        {"ENVRON$('KEY')", "S:VALUE"},
        {"ENVRON$('MODE')", "S:ADMIN"},
        {"ENVRON$('kv_test_var')", "S:"},
        {"ENVRON$('NOPE')", "S:"},
        {"_$(7;2;\"a=1,b= two ,c='x,y'\")", "S:a=1,b= two ,c='x,y'"},
        {"ENVRON$('b';2;7)", "S:two"},
        {"ENVRON$('c';2;7)", "S:x,y"},
        {"ENVRON$('a';2;7)", "S:1"},
        {"ENVRON$('d';2;7)", "S:"},
        {"ENVRON$('a';3;7)", "S:"},
        // Lists in the parameter form are read like the command line.
        {"ENVRON$('KEY';1)", "S:VALUE"},
        {"ENVRON$('KEY';1;0)", "S:VALUE"},
        {"ENVRON$('')", "E:163"},
        {"ENVRON$('a';-1)", "E:163"},
        {"ENVRON$('a';0;39)", "E:163"},
        {"ENVRON$(1)", "E:128"},
        {"ENVRON$('a';'b')", "E:128"},
        {"ENVRON$()", "E:147"},
        {"ENVRON$('a';1;1;1)", "E:147"},
    });
    rt::FsSetEnvironment("KV_TEST_VAR", nullptr);
}

TEST_F(BuiltinEnvTest, MacroExpansion) {
    ASSERT_EQ(rt::FsSetEnvironment("KV_MACRO_VAR", "envval"), 0);
    ParamOverride app(rt::kParamAppName, "UP:Kelvane");
    Check({
        {"MACRO$('x[1+2]y')", "S:x3y"},
        {"MACRO$('a[ 1+1 ]b')", "S:a2b"},
        {"MACRO$('[FN$TRIM(\" x \")]')", "S:x"},
        {"mv$='  v  ';MACRO$('<[mv$]>')", "S:<v>"},
        {"mv$='  v  ';MACRO$('<[mv$]>';2)", "S:<  v  >"},
        // Brackets in quotes wait for flag 1.
        {"MACRO$(\"'[1+2]'[1+2]\")", "S:'[1+2]'3"},
        {"MACRO$(\"'[1+2]'[1+2]\";1)", "S:'3'3"},
        {"MACRO$('[1-1]')", "S:0"},
        {"MACRO$('[1-1]';16)", "S:"},
        {"MACRO$('[1.5*2]')", "S:3"},
        {"MACRO$('[50%]')", "S:50%"},
        {"MACRO$('[x')", "S:[x"},
        {"MACRO$('a]b')", "S:a]b"},
        {"MACRO$('[]')", "S:0"},
        {"MACRO$('')", "S:"},
        // Innermost first: the inner value becomes part of the outer expression.
        {"MACRO$('[[1+1]+1]')", "S:3"},
        {"mn=7;MACRO$('[mn*[2+3]]')", "S:35"},
        {"mn$='7';MACRO$('[mn$+[2+3]]')", "E:128"},
        // A value list: lookups first, quotes no barrier, empty numbers stay empty.
        {"MACRO$('[k]';0;'k=val,j=2')", "S:val"},
        {"MACRO$('[j]+1';0;'k=val,j=2')", "S:2+1"},
        {"MACRO$('[j]+1';8;'k=val,j=2')", "S:3"},
        {"MACRO$('[1+1]';0;'k=v')", "S:2"},
        {"MACRO$('[0]';0;'k=v')", "S:"},
        {"MACRO$(\"'[k]'\";0;'k=v')", "S:'v'"},
        {"MACRO$('[k]';0;'')", "S:"},
        // Flag 4 looks in the run-time parameters and then the process environment.
        {"MACRO$('[KV_MACRO_VAR]';4)", "S:envval"},
        {"MACRO$('[APNAME]';4)", "S:UP"},
        {"MACRO$('[1+1]';4)", "S:2"},
        // Quoting.
        {"mq$='q';MACRO$('[mq$]';32)", "S:'q'"},
        {"mq$='q';MACRO$('[mq$]';96)", "S:\"q\""},
        {"mq$=\"it's\";MACRO$('[mq$]';32)", "S:\"it's\""},
        {"MACRO$('\\{x\\}';256)", "S:[x]"},
        {"MACRO$('\\{x\\}')", "S:\\{x\\}"},
        // Rescanning inserted text.
        {"mb$='[1+1]';MACRO$('[mb$]')", "S:[1+1]"},
        {"mb$='[1+1]';MACRO$('<[mb$]>';128)", "S:<2>"},
        {"mc$='[mc$]';MACRO$('[mc$]';128)", "E:140"},
        {"MACRO$('[1+2]*2';8)", "S:6"},
        {"MACRO$('[1+2]';8)", "S:3"},
        {"MACRO$(\"'[1+2]'\";9)", "S:3"},
        {"MACRO$('[1/]')", "E:147"},
        {"MACRO$('['+\"'\"+'a'+\"'\"+'-1]')", "E:128"},
        {"MACRO$(1)", "E:128"},
        {"MACRO$('a';'b')", "E:128"},
        {"MACRO$('a';0;1)", "E:128"},
        {"MACRO$()", "E:147"},
        {"MACRO$('a';0;'';1)", "E:147"},
        // Limits: the result must fit one text, and nesting has a depth.
        {"FN#SLEN(MACRO$(FN$CHRS('[1000000]';3300)))", "N:23100"},
        {"MACRO$(FN$CHRS('[FN$CHRS(120;99)]';1800))", "E:145"},
        {"MACRO$(FN$CHRS('[';200)+'1'+FN$CHRS(']';200))", "E:140"},
        {"MACRO$(FN$CHRS('[';30000))", "E:140"},
        {"MACRO$(FN$CHRS('[';50)+'1'+FN$CHRS(']';50))", "S:1"},
    });
    rt::FsSetEnvironment("KV_MACRO_VAR", nullptr);
}

// A run-time parameter found by flag 4 is expanded again with flag 128; the parts evaluated on the
// way may grow the string store, which must not pull the parameter's text from under the scan.
TEST_F(BuiltinEnvTest, MacroRescanOfAParameterSurvivesTheStoreGrowing) {
    ParamOverride descrip(rt::kParamAppDescrip, "[mg1$=FN$CHRS('x';30000);1][mg2$=FN$CHRS('y';30000);2]"
                                                "[mg3$=FN$CHRS('z';30000);3]tail");
    EXPECT_EQ(Eval("MACRO$('<[APDESCRIP]>';132)"), "S:<123tail>");
    EXPECT_EQ(Eval("FN#SLEN(mg1$)+FN#SLEN(mg2$)+FN#SLEN(mg3$)"), "N:90000") << "every part ran";
    EXPECT_EQ(Eval("mg1$='';mg2$='';mg3$=''"), "S:");
}

TEST_F(BuiltinEnvTest, MacroEmptyValueWarning) {
    int status = 0;
    EXPECT_EQ(Eval("MACRO$('<[me$]>';512)", &status), "S:<>");
    EXPECT_EQ(status, 121);
    EXPECT_EQ(Eval("ERR(\"MACRO$('<[me$]>';512)\")"), "N:121");
    EXPECT_EQ(Eval("me$='x';ERR(\"MACRO$('<[me$]>';512)\")"), "N:1");
    EXPECT_EQ(Eval("MACRO$('<[me2$]>')", &status), "S:<>");
    EXPECT_EQ(status, 1);
}

TEST_F(BuiltinEnvTest, ExpandWords) {
    Check({
        {"EXP$('$1_-$2_';abc;d)", "S:abc-d"},
        {"EXP$('$1_/$2_/$1_';x;y)", "S:x/y/x"},
        {"EXP$('[$1_]';'q t')", "S:['q t']"},
        {"EXP$('$1_$2_';a+b)", "S:ab"},
        {"EXP$('$2_';a)", "S:$2_"},
        {"EXP$('no marks';a;b)", "S:no marks"},
        {"EXP$('$1_';f(x))", "S:f(x)"},
        // The words are not evaluated.
        {"EXP$('$1_';FN$TRIM(1/0))", "S:FN$TRIM(1/0)"},
        {"EXP$('$1_';'a'-'b')", "S:'a'"},
        {"EXP$('<$2_>';a;;b)", "S:<>"},
        {"EXP$('$10_';1;2;3;4;5;6;7;8;9;ten)", "S:ten"},
        {"EXP$('$1_')", "S:$1_"},
        {"EXP$(1;a)", "E:128"},
        {"EXP$()", "E:147"},
        {"EXP$('a'-'b';c)", "E:147"},
        {"EXP$(FN$CHRS('$1_';10000);abcd)", "E:145"},
    });
}

int32_t gSqlAnswers = 0;
int32_t SqlChildHook(int32_t request) {
    if (request == 0) return gSqlAnswers;
    return request * 14;
}

TEST_F(BuiltinEnvTest, SqlChildNeedsTheHost) {
    EXPECT_EQ(Eval("SQLCHILD(sqa=5)"), "E:148");
    EXPECT_EQ(Eval("sqa"), "N:");
    rt::HookSet(rt::kHookSqlChild, reinterpret_cast<rt::HookFn>(&SqlChildHook));
    gSqlAnswers = 3;
    Check({
        {"_CURROW=7;_IER=9;SQLCHILD(sqr=_CURROW;sqs=_SQLSTK;_IER=1)", "N:42"},
        {"_CURROW", "N:7"},
        {"_IER", "N:9"},
        {"_SQLSTK", "N:2"},
        {"sqr", "N:"},
        {"sqs", "N:3"},
        {"SQLCHILD()", "N:42"},
        {"SQLCHILD(1;'a'-'b')", "E:147"},
        {"_CURROW", "N:7"},
    });
    gSqlAnswers = 9;
    EXPECT_EQ(Eval("_CURROW=4;SQLCHILD(sqt=1)"), "E:168");
    EXPECT_EQ(Eval("_CURROW"), "N:4");
    EXPECT_EQ(Eval("sqt"), "N:");
    rt::HookSet(rt::kHookSqlChild, nullptr);
}

TEST_F(BuiltinEnvTest, HostileArgumentsDoNotCrash) {
    const char* names[] = {"FN#PARM", "FN$PARM", "ENVRON$", "MACRO$", "EXP$", "SQLCHILD"};
    const std::string args[] = {
        "", ";", ";;;;", "'", "''", "-32768;-32768;-32768", "99999999999;1;1",
        "'[[[[]]]]';-1;'=,=,=='", "'[';1023", "FN$CHRS('[1]';10000);1023", "'%%%%';4",
        "FN$CHRS(0;30);1;0", "'a=b,c';0;38", "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17",
        "'$1_$2_$3_';(;);", "'x';1;1;1",
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
