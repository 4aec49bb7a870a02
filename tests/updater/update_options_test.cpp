// The source and target of a run: the environment-relative form of a folder, default sources, the
// pair for a folder from the configuration file, and the options INPUT, OUTPUT, RUN and "confirm".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "tests/support/environment.h"
#include "tests/support/fake_run_ui.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "updater/update_options.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::TempDir;
using rt_test::V;

TEST(EnvironmentRelative, FirstFolderThatHoldsTheTargetWins) {
    rt_test::ScopedEnvironment e1("ALLUSERSPROFILE", "C:\\ProgramData");
    rt_test::ScopedEnvironment e2("APPDATA", "C:\\Users\\Ana\\AppData\\Roaming");
    rt_test::ScopedEnvironment e3("ProgramData", "D:\\Data");
    rt_test::ScopedEnvironment e4("CommonProgramFiles", "C:\\Program Files\\Common Files");
    rt_test::ScopedEnvironment e5("HOMEDRIVE", "C:");
    rt_test::ScopedEnvironment e6("ProgramFiles", "C:\\Program Files");
    const struct { const char* folder; const char* relative; } cases[] = {
        {"C:\\ProgramData\\Shop\\App", "shop/app"},
        {"c:\\programdata\\SHOP\\", "shop"},
        {"E:\\ProgramData\\Shop", "shop"},  // drives are not compared
        {"C:\\ProgramData2\\Shop", "default"},
        {"C:\\ProgramData", "default"},
        {"C:\\Users\\Ana\\AppData\\Roaming\\Tool", "tool"},
        {"D:\\Data\\X\\Y\\Z", "x/y/z"},
        {"C:\\Program Files\\Common Files\\Lib", "lib"},
        // HOMEDRIVE holds only a drive: the search ends before ProgramFiles.
        {"C:\\Program Files\\Shop", "default"},
        {"C:/ProgramData/Shop/App", "shop/app"},
    };
    for (const auto& c : cases) {
        uint16_t mark = PoolMark();
        EXPECT_EQ(Str(EnvironmentRelative(T(c.folder))), c.relative) << c.folder;
        EXPECT_LE(PoolMark(), mark + 1);
        PoolRelease(mark);
    }
    rt_test::ScopedEnvironment unset("ALLUSERSPROFILE", "");
    EXPECT_EQ(Str(EnvironmentRelative(T("C:\\Users\\Ana\\AppData\\Roaming\\Tool"))), "default")
        << "an unset variable ends the search";
}

TEST(DefaultSource, SchemeHostAndRelativePath) {
    uint16_t mark = PoolMark();
    EXPECT_EQ(Str(DefaultSource(T("upd.example"), T("shop/app"), false)), "http://upd.example/updater/shop/app");
    EXPECT_EQ(Str(DefaultSource(T("upd.example"), T("default"), true)), "https://upd.example/updater/default");
    EXPECT_EQ(StrError(DefaultSource(StrErr(145), T("x"), false)), 145);
    PoolRelease(mark);
}

class UpdateOptionsTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        dir_.Enter();
        SetRunParam(kParamAppName, T("UP:Kelvane"));
    }
    void TearDown() override {
        IntSet(kSysTrace, 1);
        EmptyParamsTest::TearDown();
    }
    void CommandLine(const std::string& line) { ASSERT_EQ(SetRunParam(kParamCommandLine, V(line)), 0); }
    std::string Options() {
        uint16_t mark = PoolMark();
        std::string s = Str(UpdateOptions(RunFlag::Apply, T("upd.example")));
        PoolRelease(mark);
        return s;
    }
    TempDir dir_{"kvoptions"};
    rt_test::ScopedEnvironment programData_{"ProgramData", dir_.Path("pd")};
    rt_test::ScopedEnvironment allUsers_{"ALLUSERSPROFILE", dir_.Path("pd")};
    rt_test::FakeRunUi ui_;
};

