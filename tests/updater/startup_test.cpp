// Start-up: command line, identity, trace level, application and help folders, and the run plan.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/context.h"
#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "runtime/dates.h"
#include "script/field_types.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "ui/window_start.h"
#include "runtime/options.h"
#include "updater/command_words.h"
#include "updater/startup.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

class StartUpTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        ASSERT_EQ(IntSet(kSysTrace, 1), 0);
    }
    void TearDown() override {
        IntSet(kSysTrace, 1);
        EmptyParamsTest::TearDown();
    }
};

// Start-up as the program runs it, less the run-time's set-up, which the test program has done.
ErrCode Settings(const char* line, RunPlan* plan) {
    if (ErrCode code = WindowLayerStart(nullptr, line, nullptr)) return code;
    return StartUpSettings(plan);
}

}  // namespace

TEST_F(StartUpTest, SettingsTable) {
    struct Case {
        const char* line;
        const char* name;
        const char* folder;
        const char* help;
        RunFlags flags;
        RunMode mode;
    };
    const Case cases[] = {
        {"C:\\apps\\k.exe", "UP:Kelvane", "C:\\apps", "C:\\apps\\Help", 0x009, RunMode::Plain},
        {"\"C:\\Program Files\\K\\k.exe\" /RUN:'C:\\x\\app.exe'", "UP:Kelvane", "C:\\Program Files\\K",
         "C:\\Program Files\\K\\Help", 0x101, RunMode::Program},
        // A DPATH folder is taken as it is; a program's folder stands for the program
        {"C:\\k\\k.exe /DPATH:'D:\\prog' /RUN:x /MODE:ADMIN", "UP:Kelvane", "D:\\prog", "D:\\prog\\Help",
         0x106, RunMode::Program},
        {"k.exe /DPATH:'D:\\prog\\Shop.EXE'", "UP:Kelvane", "D:\\prog", "D:\\prog\\Help", 0x106, RunMode::Program},
        {"C:\\k.exe /MODE:ADMIN", "UP:Kelvane", "C:\\", "C:\\Help", 0x209, RunMode::AdminMenu},
        {"k.exe", "UP:Kelvane", "..\\APPS", "..\\APPS\\Help", 0x009, RunMode::Plain},
        {"C:k.exe", "UP:Kelvane", "C:", "C:Help", 0x009, RunMode::Plain},
        {"\\\\srv\\share\\k.exe /RUN:x /MODE:ADMIN", "UP:Kelvane", "\\\\srv\\share", "\\\\srv\\share\\Help",
         0x301, RunMode::Preferences},
        {"k.exe /DPATH:'D:/prog/'", "UP:Kelvane", "D:/prog/", "D:\\prog\\Help", 0x106, RunMode::Program},
        {"k.exe /APNAME:'XY:Other'", "XY:Other", "..\\APPS", "..\\APPS\\Help", 0x009, RunMode::Plain},
        {"k.exe /APNAME:zz", "ZZ", "..\\APPS", "..\\APPS\\Help", 0x009, RunMode::Plain},
        {"k.exe /APNAME:", "UP:Kelvane", "..\\APPS", "..\\APPS\\Help", 0x009, RunMode::Plain},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(StoreTrim(kGroupParams, 0), 0);
        RunPlan plan{};
        const uint16_t before = PoolMark();
        ASSERT_EQ(Settings(c.line, &plan), 0) << c.line;
        EXPECT_EQ(PoolMark(), before) << c.line;
        EXPECT_EQ(Str(RunParam(kParamCommandLine)), c.line);
        EXPECT_EQ(Str(RunParam(kParamAppName)), c.name) << c.line;
        EXPECT_EQ(Str(RunParam(kParamAppDescrip)), "Kelvaner by Orvik");
        EXPECT_EQ(Str(RunParam(kParamAppFolder)), c.folder) << c.line;
        EXPECT_EQ(Str(RunParam(kParamHelpFolder)), c.help) << c.line;
        EXPECT_EQ(plan.flags, c.flags) << c.line;
        EXPECT_EQ(plan.mode, c.mode) << c.line;
    }
}

