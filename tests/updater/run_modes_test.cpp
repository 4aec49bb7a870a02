// The run modes on the host: the update run and its report line, completion, the editor after
// 164, the elevated relaunch on both sides of the elevation check, the program's start, a serious
// error in a program run, and a batch run that shows nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/staged_update.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "tests/support/environment.h"
#include "tests/support/fake_run_ui.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/updater/stub_update_server.h"
#include "ui/launch.h"
#include "updater/run_modes.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::TempDir;
using rt_test::V;
namespace fs = std::filesystem;

bool gElevated = true;
std::vector<std::string> gLaunched;
intptr_t gShellAnswer = 42;
intptr_t gSpawnAnswer = 0;
uint32_t gCopyExit = 0;
bool Elevated() { return gElevated; }
intptr_t Shell(const char* verb, const char* program, const char* parameters, uint32_t* exitCode) {
    gLaunched.push_back(std::string(verb) + "|" + program + "|" + (parameters ? parameters : "<none>"));
    if (exitCode) *exitCode = gCopyExit;
    return gShellAnswer;
}
intptr_t SpawnIt(bool wait, const char* program, const char* const* argv, int* err) {
    std::string line = std::string(wait ? "wait|" : "spawn|") + program;
    for (const char* const* a = argv; *a; ++a) line += std::string("|") + *a;
    gLaunched.push_back(line);
    if (gSpawnAnswer < 0) *err = 2;
    return gSpawnAnswer;
}

std::string Text(ErrCode code) {
    uint16_t mark = PoolMark();
    std::string s = Str(ErrorText(code));
    PoolRelease(mark);
    return s;
}

class RunModesTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        dir_.Enter();
        SetLaunchSeams({.isElevated = Elevated, .shellExecute = Shell, .spawn = SpawnIt});
        gElevated = true;
        gLaunched.clear();
        gShellAnswer = 42;
        gSpawnAnswer = 0;
        gCopyExit = 0;
        server_.files["app.exe"] = {"program v2"};
        fs::create_directories(dir_.path() / "target");
    }
    void TearDown() override {
        SetLaunchSeams({});
        EmptyParamsTest::TearDown();
    }
    // Start-up's settings for a command line, then the run.
    ErrCode Run(const std::string& line) {
        EXPECT_EQ(SetRunParam(kParamCommandLine, V(line)), 0);
        SetRunParam(kParamAppName, T("UP:Kelvane"));
        SetRunParam(kParamAppFolder, V(dir_.Path()));
        SetRunParam(kParamDocsFolder, V(dir_.Path("docs")));
        RunPlan plan = PlanRunFromOptions();
        uint16_t mark = PoolMark();
        const ErrCode code = RunUpdater(plan, ui_);
        EXPECT_EQ(PoolMark(), mark);
        return code;
    }
    std::string Log() const { return TempDir::Read(dir_.Path("UPlog.txt")); }
    std::string Http() const { return "/INPUT:'" + server_.Base() + "/shop' /OUTPUT:'" + dir_.Path("target") + "'"; }
    TempDir dir_{"kvmodes"};
    rt_test::ScopedEnvironment temp_{"TEMP", dir_.Path()};
    rt_test::ScopedEnvironment programData_{"ProgramData", dir_.Path("pd")};
    rt_test::StubUpdateServer server_;
    rt_test::FakeRunUi ui_;
};

