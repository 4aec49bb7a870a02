// The HTTP update against a server inside the test program: the checks (updates off, the status
// query, the confirmation, a writable target) on both sides of the elevation check, the transfer
// of new and newer files, the state record's stamp, a corrupted file, a lock file, a refusal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "runtime/errors.h"
#include "runtime/file_info.h"
#include "runtime/params.h"
#include "runtime/streams.h"
#include "runtime/temp_pool.h"
#include "tests/support/environment.h"
#include "tests/support/fake_run_ui.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/support/today.h"
#include "tests/updater/stub_update_server.h"
#include "ui/launch.h"
#include "updater/http_update.h"
#include "updater/run_ui.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::TempDir;
using rt_test::V;
namespace fs = std::filesystem;

bool gElevated = true;
bool Elevated() { return gElevated; }

class HttpUpdateTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        dir_.Enter();
        SetRunParam(kParamAppName, T("UP:Kelvane"));
        SetRunParam(kParamDocsFolder, V(dir_.Path("docs")));
        SetLaunchSeams({.isElevated = Elevated});
        gElevated = true;
        server_.files["app.exe"] = {"program v2"};
        server_.files["sub\\data.bin"] = {std::string(3000, 'd')};
        fs::create_directories(dir_.path() / "target");
    }
    void TearDown() override {
        SetLaunchSeams({});
        EmptyParamsTest::TearDown();
    }
    SyncResult Update(RunFlags flags) {
        uint16_t mark = PoolMark();
        SyncResult r = HttpUpdate(V(server_.Base() + "/shop/app"), V(target_), flags);
        PoolRelease(mark);
        return r;
    }
    TempDir dir_{"kvhttp"};
    rt_test::ScopedEnvironment temp_{"TEMP", dir_.Path()};
    std::string target_ = dir_.Path("target");
    rt_test::StubUpdateServer server_;
    rt_test::FakeRunUi ui_;
};

TEST_F(HttpUpdateTest, AFreshTargetGetsEveryFileWithTheServersBytesAndTimes) {
    SyncResult r = Update(0x009);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\app.exe")), "program v2");
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\sub\\data.bin")), std::string(3000, 'd'));
    uint16_t mark = PoolMark();
    const FileInfo info = FileInfoOf(V(dir_.Path("target\\app.exe")));
    PoolRelease(mark);
    EXPECT_EQ(info.writeDate, 20240131);
    EXPECT_EQ(info.writeTime, 45296000);
    ASSERT_FALSE(server_.requests.empty());
    EXPECT_EQ(server_.requests[0], server_.Base() + "/cgi-bin/updater?view=12&user=ana&passw=PW&path=shop/app");
    EXPECT_EQ(ui_.Of("status:")[1], "               Conectando con el Servidor.....            ");
    // Stamped: five values in a plain run (target, utility, date, time, use SSH).
    const std::string state = TempDir::Read(dir_.Path("kelvane.dat"));
    EXPECT_EQ(state.substr(0, 2 + rt_test::TodayText().size()), ",," + rt_test::TodayText()) << state;
    EXPECT_EQ(std::count(state.begin(), state.end(), ','), 4) << state;

    // A second run transfers nothing.
    server_.requests.clear();
    r = Update(0x009);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(server_.requests.size(), 1u) << "only the list";
}

TEST_F(HttpUpdateTest, ANewerTargetIsReplacedOnlyWithOverwriteNewerAndOwnFilesAreKept) {
    dir_.Write("target\\app.exe", "local build");
    dir_.Write("target\\mine.txt", "mine");
    // The local file is newer than the server's (2024-01-31).
    SyncResult r = Update(0x001);
    EXPECT_EQ(r.count, 1) << "only the missing file";
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\app.exe")), "local build");
    r = Update(0x009);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\app.exe")), "program v2");
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\mine.txt")), "mine");
    // The replaced file was kept in the dated backup folder.
    uint16_t mark = PoolMark();
    const std::string backup = Str(BackupName(V(dir_.Path("target\\app.exe")), kBackupFolder));
    PoolRelease(mark);
    EXPECT_EQ(TempDir::Read(backup), "local build");
}

