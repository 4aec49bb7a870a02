// The configuration editor: a new entry, an edited one and a deleted one, the file holding exactly
// what was typed; a form left without data; a missing file as an empty list.
#include <gtest/gtest.h>

#include <string>

#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "tests/support/environment.h"
#include "tests/support/fake_run_ui.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "updater/config_editor.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::TempDir;

TEST(EditConfigLines, NewChangedAndRemovedLines) {
    uint16_t mark = PoolMark();
    const struct { const char* lines; uint16_t entry; const char* line; const char* out; } cases[] = {
        {"", 0, "A-'s,t'", "A-'s,t'"},
        {"A-'s,t'", 0, "B-'u,v'", "A-'s,t'\nB-'u,v'"},
        {"A-'s,t'\nB-'u,v'", 1, "A2-'s,t'", "A2-'s,t'\nB-'u,v'"},
        {"A-'s,t'\nB-'u,v'\nC-'w,x'", 2, "", "A-'s,t'\nC-'w,x'"},
        {"A-'s,t'\nB-'u,v'", 2, "", "A-'s,t'"},
        {"A-'s,t'", 1, "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Str(EditConfigLines(T(c.lines), c.entry, T(c.line))), c.out) << c.lines;
    PoolRelease(mark);
}

class ConfigEditorTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        dir_.Enter();
        SetRunParam(kParamAppName, T("UP:Kelvane"));
    }
    std::string File() { return TempDir::Read(dir_.Path("config.txt")); }
    TempDir dir_{"kveditor"};
    rt_test::ScopedEnvironment programData_{"ProgramData", dir_.Path("pd")};
    rt_test::ScopedEnvironment allUsers_{"ALLUSERSPROFILE", dir_.Path("pd")};
    rt_test::FakeRunUi ui_;
};

TEST_F(ConfigEditorTest, NewEditedAndDeletedEntries) {
    // Without a file: "Nuevo" alone; a new entry whose texts hold quotes and hyphens.
    ui_.choices = {1, 1, 2, 2, 0};
    ui_.forms = {{0, {"Shop-App 'O\"", "http://h/a-b", "C:\\Shop"}},
                 {0, {"Tools", "", dir_.Path("pd\\Tools")}},
                 {0, {"Shop", "\\\\srv\\shop", "C:\\Shop-2"}},
                 {0, {"", "ignored", "ignored"}}};
    EXPECT_EQ(ConfigurationEditor(T("upd.example")), 0);
    EXPECT_EQ(File(), "Tools-'http://upd.example/updater/tools," + dir_.Path("pd\\Tools") + "'\r\n");
    const auto selects = ui_.Of("select:");
    ASSERT_EQ(selects.size(), 5u);
    EXPECT_EQ(selects[0], "Seleccione su opci\xf3n|Nuevo");
    EXPECT_EQ(selects[1], "Seleccione su opci\xf3n|Nuevo|Shop-App 'O\"");
    EXPECT_EQ(selects[2], "Seleccione su opci\xf3n|Nuevo|Shop-App 'O\"|Tools");
    EXPECT_EQ(selects[3], "Seleccione su opci\xf3n|Nuevo|Shop|Tools");
    const auto forms = ui_.Of("form:");
    ASSERT_EQ(forms.size(), 4u);
    EXPECT_EQ(forms[0], "Configuraci\xf3n|'Denominaci\xf3n:':'A30'::'','Origen de datos:':'A60'::'',"
                        "'Carpeta a actualizar:':'A60'::'' /FLDBUTTONS$=\",,PATH\"");
    // The edited entry's texts come back into its form as they were typed.
    EXPECT_EQ(forms[2], "Configuraci\xf3n|'Denominaci\xf3n:':'A30'::'Shop-App '+\"'\"+'O\"','Origen de datos:':'A60'"
                        "::'http://h/a-b','Carpeta a actualizar:':'A60'::'C:\\Shop' /FLDBUTTONS$=\",,PATH\"");
}

TEST_F(ConfigEditorTest, TheFileHoldsWhatWasTyped) {
    ui_.choices = {1, 0};
    ui_.forms = {{0, {"Shop-App 'O\"", "http://h/a-b", "C:\\Shop"}}};
    EXPECT_EQ(ConfigurationEditor(T("upd.example")), 0);
    EXPECT_EQ(File(), "'Shop-App '+\"'\"+'O\"'-'http://h/a-b,C:\\Shop'\r\n");
}

TEST_F(ConfigEditorTest, AFormLeftWithoutDataGoesBackToTheListAndErrorsEndTheEditor) {
    dir_.Write("config.txt", "A-'s,t'\r\n");
    ui_.choices = {2, 0};
    ui_.forms = {{kErrUserCanceled, {}}};
    EXPECT_EQ(ConfigurationEditor(T("upd.example")), 0);
    EXPECT_EQ(File(), "A-'s,t'\r\n");
    EXPECT_EQ(ui_.Of("select:").size(), 2u);
    // No form runner (or any other failure of the form): the editor ends with it.
    ui_.choices = {2};
    ui_.forms = {{kErrScreenEnviron, {}}};
    EXPECT_EQ(ConfigurationEditor(T("upd.example")), kErrScreenEnviron);
}

}  // namespace
}  // namespace rt
