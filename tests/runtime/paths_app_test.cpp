// Tests of the application's standard folders and the kept folder list.
#include <gtest/gtest.h>

#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;

class AppPathTest : public rt_test::FsTest {
protected:
    void SetUp() override {
        FsTest::SetUp();
        savedLine_ = Str(rt::RunParam(rt::kParamCommandLine));
        savedDb_ = Str(rt::RunParam(rt::kParamDatabase));
        savedAux_ = rt::IntGet(rt::kSysAuxStat);
    }
    void TearDown() override {
        rt::SetRunParam(rt::kParamCommandLine, rt_test::V(savedLine_));
        rt::SetRunParam(rt::kParamDatabase, rt_test::V(savedDb_));
        rt::IntSet(rt::kSysAuxStat, savedAux_);
        FsTest::TearDown();
    }
    static void Line(const char* s) { rt::SetRunParam(rt::kParamCommandLine, T(s)); }
    std::string savedLine_, savedDb_;
    int16_t savedAux_ = 0;
};

TEST_F(AppPathTest, RunPathIsTheProgramsFolder) {
    const struct {
        const char* line;
        const char* folder;
    } cases[] = {
        {"C:\\App\\app.exe", "C:\\App"},
        {"C:\\App\\app.exe INPUT:x OUTPUT:y", "C:\\App"},
        {"   C:\\App\\app.exe  ", "C:\\App"},
        {"\"C:\\App\\app.exe\" RUN:x", "C:\\App"},
        {"\"C:\\Program Files\\Orvik\\app.exe\" RUN:x", "C:\\Program Files\\Orvik"},
        {"app.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Line(c.line);
        EXPECT_EQ(Str(Disciplined([] { return rt::AppPath(rt::kAppPathRunPath); })), c.folder);
    }
}

TEST_F(AppPathTest, ParameterFolders) {
    rt::SetRunParam(rt::kParamAppFolder, T("C:\\App"));
    rt::SetRunParam(rt::kParamDocsFolder, T("C:\\Users\\me\\Docs"));
    EXPECT_EQ(Str(rt::AppPath(rt::kAppPathDefault)), "C:\\App");
    EXPECT_EQ(Str(rt::AppPath(rt::kAppPathDocs)), "C:\\Users\\me\\Docs");
    EXPECT_EQ(Str(rt::AppPath(rt::kAppPathHelp)), "C:\\App\\Help");
    rt::SetRunParam(rt::kParamHelpFolder, T("H:\\Manuals"));
    EXPECT_EQ(Str(rt::AppPath(rt::kAppPathHelp)), "H:\\Manuals");
    EXPECT_EQ(Str(rt::AppPath(rt::kAppPathBackup)), "C:\\Users\\me\\Docs\\Backups");
    EXPECT_EQ(Str(rt::AppPath(128)), "");
}

TEST_F(AppPathTest, DocsFallBackToTheWorkingFolder) {
    EXPECT_EQ(Str(rt::AppPath(rt::kAppPathDocs)), Str(rt::CurrentFolder()));
    EXPECT_NE(Str(rt::AppPath(rt::kAppPathDocs)), "");
}

TEST_F(AppPathTest, DataFolderBaseDependsOnTheProgramsDrive) {
    rt::SetRunParam(rt::kParamAppFolder, T("F:\\App\\bin"));
    rt::SetRunParam(rt::kParamDocsFolder, T("C:\\Users\\me\\Docs"));
    const struct {
        const char* line;
        int16_t aux;
        const char* data;
    } cases[] = {
        {"C:\\App\\app.exe", 0, "C:\\Users\\me\\data"},
        {"E:\\App\\app.exe", 0, "C:\\Users\\me\\data"},
        {"F:\\App\\app.exe", 0, "F:\\App\\data"},
        {"Z:\\App\\app.exe", 0, "F:\\App\\data"},
        {"c:\\App\\app.exe", 0, "F:\\App\\data"},
        {"C:\\App\\app.exe", 0x4000, "C:\\Users\\me\\Docs\\lists"},
        {"F:\\App\\app.exe", 0x4000, "F:\\App\\bin\\lists"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Line(c.line);
        rt::IntSet(rt::kSysAuxStat, c.aux);
        EXPECT_EQ(Str(Disciplined([] { return rt::AppPath(rt::kAppPathData); })), c.data);
    }
}

TEST_F(AppPathTest, BackRelJoinsHostAndDatabase) {
    // TrimUnquote upper-cases a field that it did not have to change.
    rt::SetRunParam(rt::kParamDatabase, T("'srv',db,user,pw"));
    EXPECT_EQ(Str(rt::AppPath(rt::kAppPathBackRel)), Dir() + "\\Backups\\srv\\DB");
}

TEST_F(AppPathTest, SeveralFoldersLowestBitFirst) {
    rt::SetRunParam(rt::kParamAppFolder, T("C:\\App"));
    rt::SetRunParam(rt::kParamDocsFolder, T("D:\\Docs"));
    EXPECT_EQ(Str(Disciplined([] { return rt::AppPaths(rt::kAppPathDocs | rt::kAppPathDefault | rt::kAppPathBackup); })),
              "C:\\App,D:\\Docs,D:\\Docs\\Backups");
    EXPECT_EQ(Str(rt::AppPaths(0)), "");
    EXPECT_EQ(Str(Disciplined([] { return rt::InAppPath(T("x.txt"), rt::kAppPathDefault); })), "C:\\App\\x.txt");
    EXPECT_EQ(Str(rt::InAppPath(T("sub/x.txt"), rt::kAppPathDocs)), "D:\\Docs\\sub\\x.txt");
}

TEST_F(AppPathTest, KeptListFieldsAndWholeList) {
    EXPECT_EQ(Str(rt::KeptList(0, T("a,b,c"))), "a,b,c");
    EXPECT_EQ(Str(rt::KeptList(2)), "b");
    EXPECT_EQ(Str(Disciplined([] { return rt::KeptList(2, T("x")); })), "x");
    EXPECT_EQ(Str(rt::KeptList(0)), "a,x,c");
    EXPECT_EQ(Str(rt::KeptList(5, T("e"))), "e");
    EXPECT_EQ(Str(rt::KeptList(0)), "a,x,c,,e");
    EXPECT_EQ(rt::StrError(rt::KeptList(1, rt::StrErr(150))), 150);
    EXPECT_EQ(Str(rt::KeptList(0)), "a,x,c,,e");
    rt::KeptList(0, rt::StrEmpty());
}

}  // namespace