TEST_F(HttpUpdateTest, ACorruptedFileGives134AndLeavesTheOldFileAndNoStamp) {
    dir_.Write("target\\app.exe", "old");
    fs::last_write_time(TempDir::Native(dir_.Path("target\\app.exe")), fs::file_time_type::clock::now() - std::chrono::hours(24 * 3650));
    server_.files["app.exe"].badChecksum = true;
    SyncResult r = Update(0x009);
    EXPECT_EQ(r.code, kErrTransUp);
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\app.exe")), "old");
    EXPECT_EQ(TempDir::Read(dir_.Path("kelvane.dat")), "<missing>");
}

TEST_F(HttpUpdateTest, ALockFileOrARefusalEndsTheUpdateBeforeAnythingIsCopied) {
    server_.files["locked.on"] = {""};
    EXPECT_EQ(Update(0x009).code, kErrPermission);
    EXPECT_FALSE(fs::exists(dir_.path() / "target" / "app.exe"));
    // Refused: the password reset's list comes up once the status window has gone.
    SetRunParam(kParamAppFolder, V(dir_.Path()));
    dir_.Write("Kelvane", "USER$='ana'\r\nPASSW$='WRONG'\r\n");
    server_.listAnswer = "Error #175.Permission Denied";
    ui_.events.clear();
    ui_.manyChoices = {"<cancel>"};
    EXPECT_EQ(Update(0x009).code, kErrPermission);
    const auto many = std::find_if(ui_.events.begin(), ui_.events.end(),
                                   [](const std::string& e) { return e.rfind("many:", 0) == 0; });
    ASSERT_NE(many, ui_.events.end());
    EXPECT_EQ(*many, "many:Reinicio de contrase\xf1" "as|Servidor desconocido");
    EXPECT_EQ(*(many - 1), "hide");
}

// The address is checked before anyone is asked for a password, and a source with its own query
// needs none.
TEST_F(HttpUpdateTest, CredentialsOnlyForASourceThatNeedsThem) {
    for (const RunFlags flags : {RunFlags{0x101}, RunFlags{0x107}}) {
        server_.credentialsAsked = 0;
        EXPECT_EQ(HttpUpdate(V(server_.Base()), V(target_), flags).code, kErrBadInput) << flags;
        EXPECT_EQ(server_.credentialsAsked, 0) << flags;
    }
    // An address no request could reach (no host, a port past 65535) asks for nothing either, and
    // names itself.
    for (const char* bad : {"http:///shop/app", "http://127.0.0.1:65536/shop/app"}) {
        server_.credentialsAsked = 0;
        EXPECT_EQ(HttpUpdate(T(bad), V(target_), 0x107).code, kErrBadInput) << bad;
        EXPECT_EQ(server_.credentialsAsked, 0) << bad;
        EXPECT_EQ(Str(ErrorDetail()), std::string("Not a usable server address: ") + bad);
    }
    server_.credentialsAsked = 0;
    HttpUpdate(V(server_.Base() + "/cgi-bin/updater?view=12&path=shop/app"), V(target_), 0x101);
    EXPECT_EQ(server_.credentialsAsked, 0);
    HttpUpdate(V(server_.Base() + "/shop/app"), V(target_), 0x101);
    EXPECT_EQ(server_.credentialsAsked, 1) << "a plain source asks, once";
}

