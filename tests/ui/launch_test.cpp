// Starting programs: the command split (quoted paths with blanks), errno codes, the elevated start
// through its seam, and spawn with its arguments in order.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#endif

#include "runtime/errors.h"
#include "ui/launch.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;

namespace {

class LaunchTest : public rt_test::PoolMarkTest {
protected:
    void TearDown() override {
        SetLaunchSeams(LaunchSeams{});
        PoolMarkTest::TearDown();
    }
};

std::vector<std::string> Words(const SpawnCommand& c) {
    std::vector<std::string> out{Str(c.program)};
    for (uint16_t k = 0; k < c.argCount; ++k) out.push_back(Str(c.args[k]));
    return out;
}

TEST_F(LaunchTest, SplitTable) {
    using V = std::vector<std::string>;
    const struct {
        const char* command;
        V words;
    } cases[] = {
        {"shop.exe /a /b", V{"SHOP.EXE", "/a", "/b"}},
        {"shop.exe   /a     /b  ", V{"SHOP.EXE", "/a", "/b"}},
        {"  shop.exe /a", V{"SHOP.EXE", "/a"}},
        {"\"C:\\Program Files\\Shop\\shop.exe\" RUN:x  MODE:y",
         V{"C:\\Program Files\\Shop\\shop.exe", "RUN:x", "MODE:y"}},
        {"\"C:\\Two  Blanks\\a.exe\" \"x  y\" z", V{"C:\\Two  Blanks\\a.exe", "\"x  y\"", "z"}},
        {"a.exe /t:\"b c\"", V{"A.EXE", "/t:\"b c\""}},
        {"\"a.exe\"", V{"a.exe"}},
    };
    for (const auto& c : cases) {
        const uint16_t mark = PoolMark();
        const SpawnCommand cmd = SplitCommand(T(c.command));
        EXPECT_EQ(cmd.err, 0) << c.command;
        EXPECT_EQ(Words(cmd), c.words) << c.command;
        PoolRelease(mark);
    }
    EXPECT_EQ(SplitCommand(T("   ")).err, kErrBadInput);
    EXPECT_EQ(SplitCommand(StrErr(146)).err, 146);
}

TEST_F(LaunchTest, MoreThanSixteenWordsPassTheFirstSixteen) {
    std::string command = "p";
    for (int i = 1; i <= 20; ++i) command += " a" + std::to_string(i);
    const SpawnCommand cmd = SplitCommand(rt_test::V(command));
    ASSERT_EQ(cmd.argCount, 15);
    EXPECT_EQ(Str(cmd.args[14]), "a15");
}

TEST_F(LaunchTest, ErrnoCodes) {
    const struct {
        int err;
        ErrCode code;
    } cases[] = {{2, 2102}, {7, 2100}, {8, 2103}, {12, 2104}, {22, 2101}};
    for (const auto& c : cases) EXPECT_EQ(SystemErrorCode(c.err), c.code) << c.err;
    EXPECT_EQ(ErrnoCode(13), 0);
    EXPECT_EQ(SystemErrorCode(13), 0xFFFF);
    EXPECT_EQ(Str(ErrorDetail()), "SysError #13");
}

std::string gVerb, gProgram, gParams;
intptr_t gShellResult = 0;
intptr_t Shell(const char* verb, const char* program, const char* params, uint32_t*) {
    gVerb = verb;
    gProgram = program;
    gParams = params ? params : "<none>";
    return gShellResult;
}
std::string gChecked;
ErrCode Exists(StrRef path) {
    gChecked = Str(path);
    return gChecked.find("missing") != std::string::npos ? kErrFileNotFound : 0;
}

TEST_F(LaunchTest, RunElevatedAnswers) {
    LaunchSeams seams;
    seams.shellExecute = Shell;
    SetLaunchSeams(seams);
    const struct {
        intptr_t shell;
        const char* program;
        const char* params;
        bool check;
        ErrCode result;
        const char* checked;
    } cases[] = {
        {42, "C:\\k.exe", "RUN:x", true, 0, ""},
        {5, "C:\\k.exe", "RUN:x", false, 0xFFFF, ""},
        {5, "C:\\k.exe -x", "", true, kErrPermission, "C:\\k.exe"},
        {5, "C:\\missing\\k.exe", "", true, kErrFileNotFound, "C:\\missing\\k.exe"},
        {32, "\"C:\\Program Files\\missing k.exe\" a", "", true, kErrFileNotFound, "C:\\Program Files\\missing k.exe"},
    };
    for (const auto& c : cases) {
        gShellResult = c.shell;
        gChecked.clear();
        EXPECT_EQ(RunElevated(T(c.program), T(c.params), c.check ? Exists : nullptr), c.result) << c.program;
        EXPECT_EQ(gVerb, "runas");
        EXPECT_EQ(gProgram, c.program);
        EXPECT_EQ(gParams, *c.params ? c.params : "<none>");
        EXPECT_EQ(gChecked, c.checked);
    }
}

TEST_F(LaunchTest, ElevationCheckIsASeam) {
    LaunchSeams seams;
    seams.isElevated = [] { return true; };
    SetLaunchSeams(seams);
    EXPECT_TRUE(IsElevated());
    seams.isElevated = [] { return false; };
    SetLaunchSeams(seams);
    EXPECT_FALSE(IsElevated());
}

std::vector<std::string> gArgv;
bool gWaited = false;
intptr_t FakeSpawn(bool wait, const char* program, const char* const* argv, int* err) {
    gProgram = program;
    gArgv.clear();
    for (const char* const* a = argv; *a; ++a) gArgv.push_back(*a);
    gWaited = wait;
    if (gProgram.find("NOTHERE") != std::string::npos) {
        *err = 2;
        return -1;
    }
    return 7;
}

TEST_F(LaunchTest, SpawnPassesWordsAndModes) {
    LaunchSeams seams;
    seams.spawn = FakeSpawn;
    SetLaunchSeams(seams);
    // The words after the program are its whole argument list, the first being its own name.
    EXPECT_EQ(Spawn(T("\"C:\\Program Files\\Shop\\shop.exe\"  \"shop\"  RUN:a   \"b c\""), 4), 7);
    EXPECT_TRUE(gWaited);
    EXPECT_EQ(gProgram, "C:\\Program Files\\Shop\\shop.exe");
    EXPECT_EQ(gArgv, (std::vector<std::string>{"\"shop\"", "RUN:a", "\"b c\""}));
    EXPECT_EQ(Spawn(T("x.exe"), 1), 7);
    EXPECT_FALSE(gWaited);
    EXPECT_EQ(gProgram, "X.EXE");
    EXPECT_EQ(gArgv, (std::vector<std::string>{" "}));
    EXPECT_EQ(Spawn(T("nothere.exe a"), 1), 0xFFFF);
    EXPECT_EQ(Spawn(T("nothere.exe a"), 2), kErrUndefWarning);
}

#ifndef _WIN32
// The host's real spawn: a program under a folder with blanks gets its arguments in order.
TEST_F(LaunchTest, HostSpawnRunsAProgramUnderAFolderWithBlanks) {
    char dir[] = "/tmp/kelvane launch XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string script = std::string(dir) + "/echo args.sh";
    const std::string out = std::string(dir) + "/out.txt";
    FILE* f = fopen(script.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fprintf(f, "#!/bin/sh\nprintf '%%s|' \"$@\" > '%s'\nexit 5\n", out.c_str());
    fclose(f);
    chmod(script.c_str(), 0755);
    EXPECT_EQ(Spawn(rt_test::V("\"" + script + "\" \"" + script + "\" one   \"two three\" four"), 4), 5);
    std::string got;
    if (FILE* r = fopen(out.c_str(), "r")) {
        char buf[256] = {};
        got.assign(buf, fread(buf, 1, sizeof buf, r));
        fclose(r);
    }
    EXPECT_EQ(got, "one|two three|four|");
    EXPECT_EQ(Spawn(rt_test::V("\"" + std::string(dir) + "/none\" a"), 4), 0xFFFF);
    remove(out.c_str());
    remove(script.c_str());
    rmdir(dir);
}
#endif

}  // namespace