TEST_F(RunModesTest, APlainRunUpdatesShowsTheCompletionAndReports) {
    const std::string line = "C:\\k\\kelvaner.exe " + Http();
    EXPECT_EQ(Run(line), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\app.exe")), "program v2");
    EXPECT_EQ(ui_.Of("box0:"), std::vector<std::string>{"Actualizaci\xf3n concluida. 1 archivos actualizados"});
    EXPECT_NE(Log().find("Update Report: Proceso Completado Satisfactoriamente CommandLine: " + line), std::string::npos)
        << Log();
    EXPECT_TRUE(gLaunched.empty());
}

// What a killed run left behind in the target (replacements beside their files, in subfolders
// too) goes at the next run whatever its age: only the run holding the folder's lock could own
// such files. In the shared temporary folder only old ones go. Other names stay.
TEST_F(RunModesTest, ARunRemovesWhatKilledRunsLeftAndNothingOfALiveOne) {
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(72);
    const fs::path target = dir_.path() / "target";
    fs::create_directories(target / "sub");
    for (const fs::path& p : {target / "~kv0123456789ab.tmp", dir_.path() / "kvh0123456789ab.tmp", target / "notes.tmp"}) {
        std::ofstream(p) << "left behind";
        fs::last_write_time(p, old);
    }
    for (const fs::path& p : {target / "~kc0123456789ab.tmp", target / "sub" / "~kvo0123456789ab.tmp", dir_.path() / "kvh0123456789ac.tmp"})
        std::ofstream(p) << "young";
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe " + Http()), 0);
    for (const fs::path& p : {target / "~kv0123456789ab.tmp", target / "~kc0123456789ab.tmp", target / "sub" / "~kvo0123456789ab.tmp",
                              dir_.path() / "kvh0123456789ab.tmp"})
        EXPECT_FALSE(fs::exists(p)) << p;
    EXPECT_TRUE(fs::exists(target / "notes.tmp"));
    EXPECT_TRUE(fs::exists(dir_.path() / "kvh0123456789ac.tmp")) << "a young file in the temporary folder may be a live run's";
    // A live run holds the folder: a second one touches nothing and says why.
    std::ofstream(target / "~kv0123456789ab.tmp") << "a live run's";
    {
        const uint16_t mark = PoolMark();
        FolderLock live(V(dir_.Path("target")));
        PoolRelease(mark);
        ASSERT_EQ(live.error(), 0);
        EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH " + Http()), kErrPermission);
    }
    EXPECT_TRUE(fs::exists(target / "~kv0123456789ab.tmp"));
    EXPECT_NE(Log().find("another update of " + dir_.Path("target") + " is running"), std::string::npos) << Log();
}

TEST_F(RunModesTest, AFailedRunIsShownReportedAndIsTheExitCode) {
    const std::string line = "C:\\k\\kelvaner.exe /INPUT:'" + server_.Base() + "/shop' /OUTPUT:'" + dir_.Path("none") + "'";
    ui_.yes = {false};
    EXPECT_EQ(Run(line), kErrBadInput);
    // 163: the question whether to open the configuration, then the error box.
    ASSERT_EQ(ui_.Of("box5:").size(), 1u);
    EXPECT_EQ(ui_.Of("box5:")[0].substr(ui_.Of("box5:")[0].find("\r\n")), "\r\nConfiguraci\xf3n.\xbf" "Continuar?");
    ASSERT_EQ(ui_.Of("box3:").size(), 1u);
    EXPECT_NE(ui_.Of("box3:")[0].find(dir_.Path("none")), std::string::npos) << ui_.Of("box3:")[0];
    EXPECT_NE(Log().find("Update Report: " + Text(kErrBadInput) + " CommandLine: " + line), std::string::npos) << Log();
    // A source with its own query keeps its password out of the report line.
    const std::string query = "C:\\k\\kelvaner.exe /INPUT:'" + server_.Base() + "/x?user=ana&passw=s3cr3t&path=a' /OUTPUT:'" +
                              dir_.Path("none") + "'";
    Run(query);
    EXPECT_EQ(Log().find("s3cr3t"), std::string::npos) << Log();
    EXPECT_NE(Log().find("?user=ana&passw=***&path=a' /OUTPUT:"), std::string::npos) << Log();
}

TEST_F(RunModesTest, WithoutAConfigurationFileThePlainRunOpensTheEditor) {
    ui_.choices = {0};
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe"), 0) << "the editor's result";
    ASSERT_EQ(ui_.Of("select:").size(), 1u);
    EXPECT_EQ(ui_.Of("select:")[0], "Seleccione su opci\xf3n|Nuevo");
    EXPECT_TRUE(ui_.Of("box3:").empty());
    EXPECT_NE(Log().find("Update Report: " + Text(kErrFileNotFound)), std::string::npos) << Log();
}

TEST_F(RunModesTest, ABatchRunShowsNoWindowAndKeepsItsCodes) {
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH"), kErrFileNotFound) << "no editor in a batch run";
    // Nobody chooses among several applications: each is updated in turn, a report line each,
    // and the first serious code is the exit code.
    dir_.Write("config.txt", "Gone-'" + server_.Base() + "/shop," + dir_.Path("gone") + "'\r\nShop-'" + server_.Base() +
                                 "/shop," + dir_.Path("target") + "'\r\n");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH"), kErrBadInput);
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\app.exe")), "program v2") << "the second after the first failed";
    size_t reports = 0;
    for (size_t at = 0; (at = Log().find("Update Report: ", at)) != std::string::npos; ++at) ++reports;
    EXPECT_EQ(reports, 3u) << Log();
    for (const char* folder : {"gone", "target"})
        EXPECT_NE(Log().find("CommandLine: C:\\k\\kelvaner.exe /MODE:BATCH Folder: " + dir_.Path(folder)), std::string::npos)
            << "each report line names its application's folder: " << Log();
    fs::remove(dir_.path() / "config.txt");
    fs::remove(dir_.path() / "target" / "app.exe");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH " + Http()), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\app.exe")), "program v2");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH /INPUT:'" + server_.Base() + "/x' /OUTPUT:'" + dir_.Path("gone") + "'"),
              kErrBadInput);
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH /INPUT:'" + server_.Base() + "/shop' /OUTPUT:'" + dir_.Path("target") + "\\'"), 0)
        << "a folder given with a trailing backslash";
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH /MODE:ADMIN " + Http()), 0) << "the first MODE counts";
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:ADMIN /MODE:BATCH " + Http()), kErrUserCanceled)
        << "a BATCH anywhere shows nothing: the menu's question is answered no";
    // A folder source that is not there is no folder up to date: its code and its path.
    const std::string gone = dir_.Path("no such source");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH /INPUT:'" + gone + "' /OUTPUT:'" + dir_.Path("target") + "'"),
              kErrFileNotFound);
    EXPECT_NE(Log().find(gone), std::string::npos) << Log();
    EXPECT_TRUE(ui_.events.empty()) << ui_.events.front();
    // What a box would have said is in the log.
    EXPECT_NE(Log().find("Actualizaci\xf3n concluida. 1 archivos actualizados"), std::string::npos) << Log();
    EXPECT_NE(Log().find(Text(kErrBadInput) + "(Streams): " + dir_.Path("gone")), std::string::npos) << Log();
}

