// Command-line options: option values from tables of command lines, choice positions and switches.
#include <gtest/gtest.h>

#include <string>

#include "runtime/options.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "tests/support/run_params.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

class OptionsTest : public rt_test::EmptyParamsTest {
protected:
    std::string Value(const char* line, uint16_t n) {
        EXPECT_EQ(SetCommandLine(line), 0);
        const uint16_t before = PoolMark();
        const StrRef v = OptionValue(n);
        // Always one entry of its own, never a view into the stored command line.
        EXPECT_EQ(PoolMark(), before + 1) << line;
        EXPECT_FALSE(rt_test::Inside(v, RunParam(kParamCommandLine)) && v.len) << line;
        std::string out = Str(v);
        PoolRelease(before);
        return out;
    }
};

}  // namespace

TEST_F(OptionsTest, NamesInOrder) {
    EXPECT_EQ(Str(OptionName(kOptHelp)), "?;HELP");
    EXPECT_EQ(Str(OptionName(kOptDPath)), "DPATH");
    EXPECT_EQ(Str(OptionName(kOptRun)), "RUN");
    EXPECT_EQ(Str(OptionName(kOptMode)), "MODE");
    EXPECT_EQ(Str(OptionName(kOptTrace)), "TRACE");
    EXPECT_EQ(Str(OptionName(kOptDelay)), "DELAY");
    EXPECT_EQ(Str(OptionName(0)), "");
    EXPECT_EQ(Str(OptionName(kOptionCount + 1)), "");
    EXPECT_EQ(Str(OptionName(0xFFFF)), "");
}

TEST_F(OptionsTest, ValueTable) {
    struct Case { const char* line; uint16_t n; const char* want; };
    const Case cases[] = {
        {"prog.exe /MODE:ADMIN /DPATH:'C:\\x y'", kOptMode, "ADMIN"},
        {"prog.exe /MODE:ADMIN /DPATH:'C:\\x y'", kOptDPath, "C:\\x y"},
        {"prog.exe /DPATH:C:\\x", kOptDPath, "C"},
        {"prog.exe XMODE:1", kOptMode, ""},
        {"prog.exe /MODE=batch", kOptMode, "BATCH"},
        {"prog.exe /mode:x", kOptMode, "x"},
        {"prog.exe   a b", 0, "a b"},
        {"prog.exe", 0, ""},
        {"", 0, ""},
        {"\"C:\\Program Files\\K\\k.exe\" /RUN:x", 0, "/RUN:x"},
        {"\"C:\\Program Files\\K\\k.exe\" /RUN:x", kOptRun, "X"},
        {"k.exe RUN='C:\\a b\\x.exe'", kOptRun, "C:\\a b\\x.exe"},
        {"k.exe /RUN=\"C:\\a b\\x.exe\" /MODE:ADMIN", kOptMode, "ADMIN"},
        {"k.exe /RUN:a /RUN:b", kOptRun, "A"},          // the first entry wins
        {"k.exe /RUN=a /RUN:b", kOptRun, "B"},          // ':' entries before '=' ones
        {"k.exe /RUN: /MODE:ADMIN", kOptRun, ""},       // empty value
        {"k.exe /RUN:'' /MODE:ADMIN", kOptRun, ""},
        {"k.exe /RUN:' ' /MODE:ADMIN", kOptRun, " "},
        {"k.exe /RUN", kOptRun, ""},                    // switch form is no option
        {"k.exe /RUNX:1", kOptRun, ""},
        {"k.exe /XRUN:1", kOptRun, ""},
        {"k.exe -RUN:1", kOptRun, ""},                  // '-' separates only with flag 0x200
        {"k.exe&RUN:1", kOptRun, "1"},
        {"k.exe /FOO:1 /BAR=2", kOptRun, ""},            // unknown options are ignored
        {"k.exe /TRACE:33", kOptTrace, "33"},
        {"k.exe /APNAME:'XY:Other'", kOptApName, "XY:Other"},
        {"k.exe /APNAME:XY:Other", kOptApName, "XY"},   // unquoted, the colon ends the value
        {"k.exe /MODE:'admin'", kOptMode, "admin"},
        {"k.exe /DPATH:'C:\\unclosed /RUN:x", kOptRun, ""},  // an open quote hides the rest
        {"k.exe /HELP:", kOptHelp, "YES"},
        {"k.exe /?:", kOptHelp, "YES"},
        {"k.exe /help:", kOptHelp, "YES"},
        {"k.exe /HELP:more", kOptHelp, "MORE"},
        {"k.exe /?", kOptHelp, ""},
        {"k.exe /RUN:", kOptRun, ""},                   // "YES" is for option 1 only
        {"k.exe /RUN:x", 26, ""},
        {"k.exe /RUN:x", 0xFFFF, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Value(c.line, c.n), c.want) << c.line << " option " << c.n;
    }
}

