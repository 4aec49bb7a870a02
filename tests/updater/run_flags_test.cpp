// Run flags and run modes: the rules of DPATH, RUN and MODE as a table, from values and command lines.
#include <gtest/gtest.h>

#include "runtime/errors.h"
#include "runtime/options.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "tests/support/run_params.h"
#include "tests/support/text.h"
#include "updater/run_flags.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

class RunFlagsTest : public rt_test::EmptyParamsTest {};

}  // namespace

TEST_F(RunFlagsTest, FlagBitsAreTheDocumentedWords) {
    EXPECT_EQ(RunFlag::ProgramGiven | RunFlag::Confirm | RunFlag::AskServer, 0x106);
    EXPECT_EQ(RunFlag::ProgramGiven | RunFlag::Apply, 0x101);
    EXPECT_EQ(RunFlag::Apply | RunFlag::OverwriteNewer, 9);
    EXPECT_EQ(RunFlag::AdminMode, 0x200);
}

TEST_F(RunFlagsTest, PlanFromValues) {
    struct Case { const char* dpath; const char* run; const char* mode; RunFlags flags; RunMode runMode; uint16_t option; };
    const Case cases[] = {
        {"", "", "", 0x009, RunMode::Plain, 0},
        {"", "", "ADMIN", 0x209, RunMode::AdminMenu, 0},
        {"", "", "admin", 0x209, RunMode::AdminMenu, 0},      // lower case meets the upper-case list
        {"", "", "Admin", 0x009, RunMode::Plain, 0},
        {"", "", "BATCH", 0x009, RunMode::Plain, 0},           // only ADMIN has an effect
        {"", "", "PRNTOFILE", 0x009, RunMode::Plain, 0},
        {"", "", "FINISH", 0, RunMode::Finish, 0},             // applies nothing: finishes a journal
        {"", "C:\\a\\x.exe", "finish", 0, RunMode::Finish, 0},
        {"", "", "ADMINX", 0x009, RunMode::Plain, 0},
        {"", "C:\\a\\x.exe", "", 0x101, RunMode::Program, kOptRun},
        {"", "C:\\a\\x.exe", "ADMIN", 0x301, RunMode::Preferences, kOptRun},
        {"", "C:\\a\\x.exe", "BATCH", 0x101, RunMode::Program, kOptRun},
        {"", "NONE", "", 0x101, RunMode::Program, kOptRun},   // NONE is decided when starting it
        {"D:\\p\\y.exe", "", "", 0x106, RunMode::Program, kOptDPath},
        {"D:\\p\\y.exe", "", "ADMIN", 0x106, RunMode::Program, kOptDPath},   // MODE ignored
        {"D:\\p\\y.exe", "C:\\a\\x.exe", "ADMIN", 0x106, RunMode::Program, kOptDPath},  // DPATH wins
        {" ", "", "", 0x106, RunMode::Program, kOptDPath},    // any non-empty value counts
    };
    for (const Case& c : cases) {
        const RunPlan plan = PlanRun(T(c.dpath), T(c.run), T(c.mode));
        EXPECT_EQ(plan.flags, c.flags) << c.dpath << "|" << c.run << "|" << c.mode;
        EXPECT_EQ(plan.mode, c.runMode) << c.dpath << "|" << c.run << "|" << c.mode;
        EXPECT_EQ(plan.programOption, c.option) << c.dpath << "|" << c.run << "|" << c.mode;
    }
    // Unreadable values count as absent.
    EXPECT_EQ(PlanRun(StrErr(145), StrErr(145), StrErr(145)).flags, 0x009);
}

TEST_F(RunFlagsTest, PlanFromCommandLines) {
    struct Case { const char* line; RunFlags flags; RunMode mode; };
    const Case cases[] = {
        {"k.exe", 0x009, RunMode::Plain},
        {"k.exe /MODE:ADMIN", 0x209, RunMode::AdminMenu},
        {"k.exe /mode=admin", 0x209, RunMode::AdminMenu},
        {"k.exe /MODE:'admin'", 0x209, RunMode::AdminMenu},
        {"k.exe /RUN:'C:\\a b\\x.exe' /MODE:ADMIN", 0x301, RunMode::Preferences},
        {"k.exe /RUN:'C:\\a b\\x.exe'", 0x101, RunMode::Program},
        {"k.exe RUN=x.exe", 0x101, RunMode::Program},
        {"k.exe /DPATH:'C:\\p\\y.exe' /RUN:x.exe /MODE:ADMIN", 0x106, RunMode::Program},
        {"k.exe /DPATH: /RUN:x.exe", 0x101, RunMode::Program},  // empty DPATH is no DPATH
        {"k.exe /RUN: /MODE:ADMIN", 0x209, RunMode::AdminMenu},
        {"k.exe XRUN:x.exe", 0x009, RunMode::Plain},
        {"k.exe /RUN x.exe", 0x009, RunMode::Plain},
        {"k.exe /DPATH:C:\\p\\y.exe", 0x106, RunMode::Program},  // value "C", still given
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SetCommandLine(c.line), 0);
        const uint16_t before = PoolMark();
        const RunPlan plan = PlanRunFromOptions();
        EXPECT_EQ(PoolMark(), before);
        EXPECT_EQ(plan.code, 0);
        EXPECT_EQ(plan.flags, c.flags) << c.line;
        EXPECT_EQ(plan.mode, c.mode) << c.line;
    }
    // A mode outside the list ends the start-up with 163, naming the option; the last name of the
    // list is still a mode.
    for (const char* line : {"k.exe /MODE:XYZ /MODE:BATCH", "k.exe /MODE:BATCHX", "k.exe /RUN:x.exe /MODE:adm"}) {
        ASSERT_EQ(SetCommandLine(line), 0);
        ReportError(0, StrEmpty());
        EXPECT_EQ(PlanRunFromOptions().code, kErrBadInput) << line;
        EXPECT_NE(Str(ErrorDetail()).find("MODE:"), std::string::npos) << line;
    }
    ASSERT_EQ(SetCommandLine("k.exe /MODE:prntofile"), 0);
    EXPECT_EQ(PlanRunFromOptions().code, 0);
}

