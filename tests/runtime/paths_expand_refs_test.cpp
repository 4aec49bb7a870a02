// Tests of %NAME% references, the environment, the working folder and temporary-name templates.
#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/fs.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;

class ExpandRefsTest : public rt_test::FsTest {
protected:
    void SetUp() override {
        FsTest::SetUp();
        const char* t = std::getenv("TEMP");
        hadTemp_ = t != nullptr;
        if (t) oldTemp_ = t;
        rt::FsSetEnvironment("TEMP", "C:\\Tmp");
    }
    void TearDown() override {
        rt::FsSetEnvironment("TEMP", hadTemp_ ? oldTemp_.c_str() : nullptr);
        rt::FsSetEnvironment("KV_TEST_ONLY", nullptr);
        rt::SetRunParam(rt::kParamDatabase, rt::StrEmpty());
        FsTest::TearDown();
    }
    bool hadTemp_ = false;
    std::string oldTemp_;
};

TEST_F(ExpandRefsTest, Table) {
    rt::SetRunParam(rt::kParamAppFolder, T("C:\\App"));
    rt::SetRunParam(rt::kParamDatabase, T("dbhost,stock"));
    const struct {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"%TEMP%\\x", "C:\\Tmp\\x"},
        {"%temp%\\x", "C:\\Tmp\\x"},
        {"%Temp%\\x", "C:\\Tmp\\x"},
        {"%Temp%;%TEMP%", "C:\\Tmp;C:\\Tmp"},
        {"%NOPE%\\x", "\\x"},
        {"%LINUX_ROOT%\\y", "P:\\test\\Linux_root\\y"},
        {"%APPPATH_DEFAULT%\\f.txt", "C:\\App\\f.txt"},
        {"%APPPATH_HELP%", "C:\\App\\Help"},
        {"%DATAPATH%\\f", "C:\\App\\f"},
        {"%DATABASE_HOST%/%DATABASE_DBNAME%", "DBHOST/STOCK"},
        {"no references", "no references"},
        {"50%", "50%"},
        {"%%x", "x"},  // the closing parameter pass drops the empty pair
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Str(Disciplined([&] { return rt::ExpandRefs(T(c.text)); })), c.expanded);
    }
}

TEST_F(ExpandRefsTest, OnlyListedEnvironmentNamesAreRead) {
    rt::FsSetEnvironment("KV_TEST_ONLY", "secret");
    EXPECT_EQ(Str(rt::ExpandRefs(T("[%KV_TEST_ONLY%]"))), "[]");
    EXPECT_EQ(Str(rt::EnvValue(T("KV_TEST_ONLY"))), "secret");
}

TEST_F(ExpandRefsTest, ValuesAreExpandedInTurn) {
    rt::SetRunParam(rt::kParamAppFolder, T("%TEMP%\\app"));
    EXPECT_EQ(Str(rt::ExpandRefs(T("%APPPATH_DEFAULT%\\f"))), "C:\\Tmp\\app\\f");
}

TEST_F(ExpandRefsTest, SelfReferenceStopsAfterBoundedRounds) {
    rt::FsSetEnvironment("TEMP", "%TEMP%x");
    rt::StrRef out = Disciplined([] { return rt::ExpandRefs(T("%TEMP%")); });
    // Each round adds one "x"; after the last round the reference left is no parameter.
    EXPECT_EQ(Str(out), std::string(rt::kMaxRefRounds, 'x'));
}

TEST_F(ExpandRefsTest, ReferenceGrowingBeyondATextFails) {
    std::string big(20000, 'v');
    rt::FsSetEnvironment("TEMP", (big + "%TEMP%").c_str());
    EXPECT_EQ(rt::StrError(rt::ExpandRefs(T("%TEMP%"))), rt::kErrOutOfMemory);
}

TEST_F(ExpandRefsTest, EnvironmentAndFolders) {
    EXPECT_EQ(Str(rt::TempFolder()), "C:\\Tmp");
    EXPECT_EQ(Str(rt::EnvValue(T("KV_SURELY_NOT_SET_9"))), "");
    EXPECT_EQ(Str(rt::EnvValue(T(""))), "");
    std::string cwd = Str(rt::CurrentFolder());
    EXPECT_FALSE(cwd.empty());
    EXPECT_NE(cwd.find(folder_.path().filename().string()), std::string::npos);
}

TEST_F(ExpandRefsTest, TempTemplates) {
    rt::StrRef t = Disciplined([] { return rt::TempTemplate(T("C:\\w\\up%s")); });
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(std::string(t.ptr, t.len), std::string("C:\\w\\upXXXXXX\0", 14));
    rt::StrRef d = rt::TempTemplate(rt::StrEmpty());
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(std::string(d.ptr, d.len), std::string("C:\\Tmp\\XXXXXX\0", 14));
    EXPECT_EQ(rt::StrError(rt::TempTemplate(T("C:\\w\\up"))), rt::kErrBadInput);
    EXPECT_EQ(rt::StrError(rt::TempTemplate(T("%s.tmp"))), rt::kErrBadInput);
    EXPECT_EQ(rt::StrError(rt::TempTemplate(rt::StrErr(150))), 150);
}

}  // namespace