// From start-up on, dates and yes/no answers speak the catalogue's language, not the fallback's.
TEST_F(StartUpTest, DatesAndAnswersFollowTheCatalogue) {
    ASSERT_EQ(Settings("k.exe", nullptr), 0);
    const uint16_t mark = PoolMark();
    EXPECT_EQ(Str(WriteDate(T("20240131"), kDateWords)), "31 de Enero de 2024");
    EXPECT_EQ(Str(WriteDate(T("20240131"), kDateMonthYear)), "Ene 2024");
    EXPECT_EQ(Str(FieldDisplay('L', 16, T("1"))), "SI");
    EXPECT_EQ(Str(FieldStored('L', 1, T("s"))), "1");
    PoolRelease(mark);
}

TEST_F(StartUpTest, TraceOption) {
    struct Case { const char* line; int16_t trace; };
    const Case cases[] = {
        {"k.exe /TRACE:33", 33},
        {"k.exe /TRACE=32", 32},
        {"k.exe /TRACE:0", 1},     // zero keeps the default
        {"k.exe /TRACE:abc", 1},   // a word that is no yes-word reads as 0
        {"k.exe /TRACE:yes", 1},
        {"k.exe /TRACE:-1", -1},
        {"k.exe /TRACE:70000", 4464},  // cut to 16 bits
        {"k.exe", 1},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(IntSet(kSysTrace, 1), 0);
        ASSERT_EQ(Settings(c.line, nullptr), 0) << c.line;
        EXPECT_EQ(IntGet(kSysTrace), c.trace) << c.line;
    }
}

TEST_F(StartUpTest, FoldersAlreadySetAreKept) {
    ASSERT_EQ(SetRunParam(kParamAppFolder, T("E:\\keep")), 0);
    ASSERT_EQ(Settings("C:\\apps\\k.exe /DPATH:'D:\\prog'", nullptr), 0);
    EXPECT_EQ(Str(RunParam(kParamAppFolder)), "E:\\keep");
    EXPECT_EQ(Str(RunParam(kParamHelpFolder)), "E:\\keep\\Help");

    ASSERT_EQ(SetRunParam(kParamHelpFolder, T("H:\\elp")), 0);
    ASSERT_EQ(Settings("C:\\apps\\k.exe", nullptr), 0);
    EXPECT_EQ(Str(RunParam(kParamHelpFolder)), "H:\\elp");
}