TEST_F(RunModesTest, TheElevatedRelaunchOnBothSidesOfTheCheck) {
    gElevated = true;
    EXPECT_EQ(ElevatedRelaunch(), kErrInternal);
    EXPECT_TRUE(gLaunched.empty());

    gElevated = false;
    // The elevated copy starts where the shell likes: it gets the working folder and every option
    // that decides what is updated from where, quoted to read back exactly.
    const uint16_t mark = PoolMark();
    const std::string here = "/relaunched APSTART:'" + Str(CurrentFolder()) + "'";
    PoolRelease(mark);
    const struct { std::string run, parameters; } cases[] = {
        {"", here},
        {"/RUN:'C:\\apps\\shop.exe'", here + " RUN:'C:\\apps\\shop.exe'"},
        {"/RUN:\"C:\\O'Brien\\shop.exe\"", here + " RUN:\"C:\\O'Brien\\shop.exe\""},
        {"/TRACE:33 /MODE:ADMIN /APNAME:'XY:Shop' /HOST:h.test /OUTPUT:'C:\\Program Files\\Shop' /INPUT:\\\\s\\a",
         // unquoted values come as the run read them (upper case), quoted as they were written
         here + " INPUT:'\\\\S\\A' OUTPUT:'C:\\Program Files\\Shop' HOST:'H.TEST' APNAME:'XY:Shop' TRACE:'33'"},
    };
    gCopyExit = kErrTransUp;  // the copy's exit code is the result; no process to wait on, 124
    for (const auto& c : cases) {
        gLaunched.clear();
        SetRunParam(kParamCommandLine, V("\"C:\\Program Files\\K\\kelvaner.exe\" " + c.run));
        EXPECT_EQ(ElevatedRelaunch(), kErrTransUp) << c.run;
        EXPECT_EQ(gLaunched, std::vector<std::string>{"runas|C:\\Program Files\\K\\kelvaner.exe|" + c.parameters});
    }
    gCopyExit = kExitUnknown;
    EXPECT_EQ(ElevatedRelaunch(), kErrUndefWarning);
    // The copy itself never relaunches, elevated or not.
    SetRunParam(kParamCommandLine, V("\"C:\\Program Files\\K\\kelvaner.exe\" /relaunched"));
    EXPECT_EQ(ElevatedRelaunch(), kErrInternal);
    // The shell refused and the program is there: 175; not there: 164.
    gShellAnswer = 5;
    SetRunParam(kParamCommandLine, V(dir_.Path("UPlog.txt")));
    dir_.Write("UPlog.txt", "");
    EXPECT_EQ(ElevatedRelaunch(), kErrPermission);
    SetRunParam(kParamCommandLine, T("C:\\nowhere\\kelvaner.exe"));
    EXPECT_EQ(ElevatedRelaunch(), kErrFileNotFound);
}