TEST_F(UpdateOptionsTest, TheFolderOfAProgramFindsItsLineOrADefault) {
    const std::string shop = dir_.Path("pd\\Shop");
    dir_.Write("config.txt", "Share-'\\\\srv\\shop," + shop + "'\nWeb-'http://h/shop," + shop +
                                 "'\nOther-'http://h/other,C:\\other'");
    uint16_t mark = PoolMark();
    // A share line for the same folder does not count: the first web line does.
    EXPECT_EQ(Str(OptionsForFolder(V(shop), 0, T("upd.example"))), "http://h/shop," + shop);
    EXPECT_EQ(Str(OptionsForFolder(T("C:\\OTHER"), 0, T("upd.example"))), "http://h/other,C:\\other");
    const std::string tool = dir_.Path("pd\\Tool\\Bin");
    EXPECT_EQ(Str(OptionsForFolder(V(tool), 0, T("upd.example"))), "http://upd.example/updater/tool/bin," + tool);
    // Use SSH (field 6 of the state record) makes the default source an https address.
    dir_.Write("kelvane.dat", "t,u,20240101,10:00:00,1");
    EXPECT_EQ(Str(OptionsForFolder(T("Z:\\far"), 0, T("upd.example"))), "https://upd.example/updater/default,Z:\\far");
    std::remove("config.txt");
    ReportError(0, StrEmpty());
    EXPECT_EQ(Str(OptionsForFolder(T("Z:\\far"), 0, T("upd.example"))), "https://upd.example/updater/default,Z:\\far")
        << "a missing configuration file is no error here";
    PoolRelease(mark);
}

TEST_F(UpdateOptionsTest, OptionsTable) {
    dir_.Write("config.txt", "First-'http://h/1,C:\\one'\nSecond-'\\\\srv\\two,C:\\two'");
    const struct { std::string line; std::vector<uint16_t> choices; std::string pair; size_t selects; } cases[] = {
        {"k.exe /INPUT:'http://h/x' /OUTPUT:'C:\\t'", {}, "http://h/x,C:\\t", 0},
        {"k.exe /INPUT:'\\\\srv\\a,b' /OUTPUT:'C:\\t'", {}, "'\\\\srv\\a,b',C:\\t", 0},
        {"k.exe /RUN:'C:\\one\\app.exe'", {}, "http://h/1,C:\\one", 0},
        {"k.exe /RUN:'C:\\one\\app.exe' /INPUT:'\\\\srv\\x'", {}, "\\\\srv\\x,C:\\one", 0},
        {"k.exe", {2}, "\\\\srv\\two,C:\\two", 1},
        {"k.exe", {0}, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        CommandLine(c.line);
        ui_.events.clear();
        ui_.choices.assign(c.choices.begin(), c.choices.end());
        EXPECT_EQ(Options(), c.pair);
        ASSERT_EQ(ui_.Of("select:").size(), c.selects);
        if (c.selects) {
            EXPECT_EQ(ui_.Of("select:")[0], "Selecci\xf3n de Aplicaci\xf3n|First|Second");
        }
    }
    // One line: taken without asking.
    dir_.Write("config.txt", "Only-'http://h/only,C:\\only'\r\n");
    CommandLine("k.exe");
    ui_.events.clear();
    EXPECT_EQ(Options(), "http://h/only,C:\\only");
    EXPECT_TRUE(ui_.Of("select:").empty());
    // No file and no target: 164, which the plain run turns into the configuration editor.
    std::remove("config.txt");
    EXPECT_EQ(Options(), rt_test::Err(kErrFileNotFound));
}

TEST_F(UpdateOptionsTest, TheConfirmSwitchAsksAndTheChoiceIsLogged) {
    IntSet(kSysTrace, 32);
    CommandLine("k.exe /INPUT:'http://h/x' /OUTPUT:'C:\\t' -confirm");
    ui_.yes = {false, true};
    EXPECT_EQ(Options(), "");
    EXPECT_EQ(Options(), "http://h/x,C:\\t");
    ASSERT_EQ(ui_.Of("box5:").size(), 2u);
    EXPECT_EQ(ui_.Of("box5:")[0], "Se actualizara la carpeta C:\\t.\r\n Por favor confirmar");
    const std::string log = TempDir::Read(dir_.Path("UPlog.txt"));
    EXPECT_NE(log.find("Kelvane_Options: Proceso Completado Satisfactoriamente. source:http://h/x, target:C:\\t"),
              std::string::npos)
        << log;
}

}  // namespace
}  // namespace rt