TEST_F(StartUpTest, OverLongCommandLineEndsStartUp) {
    const std::string line = "k.exe /RUN:" + std::string(kMaxText, 'x');
    RunPlan plan{0x7777, RunMode::Preferences, 9, 0};
    EXPECT_EQ(Settings(line.c_str(), &plan), kErrBadCommandLine);
    EXPECT_EQ(plan.flags, 0x7777);  // untouched
    EXPECT_EQ(Str(RunParam(kParamAppName)), "");
    // A start without a command line keeps the one stored.
    ASSERT_EQ(Settings("k.exe /RUN:x", &plan), 0);
    EXPECT_EQ(WindowLayerStart(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(Str(RunParam(kParamCommandLine)), "k.exe /RUN:x");
}

// The elevated copy starts wherever the shell likes; APSTART brings it back to the run's folder,
// and a folder it cannot enter ends the start-up rather than let it act on another folder.
TEST_F(StartUpTest, ApStartIsTheWorkingFolder) {
    rt_test::TempDir there{"kvapstart"};
    const std::string before = std::filesystem::current_path().string();
    ASSERT_EQ(Settings(("k.exe /APSTART:'" + there.Path() + "'").c_str(), nullptr), 0);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(rt_test::TempDir::Native(there.Path())));
    std::filesystem::current_path(before);
    EXPECT_EQ(Settings(("k.exe /APSTART:'" + there.Path("gone") + "'").c_str(), nullptr), kErrFileNotFound);
    EXPECT_EQ(Str(ErrorDetail()), "APSTART:" + there.Path("gone"));
    EXPECT_EQ(std::filesystem::current_path().string(), before);
}

// Launchers put a word that holds a blank in double quotes, option and all: it is read as that
// option. A word that is neither an option nor a switch is kept and named for the log.
TEST_F(StartUpTest, OptionsWrappedInDoubleQuotesAndStrayWords) {
    struct Case { const char* line; const char* stored; const char* output; const char* stray; };
    const Case cases[] = {
        {"k.exe \"OUTPUT:'C:\\Program Files\\Shop'\"", "k.exe OUTPUT:'C:\\Program Files\\Shop'",
         "C:\\Program Files\\Shop", ""},
        {"\"C:\\K K\\k.exe\" \"/output='a b'\" -confirm", "\"C:\\K K\\k.exe\" /output='a b' -confirm", "a b", ""},
        {"k.exe \"NOPE:'x y'\" /OUTPUT:'z' stray:1 \"\"", "k.exe \"NOPE:'x y'\" /OUTPUT:'z' stray:1 \"\"", "z",
         "\"NOPE:'x y'\"|stray:1|\"\"|"},
        // Only the switches a run reads are known: a misspelled one and a bare word are named.
        {"k.exe -confrim banana /CONFIRM confirm -relaunched /?", "k.exe -confrim banana /CONFIRM confirm -relaunched /?", "",
         "-confrim|banana|/?|"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SetRunParam(kParamCommandLine, T(c.line)), 0);
        std::vector<std::string> stray;
        ASSERT_EQ(TidyCommandWords(&stray), 0) << c.line;
        EXPECT_EQ(Str(RunParam(kParamCommandLine)), c.stored) << c.line;
        const uint16_t mark = PoolMark();
        EXPECT_EQ(Str(OptionValue(kOptOutput)), c.output) << c.line;
        PoolRelease(mark);
        std::string named;
        for (const std::string& w : stray) named += w + "|";
        EXPECT_EQ(named, c.stray) << c.line;
    }
}

TEST_F(StartUpTest, NickIsThePartAfterTheColon) {
    ASSERT_EQ(Settings("k.exe", nullptr), 0);
    EXPECT_EQ(Str(AppNick()), "Kelvane");
    ASSERT_EQ(Settings("k.exe /APNAME:'XY:Other'", nullptr), 0);
    EXPECT_EQ(Str(AppNick()), "Other");
    ASSERT_EQ(Settings("k.exe /APNAME:'XY:a:b'", nullptr), 0);
    EXPECT_EQ(Str(AppNick()), "a:b");
    ASSERT_EQ(Settings("k.exe /APNAME:ZZ", nullptr), 0);
    EXPECT_EQ(Str(AppNick()), "");
}

// The application folder comes from the program's own path as the path routines read it, so a
// line that starts with a blank names the same folder as one that does not.
TEST_F(StartUpTest, ApplicationFolderIsTheProgramsFolder) {
    struct Case { const char* line; const char* want; };
    const Case cases[] = {
        {"C:\\a\\b\\k.exe /RUN:x", "C:\\a\\b"},
        {"\"C:\\Program Files\\K\\k.exe\" /RUN:x", "C:\\Program Files\\K"},
        {"'C:\\x y\\k.exe'", "C:\\x y"},
        {" C:\\a\\k.exe", "C:\\a"},
        {"k.exe /RUN:C:\\x\\y", "..\\APPS"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(StoreTrim(kGroupParams, 0), 0);
        ASSERT_EQ(Settings(c.line, nullptr), 0) << c.line;
        EXPECT_EQ(Str(RunParam(kParamAppFolder)), c.want) << c.line;
        EXPECT_EQ(Str(RunParam(kParamAppFolder)), Str(AppPath(kAppPathDefault))) << c.line;
    }
}

TEST_F(StartUpTest, StartUpOnARunningContextFails) {
    // The test program has set up the context already: set-up refuses to run twice.
    ASSERT_TRUE(ContextReady());
    RunPlan plan{};
    EXPECT_EQ(StartUp(nullptr, "k.exe", &plan), kErrUndefWarning);
    EXPECT_EQ(Str(RunParam(kParamCommandLine)), "");
}

TEST_F(StartUpTest, HelpFolderTooLongForATextEndsStartUp) {
    // The longest DPATH a command line can carry still leaves room for "\\Help".
    const std::string line = "k.exe /DPATH:'" + std::string(kMaxText - 15, 'd') + "'";
    ASSERT_EQ(Settings(line.c_str(), nullptr), 0);
    EXPECT_EQ(RunParam(kParamHelpFolder).len, kMaxText - 15 + 5);

    // A folder set before start-up may leave none.
    ASSERT_EQ(StoreTrim(kGroupParams, 0), 0);
    ASSERT_EQ(SetRunParam(kParamAppFolder, rt_test::V(std::string(kMaxText - 2, 'f'))), 0);
    const uint16_t before = PoolMark();
    EXPECT_EQ(Settings("k.exe", nullptr), kErrOutOfMemory);
    EXPECT_EQ(PoolMark(), before);
    EXPECT_EQ(RunParam(kParamHelpFolder).len, 0);
}