ErrCode RefuseProbe(FsFaultPoint point, const char* path) {
    return point == kFaultOpen && std::string(path).find("~kw") != std::string::npos ? kErrPermission : 0;
}

// Who starts the program: the run that could write; else, as the user, the run that started the
// elevated copy, once it ended, its code the run's and shown by the copy only; never the copy.
TEST_F(RunModesTest, TheProgramStartsAsTheUserWhoeverUpdated) {
    const std::string run = "/RUN:'" + dir_.Path("app\\shop.exe") + "' ";
    const struct { bool elevated, writable; std::string options; uint32_t copyExit; ErrCode want; std::string launched; size_t shown; } cases[] = {
        {false, true, run, 0, 0, "spawn", 1},
        {false, false, run, 0, 0, "runas,spawn", 0},
        {false, false, run, kErrUserCanceled, kErrUserCanceled, "runas", 0},
        {false, false, run, kErrTransUp, kErrTransUp, "runas,spawn", 0},
        {false, false, "", kErrFileNotFound, kErrFileNotFound, "runas", 0},
        {false, false, "/MODE:BATCH " + run, 0, kErrFileIo, "spawn", 0},
        {true, true, "/relaunched " + run, 0, 0, "", 1},
    };
    for (const auto& c : cases) {
        gElevated = c.elevated, gCopyExit = c.copyExit;
        gLaunched.clear(), ui_.events.clear();
        fs::remove(dir_.path() / "target" / "app.exe");
        if (!c.writable) SetFsSeams({.fault = RefuseProbe});
        EXPECT_EQ(Run("C:\\k\\kelvaner.exe " + c.options + Http()), c.want) << c.options << c.copyExit;
        SetFsSeams({});
        std::string launched;
        for (const std::string& l : gLaunched) launched += (launched.empty() ? "" : ",") + l.substr(0, l.find('|'));
        EXPECT_EQ(launched, c.launched) << c.options << c.copyExit;
        EXPECT_EQ(fs::exists(dir_.path() / "target" / "app.exe"), c.writable) << c.options;
        EXPECT_EQ(ui_.Of("box0:").size() + ui_.Of("box3:").size() + ui_.Of("select:").size(), c.shown) << c.options << c.copyExit;
    }
}

TEST_F(RunModesTest, ARunThatCannotWriteItsTargetRelaunchesItselfWithItsRunValue) {
    gElevated = false;
    SetFsSeams({.fault = RefuseProbe});
    const std::string program = dir_.Path("app\\shop.exe");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /RUN:'" + program + "' " + Http()), 0);
    SetFsSeams({});
    ASSERT_EQ(gLaunched.size(), 2u);
    EXPECT_EQ(gLaunched[0].rfind("runas|C:\\k\\kelvaner.exe|/relaunched APSTART:'", 0), 0u) << gLaunched[0];
    EXPECT_NE(gLaunched[0].find(" RUN:'" + program + "' INPUT:'"), std::string::npos) << gLaunched[0];
    // A batch run asks nobody: 131, and the log says why. Already elevated: 141, and the report
    // line carries it with its own detail.
    SetFsSeams({.fault = RefuseProbe});
    gLaunched.clear();
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH /RUN:'" + program + "' " + Http()), kErrFileIo);
    EXPECT_TRUE(gLaunched.size() == 1 && gLaunched[0].rfind("spawn|", 0) == 0) << "the program still starts";
    EXPECT_NE(Log().find("a batch run does not ask to run as administrator: " + dir_.Path("target")), std::string::npos)
        << Log();
    EXPECT_NE(Log().find("Update Report: " + Text(kErrFileIo)), std::string::npos) << Log();
    SetFsSeams({});
    gElevated = true;
    EXPECT_EQ(ElevatedRelaunch(), kErrInternal);
    EXPECT_EQ(Str(ErrorDetail()).rfind("Not writable even as administrator: ", 0), 0u) << Str(ErrorDetail());
}

TEST_F(RunModesTest, TheProgramStartsAfterTheUpdateUnlessItIsCalledNone) {
    const std::string program = dir_.Path("target\\app.exe");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /RUN:'" + program + "' " + Http()), 0);
    EXPECT_EQ(gLaunched, std::vector<std::string>{"spawn|" + program + "|\"" + program + "\""});
    gLaunched.clear();
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /RUN:'" + dir_.Path("target\\None") + "' " + Http()), 0);
    EXPECT_TRUE(gLaunched.empty());
    // A program that cannot be started: 164 against it, shown.
    gSpawnAnswer = -1;
    ui_.events.clear();
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /RUN:'" + program + "' " + Http()), kErrFileNotFound);
    ASSERT_EQ(ui_.Of("box3:").size(), 1u);
    EXPECT_NE(ui_.Of("box3:")[0].find(program), std::string::npos);
}

