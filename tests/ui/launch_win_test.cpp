// Starting programs on Windows: a program under a folder with blanks gets its arguments in order,
// more than 16 words pass 16, an unknown program gives its errno code, elevated starts through the
// real shell.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

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

// Waits on the handles of the programs this process started, as a parent would, so that a test
// reads their output only once they have ended.
void WaitForChildren() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId()) continue;
        if (HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            WaitForSingleObject(child, 10000);
            CloseHandle(child);
        }
    }
    CloseHandle(snap);
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
    // The updater's own form: the program, then its name as the first entry of its arguments.
    const std::string program = "\"" + folder_ + "shop.exe\"";
    EXPECT_EQ(Spawn(rt_test::V(program + "  " + program), kSpawnWait), 7);
    EXPECT_EQ(ReadAll(folder_ + "echo_args.txt"), program);
    const std::string command = program + " " + program + "   RUN:x   MODE:ADMIN  \"/t:dos  tres\" cuatro";
    EXPECT_EQ(Spawn(rt_test::V(command), kSpawnWait), 7);
    EXPECT_EQ(ReadAll(folder_ + "echo_args.txt"), program + " RUN:x MODE:ADMIN \"/t:dos  tres\" cuatro");
    // No word after the program: a single blank is the whole command line it sees.
    EXPECT_EQ(Spawn(rt_test::V(program), kSpawnWait), 7);
    EXPECT_EQ(ReadAll(folder_ + "echo_args.txt"), " ");
}

TEST_F(LaunchWinTest, MoreThanSixteenWordsPassTheFirstSixteen) {
    std::string command = "\"" + folder_ + "shop.exe\"";
    std::string expected;
    for (int i = 1; i <= 20; ++i) {
        command += " a" + std::to_string(i);
        if (i <= 15) expected += (i > 1 ? " a" : "a") + std::to_string(i);
    }
    EXPECT_EQ(Spawn(rt_test::V(command), kSpawnWait), 7);
    EXPECT_EQ(ReadAll(folder_ + "echo_args.txt"), expected);
}

TEST_F(LaunchWinTest, StartWithoutWaitingAndAnUnknownProgram) {
    EXPECT_EQ(Spawn(rt_test::V("\"" + folder_ + "shop.exe\" shop sin espera"), 1), 0);
    WaitForChildren();
    EXPECT_EQ(ReadAll(folder_ + "echo_args.txt"), "shop sin espera");
    EXPECT_EQ(Spawn(rt_test::V("\"" + folder_ + "nothere.exe\" a"), 1), 0xFFFF);
    EXPECT_EQ(SystemErrorCode(2), 2102);
}

TEST_F(LaunchWinTest, RunElevatedThroughTheShell) {
    // Wine's shell starts any program that is there; one that is not fails and is looked up.
    EXPECT_EQ(RunElevated(rt_test::V("\"" + folder_ + "shop.exe\""), rt_test::T("RUN:x"), PathExists), 0);
    EXPECT_EQ(RunElevated(rt_test::V(folder_ + "missing.exe"), rt_test::T(""), PathExists), kErrFileNotFound);
    EXPECT_EQ(RunElevated(rt_test::V(folder_ + "missing.exe"), rt_test::T(""), nullptr), 0xFFFF);
    WaitForChildren();
    EXPECT_NE(ReadAll(folder_ + "echo_args.txt").find("RUN:x"), std::string::npos);
    // Waited for (the relaunch): its exit code, and what it wrote is there once it has ended.
    uint32_t exitCode = 0;
    EXPECT_EQ(RunElevated(rt_test::V("\"" + folder_ + "shop.exe\""), rt_test::T("RUN:y"), PathExists, &exitCode), 0);
    EXPECT_EQ(exitCode, 7u);
    EXPECT_NE(ReadAll(folder_ + "echo_args.txt").find("RUN:y"), std::string::npos);
    // Under Wine every token is elevated: the other branch is reached through the seam only.
    EXPECT_TRUE(IsElevated());
}

}  // namespace