TEST_F(HttpUpdateTest, UpdatesSwitchedOffInTheStateRecordGive124) {
    dir_.Write("kelvane.dat", "0,tool,20240101,10:00:00,0,");
    EXPECT_EQ(Update(0x101).code, kErrUndefWarning);
    EXPECT_TRUE(server_.requests.empty());
    EXPECT_NE(TempDir::Read(dir_.Path("UPlog.txt")).find("Updates are switched off"), std::string::npos);
    // Only "0" switches them off: a record the preferences of no program wrote (a folder first)
    // or any other value leaves them on.
    for (const char* record : {"Z:\\apps\\app1,,,,", "N,tool,,,0,", "1,tool,,,0,"}) {
        dir_.Write("kelvane.dat", record);
        EXPECT_EQ(Update(0x101).code, 0) << record;
    }
    // Without a program the flag is not stored: always on.
    EXPECT_EQ(Update(0x009).code, 0);
}

// Elevated or not (a scheduled task as SYSTEM), a run asks first; only the relaunched copy does not.
TEST_F(HttpUpdateTest, TheStatusQueryConfirmationAndWritabilityComeFirst) {
    gElevated = true;
    dir_.Write("kelvane.dat", "1,tool,20240101,10:00:00,0,");
    // DPATH's flags: AskServer, Confirm, no Apply.
    server_.statusAnswer = 0;
    EXPECT_EQ(Update(0x106).code, kErrUserCanceled) << "the server says nothing changed";
    ASSERT_EQ(server_.requests.size(), 1u);
    EXPECT_EQ(server_.requests[0],
              server_.Base() + "/cgi-bin/updater?view=12&user=ana&passw=PW&path=shop/app&downfile=none&date=20240101&time=36000000");
    EXPECT_TRUE(ui_.Of("box5:").empty());

    server_.statusAnswer = kErrUndefWarning;
    ui_.yes = {false};
    EXPECT_EQ(Update(0x106).code, kErrUserCanceled) << "declined";
    ASSERT_EQ(ui_.Of("box5:").size(), 1u);
    EXPECT_EQ(ui_.Of("box5:")[0], "Se actualizara la carpeta " + target_ + ".\r\n Por favor confirmar");

    ui_.yes = {true};
    EXPECT_EQ(Update(0x106).code, kErrUndefWarning) << "checked and confirmed, nothing applied";
    EXPECT_FALSE(fs::exists(dir_.path() / "target" / "app.exe"));

    server_.statusAnswer = kErrPermission;
    EXPECT_EQ(Update(0x106).code, kErrPermission);

    // A target that cannot be written: 131 with Apply (the relaunch follows), 125 without.
    server_.statusAnswer = kErrUndefWarning;
    target_ = dir_.Write("not-a-folder", "x");
    ui_.yes = {true, true};
    EXPECT_EQ(Update(0x107).code, kErrFileIo);
    EXPECT_EQ(Update(0x106).code, kErrTypeWarning);
    EXPECT_TRUE(fs::is_empty(dir_.path() / "target")) << "no probe file left";
    server_.requests.clear();
    EXPECT_EQ(Update(0x506).code, kErrUndefWarning);
    EXPECT_TRUE(server_.requests.empty());
    // With nobody there, the confirmation of a check, which changes nothing, counts as yes.
    target_ = dir_.Path("target");
    UseRunUi(BatchRunUi());
    EXPECT_EQ(Update(0x106).code, kErrUndefWarning);
    UseRunUi(ui_);
}

TEST_F(HttpUpdateTest, TheRelaunchedCopySkipsTheChecksAndAProgramsRecordKeepsSixValues) {
    gElevated = true;
    SyncResult r = Update(0x501);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(ui_.Of("box5:").empty());
    for (const auto& a : server_.requests) EXPECT_EQ(a.find("downfile=none"), std::string::npos) << a;
    const std::string state = TempDir::Read(dir_.Path("kelvane.dat"));
    EXPECT_EQ(std::count(state.begin(), state.end(), ','), 5) << state;
    EXPECT_EQ(state.substr(0, 3 + rt_test::TodayText().size()), "1,," + rt_test::TodayText()) << state;
}

}  // namespace
}  // namespace rt
