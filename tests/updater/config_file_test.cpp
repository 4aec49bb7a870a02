// The configuration file: lines that keep every text a person typed (quotes, hyphens, commas),
// reading with any line ends, the missing file's 164, writing, and the run-path file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "tests/support/environment.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "updater/config_file.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::TempDir;
using rt_test::V;

class ConfigFileTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        SetRunParam(kParamAppName, T("UP:Kelvane"));
        dir_.Enter();
    }
    TempDir dir_{"kvconfig"};
    // No run-path file: ProgramData points at the test's folder, which has none.
    rt_test::ScopedEnvironment programData_{"ProgramData", dir_.Path("pd")};
};

TEST_F(ConfigFileTest, LinesKeepEveryTextAsTyped) {
    const struct { std::string name, source, target, line; } cases[] = {
        {"Shop", "http://h/shop", "C:\\Shop", "Shop-'http://h/shop,C:\\Shop'"},
        {"Shop-App", "http://h/a-b", "C:\\x-y", "'Shop-App'-'http://h/a-b,C:\\x-y'"},
        {"O'Brien", "\\\\srv\\it's", "C:\\O'B", "\"O'Brien\"-'\"\\\\srv\\it'+\"'\"+'s\",\"C:\\O'+\"'\"+'B\"'"},
        {"say \"hi\"", "http://h/a,b", "C:\\a,b", "'say \"hi\"'-\"'http://h/a,b','C:\\a,b'\""},
        {"both '\"-", "s", "t", "'both '+\"'\"+'\"-'-'s,t'"},
        {"", "http://h/x", "D:\\", "-'http://h/x,D:\\'"},
        // Blanks at the ends survive only quoted: the reader trims what is not.
        {" Shop ", " s", "t\t", "' Shop '-\"' s','t\t'\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        uint16_t mark = PoolMark();
        StrRef line = ConfigLine(V(c.name), V(c.source), V(c.target));
        EXPECT_EQ(Str(line), c.line);
        ConfigEntry e = ParseConfigLine(line);
        EXPECT_EQ(Str(e.name), c.name);
        EXPECT_EQ(Str(e.source), c.source);
        EXPECT_EQ(Str(e.target), c.target);
        StrRef pair = ConfigLinePair(line);
        EXPECT_EQ(Str(PairSource(pair)), c.source);
        EXPECT_EQ(Str(PairTarget(pair)), c.target);
        PoolRelease(mark);
    }
}

TEST_F(ConfigFileTest, ReadJoinsLinesOfAnyEndingAndMissingFilesGive164) {
    dir_.Write("config.txt", "  A-'http://h/a,C:\\a'\r\nB-'http://h/b,C:\\b'\nC-'x,y'\r\n\r\n  ");
    StrRef path = ConfigFilePath();
    EXPECT_EQ(Str(path), "config.txt");
    EXPECT_EQ(Str(ReadConfig(path)), "A-'http://h/a,C:\\a'\nB-'http://h/b,C:\\b'\nC-'x,y'");
    EXPECT_EQ(Str(ConfigNames(ReadConfig(path), T("Nuevo"))), std::string("Nuevo\0A\0B\0C", 11));
    EXPECT_EQ(Str(ConfigNames(T("A-'x,y'"), StrEmpty())), "A");

    for (const char* content : {"", " \r\n \n"}) {
        dir_.Write("config.txt", content);
        ReportError(0, StrEmpty());
        EXPECT_EQ(StrError(ReadConfig(path)), kErrFileNotFound);
        // Without a run-path folder the file was looked for in the working folder, and that is
        // what the message names, not the program's own folder.
        EXPECT_EQ(Str(ErrorDetail()), dir_.Path("config.txt"));
    }
    SetRunParam(kParamCommandLine, T("C:\\apps\\kelvaner.exe /x"));
    EXPECT_EQ(StrError(ReadConfig(T("nowhere.txt"))), kErrFileNotFound);
    EXPECT_EQ(Str(ErrorDetail()), dir_.Path("nowhere.txt"));    // A file that is there but too large to be a list keeps its own code, named with its size.
    const std::string huge(100000, 'x');
    dir_.Write("config.txt", huge);
    const ErrCode code = StrError(ReadConfig(path));
    EXPECT_NE(code, kErrFileNotFound);
    EXPECT_GE(code, kFirstSerious);
    EXPECT_EQ(Str(ErrorDetail()), dir_.Path("config.txt") + ": cannot be read as the list of applications, 100000 bytes");
}

TEST_F(ConfigFileTest, WriteUsesCrLfAndReplacesTheWholeFile) {
    dir_.Write("config.txt", std::string(5000, 'x'));
    ASSERT_EQ(WriteConfig(T("config.txt"), T("A-'s,t'\nB-'u,v'")), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("config.txt")), "A-'s,t'\r\nB-'u,v'\r\n");
    ASSERT_EQ(WriteConfig(T("config.txt"), StrEmpty()), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("config.txt")), "");
}

ErrCode RefuseReplace(FsFaultPoint point, const char*) { return point == kFaultReplace ? kErrPermission : 0; }
ErrCode RefuseFlush(FsFaultPoint point, const char*) { return point == kFaultFlush ? kErrFileIo : 0; }

TEST_F(ConfigFileTest, AWriteThatFailsLeavesTheOldFileWhole) {
    dir_.Write("config.txt", "A-'s,t'\r\n");
    for (FsFaultHook hook : {RefuseReplace, RefuseFlush}) {
        SetFsSeams({.fault = hook});
        EXPECT_NE(WriteConfig(T("config.txt"), T("B-'u,v'")), 0);
        SetFsSeams({});
        EXPECT_EQ(TempDir::Read(dir_.Path("config.txt")), "A-'s,t'\r\n");
        size_t entries = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path())) entries += e.is_regular_file();
        EXPECT_EQ(entries, 1u) << "no temporary file is left beside it";
    }
}

TEST_F(ConfigFileTest, TheRunPathFileNamesTheFolder) {
    const std::string folder = dir_.Path("central");
    dir_.Write("pd\\Orvik\\Kelvane\\runpath.txt", "first,'" + folder + "',third\r\n");
    EXPECT_EQ(Str(RunPathFolder()), folder);
    EXPECT_EQ(Str(ConfigFilePath()), folder + "\\config.txt");
    ReportError(0, StrEmpty());
    EXPECT_EQ(StrError(ReadConfig(ConfigFilePath())), kErrFileNotFound);
    EXPECT_EQ(Str(ErrorDetail()), folder + "\\config.txt") << "the run-path folder's file is named";
    // Another identity (APNAME) reads the same file: the folder's name is the product's.
    SetRunParam(kParamAppName, T("XY:Other"));
    EXPECT_EQ(Str(RunPathFolder()), folder);
    SetRunParam(kParamAppName, T("UP:Kelvane"));
    dir_.Write("pd\\Orvik\\Kelvane\\runpath.txt", "only one field");
    EXPECT_EQ(Str(ConfigFilePath()), "config.txt");
}

}  // namespace
}  // namespace rt