TEST_F(OptionsTest, NoOptionReadsAnything) {
    ASSERT_EQ(SetCommandLine("k.exe /FOO:1 BAR=2 baz"), 0);
    for (uint16_t n = 1; n <= kOptionCount; ++n) {
        EXPECT_EQ(Value("k.exe /FOO:1 BAR=2 baz", n), "") << n;
    }
}

TEST_F(OptionsTest, LongestLineStillParses) {
    std::string line = "k.exe /MODE:ADMIN /DPATH:'" + std::string(kMaxText - 35, 'd') + "' /RUN:x";
    line.resize(kMaxText, ' ');
    ASSERT_EQ(line.size(), kMaxText);
    EXPECT_EQ(Value(line.c_str(), kOptRun), "X");
    EXPECT_EQ(Value(line.c_str(), kOptDPath).size(), kMaxText - 35);
    EXPECT_EQ(Value(line.c_str(), kOptMode), "ADMIN");

    line.push_back('z');
    EXPECT_EQ(SetCommandLine(line.c_str()), kErrBadCommandLine);
}

TEST_F(OptionsTest, IndexInChoiceList) {
    const StrRef modes = T("ADMIN,BATCH,PRNTOFILE");
    struct Case { const char* line; uint16_t want; };
    const Case cases[] = {
        {"k.exe /MODE=batch", 2},
        {"k.exe /MODE:ADMIN", 1},
        {"k.exe /MODE:'admin'", 1},     // a lower-case value meets an upper-case list
        {"k.exe /MODE:'Admin'", 0},     // a capital first letter is left alone
        {"k.exe /MODE:PRNTOFILE", 3},
        {"k.exe /MODE:PRINT", 0},
        {"k.exe /MODE:", 0},
        {"k.exe", 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SetCommandLine(c.line), 0);
        EXPECT_EQ(OptionIndex(kOptMode, modes), c.want) << c.line;
    }
    EXPECT_EQ(OptionIndexOf(T("batch"), T("admin,batch")), 2);
    EXPECT_EQ(OptionIndexOf(T("batch"), T("ADMIN,BATCH")), 2);
    EXPECT_EQ(OptionIndexOf(T("Batch"), T("ADMIN,BATCH")), 0);
    EXPECT_EQ(OptionIndexOf(StrErr(145), T("ADMIN")), 0);
}

TEST_F(OptionsTest, SwitchTable) {
    struct Case { const char* line; const char* alternatives; bool exact; bool want; };
    const Case cases[] = {
        {"prog.exe -Verbose", "verbose", false, true},
        {"prog.exe /verbosely", "verbose", false, false},
        {"prog.exe /verbosely -verbose", "verbose", false, true},  // a later occurrence counts
        {"prog.exe -Verbose", "verbose", true, false},
        {"prog.exe -Verbose", "Verbose", true, true},
        {"verbose x", "verbose", false, false},                    // not at position 0
        {"prog.exe '-verbose'", "verbose", false, false},          // not inside quotes
        {"prog.exe -verbose\tx", "verbose", false, false},         // only a blank may follow
        {"prog.exe -verbose x", "verbose", false, true},
        {"prog.exe xverbose", "verbose", false, false},
        {"prog.exe RUN:x confirm", "confirm", false, true},
        {"prog.exe &confirm", "confirm", false, true},
        {"prog.exe :confirm", "confirm", false, true},
        {"prog.exe /?", "?;HELP", false, true},
        {"prog.exe /HELP", "?;HELP", false, true},
        {"prog.exe /HELP:x", "?;HELP", false, false},
        {"prog.exe /x", ";;", false, false},
        {"prog.exe /x", "", false, false},
        {"", "x", false, false},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SetCommandLine(c.line), 0);
        const uint16_t before = PoolMark();
        EXPECT_EQ(SwitchPresent(T(c.alternatives), c.exact), c.want) << c.line << " / " << c.alternatives;
        EXPECT_EQ(PoolMark(), before);
    }
    EXPECT_FALSE(SwitchIn(StrErr(145), T("x"), false));
    EXPECT_TRUE(SwitchIn(T("a /x"), T("x"), false));
}
