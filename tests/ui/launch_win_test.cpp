// Starting programs on Windows: a program under a folder with blanks gets its arguments in order,
// more than 16 words pass 16, an unknown program gives its errno code, elevated starts through the
// real shell.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "runtime/errors.h"
#include "runtime/paths.h"
#include "ui/launch.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;

namespace {

std::string OwnFolder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LaunchWinTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        folder_ = OwnFolder() + "launch test\\Program Files\\Shop App\\";
        CreateDirectoryA((OwnFolder() + "launch test").c_str(), nullptr);
        CreateDirectoryA((OwnFolder() + "launch test\\Program Files").c_str(), nullptr);
        CreateDirectoryA(folder_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((OwnFolder() + "echo_args.exe").c_str(), (folder_ + "shop.exe").c_str(), FALSE));
        DeleteFileA((folder_ + "echo_args.txt").c_str());
    }
    void TearDown() override {
        DeleteFileA((folder_ + "echo_args.txt").c_str());
        DeleteFileA((folder_ + "shop.exe").c_str());
        PoolMarkTest::TearDown();
    }
    std::string folder_;
};

TEST_F(LaunchWinTest, AProgramUnderAFolderWithBlanksGetsItsArgumentsInOrder) {
    const std::string command = "\"" + folder_ + "shop.exe\"   RUN:x   MODE:ADMIN  \"/t:dos  tres\" cuatro";
    EXPECT_EQ(Spawn(rt_test::V(command), kSpawnWait), 7);
    EXPECT_EQ(ReadAll(folder_ + "echo_args.txt"),
              "\"" + folder_ + "shop.exe\" RUN:x MODE:ADMIN \"/t:dos  tres\" cuatro");
}

TEST_F(LaunchWinTest, MoreThanSixteenWordsPassTheFirstSixteen) {
    std::string command = "\"" + folder_ + "shop.exe\"";
    std::string expected = command;
    for (int i = 1; i <= 20; ++i) {
        command += " a" + std::to_string(i);
        if (i <= 15) expected += " a" + std::to_string(i);
    }
    EXPECT_EQ(Spawn(rt_test::V(command), kSpawnWait), 7);
    EXPECT_EQ(ReadAll(folder_ + "echo_args.txt"), expected);
}

TEST_F(LaunchWinTest, StartWithoutWaitingAndAnUnknownProgram) {
    EXPECT_EQ(Spawn(rt_test::V("\"" + folder_ + "shop.exe\" sin espera"), 1), 0);
    for (int i = 0; i < 250 && ReadAll(folder_ + "echo_args.txt").empty(); ++i) Sleep(20);
    EXPECT_EQ(ReadAll(folder_ + "echo_args.txt"), "\"" + folder_ + "shop.exe\" sin espera");
    Sleep(200);  // let it end before the folder is cleared
    EXPECT_EQ(Spawn(rt_test::V("\"" + folder_ + "nothere.exe\" a"), 1), 0xFFFF);
    EXPECT_EQ(SystemErrorCode(2), 2102);
}

TEST_F(LaunchWinTest, RunElevatedThroughTheShell) {
    // Wine's shell starts any program that is there; one that is not fails and is looked up.
    EXPECT_EQ(RunElevated(rt_test::V("\"" + folder_ + "shop.exe\""), rt_test::T("RUN:x"), PathExists), 0);
    EXPECT_EQ(RunElevated(rt_test::V(folder_ + "missing.exe"), rt_test::T(""), PathExists), kErrFileNotFound);
    EXPECT_EQ(RunElevated(rt_test::V(folder_ + "missing.exe"), rt_test::T(""), nullptr), 0xFFFF);
    for (int i = 0; i < 250 && ReadAll(folder_ + "echo_args.txt").empty(); ++i) Sleep(20);
    EXPECT_NE(ReadAll(folder_ + "echo_args.txt").find("RUN:x"), std::string::npos);
    Sleep(200);
    // Under Wine every token is elevated: the other branch is reached through the seam only.
    EXPECT_TRUE(IsElevated());
}

}  // namespace