TEST_F(RunModesTest, ASeriousErrorInAProgramRunIsShownAndTheProgramStillStarts) {
    server_.files["app.exe"].badChecksum = true;
    const std::string program = dir_.Path("target\\app.exe");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /RUN:'" + program + "' " + Http()), 0);
    ASSERT_EQ(ui_.Of("box3:").size(), 1u);
    EXPECT_NE(ui_.Of("box3:")[0].find("Bad CRC"), std::string::npos) << ui_.Of("box3:")[0];
    EXPECT_EQ(gLaunched.size(), 1u);
    EXPECT_NE(Log().find("Update Report: " + Text(kErrTransUp)), std::string::npos) << Log();
    // A batch caller has only the exit code: it keeps the update's result; the program starts.
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH /RUN:'" + program + "' " + Http()), kErrTransUp);
    EXPECT_EQ(gLaunched.size(), 2u);
}

TEST_F(RunModesTest, DpathChecksButAppliesNothingAndStartsNothing) {
    gElevated = false;
    ui_.yes = {true};
    const std::string program = dir_.Path("target\\app.exe");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /DPATH:'" + program + "' " + Http()), kErrUndefWarning);
    EXPECT_FALSE(fs::exists(dir_.path() / "target" / "app.exe"));
    EXPECT_TRUE(gLaunched.empty());
    EXPECT_EQ(ui_.Of("box5:").size(), 1u) << "the confirmation";
    // The "confirm" switch asks when the pair is chosen; the checks do not ask a second time.
    ui_.events.clear();
    ui_.yes = {true};
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /DPATH:'" + program + "' " + Http() + " -confirm"), kErrUndefWarning);
    EXPECT_EQ(ui_.Of("box5:").size(), 1u) << "one question for one target";
    // From a folder the check copies nothing either: 124 with what would change in the log, 122
    // when nothing would.
    dir_.Write("src\\app.exe", "program v3");
    const std::string folder = " /INPUT:'" + dir_.Path("src") + "' /OUTPUT:'" + dir_.Path("target") + "'";
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH /DPATH:'" + program + "'" + folder), kErrUndefWarning);
    EXPECT_FALSE(fs::exists(dir_.path() / "target" / "app.exe"));
    EXPECT_NE(Log().find("Would update: " + program), std::string::npos) << Log();
    fs::remove(dir_.path() / "src" / "app.exe");
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:BATCH /DPATH:'" + program + "'" + folder), kErrUserCanceled);
    EXPECT_TRUE(gLaunched.empty());
}

TEST_F(RunModesTest, TheAdministrationMenuThenTheQuestionWhetherToGoOn) {
    ui_.choices = {0};
    ui_.yes = {false};
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:ADMIN " + Http()), kErrUserCanceled);
    EXPECT_EQ(ui_.Of("select:"),
              std::vector<std::string>{"Seleccione su opci\xf3n|Credenciales,Configuraci\xf3n,Preferencias"});
    EXPECT_EQ(ui_.Of("box5:"), std::vector<std::string>{"\xbf" "Continuar?"});
    EXPECT_FALSE(fs::exists(dir_.path() / "target" / "app.exe"));
    EXPECT_EQ(Log().find("Update Report"), std::string::npos) << "no update, no report line";
    // An item that fails (here the credentials form, with no form runner) is shown, and the menu
    // comes back.
    ui_.events.clear();
    ui_.menuUses.clear();
    ui_.choices = {1, 0};
    ui_.forms = {{kErrScreenEnviron, {}}};
    ui_.yes = {true};
    EXPECT_EQ(Run("C:\\k\\kelvaner.exe /MODE:ADMIN " + Http()), 0);
    EXPECT_EQ(ui_.Of("select:").size(), 2u);
    EXPECT_EQ(ui_.menuUses, (std::vector<MenuUse>{MenuUse::Open, MenuUse::Again})) << "one window for the loop";
    EXPECT_EQ(ui_.Of("box3:").size(), 1u);
    EXPECT_TRUE(fs::exists(dir_.path() / "target" / "app.exe"));
}

}  // namespace
}  // namespace rt
