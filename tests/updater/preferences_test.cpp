// The preferences panel: the fields shown for each layout of the state record, what an accepted
// panel writes, and "check now" running the update.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "tests/support/environment.h"
#include "tests/support/fake_run_ui.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/updater/stub_update_server.h"
#include "ui/launch.h"
#include "updater/preferences.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::TempDir;
using rt_test::V;

TEST(PreferencesForm, OnlyTheFieldsTheFileKeeps) {
    uint16_t mark = PoolMark();
    StrRef record = T("1,\"C:\\it's\",C:\\k\\k.exe,20240101,10:00:00,0,");
    StrRef plain = PreferencesForm(0, record);
    EXPECT_EQ(FieldCount(plain, ','), 5);
    EXPECT_EQ(Str(Field(plain, ',', 1)), "'Carpeta de destino:':'A80'::\"C:\\it's\"");
    EXPECT_EQ(Str(Field(plain, ',', 5)), "'{-1,}Usar SSH:':'L1'::'0'");
    StrRef program = PreferencesForm(RunFlag::ProgramGiven, record);
    EXPECT_EQ(FieldCount(program, ','), 6);
    EXPECT_EQ(Str(Field(program, ',', 1)), "'Comprobar actualizaciones:':'L1'::'1'");
    EXPECT_EQ(Str(Field(program, ',', 4)), "'{-1,+12}a ':'T8'::'10:00:00'");
    EXPECT_EQ(Str(Field(program, ',', 6)), "'Comprobar actualizaciones ahora:':'L1'::0");
    PoolRelease(mark);
}

TEST(PreferencesRecord, ValuesGoBackToTheirPlaces) {
    uint16_t mark = PoolMark();
    StrRef record = T("1,C:\\t,u,20240101,10:00:00,0,");
    EXPECT_EQ(Str(PreferencesRecord(0, record, T("'D:\\x','u2','20240202','11:00:00','1'"))),
              "1,D:\\x,u2,20240202,11:00:00,1,");
    EXPECT_EQ(Str(PreferencesRecord(RunFlag::ProgramGiven, record, T("'0','u2','20240202','11:00:00','1','S'"))),
              "0,C:\\t,u2,20240202,11:00:00,1,");
    // A folder holding a quote or a comma stays one field of the record.
    EXPECT_EQ(Str(PreferencesRecord(0, record, T("\"D:\\it's\",'a,b','20240202','11:00:00','1'"))),
              "1,\"D:\\it's\",'a,b',20240202,11:00:00,1,");
    // So does a blank at either end, which the panel's reader would otherwise trim away.
    EXPECT_EQ(Str(PreferencesRecord(0, record, T("' D:\\x','u2','20240202','11:00:00','1'"))),
              "1,' D:\\x',u2,20240202,11:00:00,1,");
    PoolRelease(mark);
}

bool Elevated() { return true; }

class PreferencesPanelTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        dir_.Enter();
        SetRunParam(kParamAppName, T("UP:Kelvane"));
        SetLaunchSeams({.isElevated = Elevated});
        std::filesystem::create_directories(dir_.path() / "target");
        server_.files["app.exe"] = {"v2"};
    }
    void TearDown() override {
        SetLaunchSeams({});
        EmptyParamsTest::TearDown();
    }
    std::string Pair() const { return server_.Base() + "/shop," + dir_.Path("target"); }
    TempDir dir_{"kvprefs"};
    rt_test::ScopedEnvironment temp_{"TEMP", dir_.Path()};
    rt_test::StubUpdateServer server_;
    rt_test::FakeRunUi ui_;
};

TEST_F(PreferencesPanelTest, AnAcceptedPanelIsWrittenAndCheckNowUpdates) {
    dir_.Write("kelvane.dat", "1,k.exe,20240101,10:00:00,0,");
    ui_.forms = {{0, {"1", "k.exe", "20240101", "10:00:00", "0", "N"}}};
    EXPECT_EQ(PreferencesPanel(RunFlag::ProgramGiven | RunFlag::Apply, V(Pair())), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("kelvane.dat")), "1,k.exe,20240101,10:00:00,0,") << "unchanged: not written";
    ASSERT_EQ(ui_.Of("form:").size(), 1u);
    EXPECT_EQ(ui_.Of("form:")[0].substr(0, 36), "Panel de Control de Actualizaciones|");

    ui_.forms = {{0, {"0", "k.exe", "20240101", "10:00:00", "1", "N"}}};
    EXPECT_EQ(PreferencesPanel(RunFlag::ProgramGiven | RunFlag::Apply, V(Pair())), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("kelvane.dat")), "0,k.exe,20240101,10:00:00,1,");
    EXPECT_TRUE(server_.requests.empty());

    // Check now: the update runs (and would be switched off by field 1: 124 counts as 0).
    ui_.forms = {{0, {"1", "k.exe", "20240101", "10:00:00", "0", "S"}}};
    EXPECT_EQ(PreferencesPanel(RunFlag::ProgramGiven | RunFlag::Apply, V(Pair())), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("target\\app.exe")), "v2");
    EXPECT_EQ(ui_.Of("box0:"), std::vector<std::string>{"Actualizaci\xf3n concluida. 1 archivos actualizados"});
    // Left without accepting.
    EXPECT_EQ(PreferencesPanel(RunFlag::ProgramGiven | RunFlag::Apply, V(Pair())), kErrUserCanceled);
}

}  // namespace
}  // namespace rt
