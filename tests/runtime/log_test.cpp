// Tests of the log: when an event is logged, the file's name, the exact line layout and appending
// to a file in the working folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "tests/support/pool_check.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace {

namespace fs = std::filesystem;
using rt_test::Str;
using rt_test::V;

const char kStamp[] = "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] ";

class LogTest : public rt_test::BalancedPoolTest {
protected:
    void SetUp() override {
        ASSERT_EQ(rt::SystemVarsDefaults(), 0);
        for (uint16_t p : {rt::kParamAppName, rt::kParamLogPrefix, rt::kParamLogThird}) saved_[p] = Str(rt::RunParam(p));
        savedName_ = Str(rt::StoreGet(rt::kGroupSystem, rt::kItemLogName));
        rt::SetRunParam(rt::kParamAppName, rt::StrFromLiteral("UP:Kelvane"));
        rt::SetRunParam(rt::kParamLogPrefix, rt::StrEmpty());
        rt::SetRunParam(rt::kParamLogThird, rt::StrEmpty());
        rt::StoreSet(rt::kGroupSystem, rt::kItemLogName, rt::StrEmpty());
        BalancedPoolTest::SetUp();
    }
    void TearDown() override {
        BalancedPoolTest::TearDown();
        for (uint16_t p : {rt::kParamAppName, rt::kParamLogPrefix, rt::kParamLogThird}) rt::SetRunParam(p, V(saved_[p]));
        rt::StoreSet(rt::kGroupSystem, rt::kItemLogName, V(savedName_));
        rt::SystemVarsDefaults();
    }
    // The line for message, checked for its time stamp, which is cut off.
    std::string LineAfterStamp(rt::StrRef message) {
        const uint16_t mark = rt::PoolMark();
        const std::string line = Str(rt::LogLine(message));
        EXPECT_EQ(rt::PoolMark(), mark + 1);
        rt::PoolRelease(mark);
        std::smatch m;
        if (!std::regex_search(line, m, std::regex(std::string("^") + kStamp))) {
            ADD_FAILURE() << "no time stamp: " << line;
            return line;
        }
        return line.substr(m.length(0));
    }
    std::string saved_[16];
    std::string savedName_;
};

TEST_F(LogTest, EnabledByTrace) {
    struct { int16_t trace; rt::ErrCode code; uint16_t category; bool on; } cases[] = {
        {0, 145, 32, false}, {0, 0, 32, false}, {0, 120, 1, false}, {0, 0, 0xFFFF, false},
        {1, 145, 32, true},  {1, 0, 32, false}, {1, 120, 0, true},  {1, 119, 32, false},
        {33, 0, 32, true},   {33, 0, 16, false}, {33, 145, 0, true},
        {32, 145, 16, false}, {32, 145, 32, true}, {32, 0, 1, false},
        {48, 0, 16, true},   {-1, 0, 1, false},  {-1, 0, 2, true},  {-1, 121, 0, true},
    };
    for (const auto& c : cases) {
        rt::IntSet(rt::kSysTrace, c.trace);
        EXPECT_EQ(rt::LogEnabled(c.code, c.category), c.on) << c.trace << " " << c.code << " " << c.category;
    }
}

TEST_F(LogTest, FileNameFromTheApplicationCode) {
    auto name = [&] {
        const uint16_t mark = rt::PoolMark();
        const std::string n = Str(rt::LogFileName());
        rt::PoolRelease(mark);
        return n;
    };
    EXPECT_EQ(name(), "UPlog.txt");
    rt::SetRunParam(rt::kParamAppName, rt::StrFromLiteral("ABCD:Other"));
    EXPECT_EQ(name(), "ABlog.txt");
    rt::SetRunParam(rt::kParamAppName, rt::StrFromLiteral("X"));
    EXPECT_EQ(name(), "Xlog.txt");
    rt::SetRunParam(rt::kParamAppName, rt::StrEmpty());
    EXPECT_EQ(name(), "log.txt");
    rt::StoreSet(rt::kGroupSystem, rt::kItemLogName, rt::StrFromLiteral("custom.log"));
    EXPECT_EQ(name(), "custom.log");
}

TEST_F(LogTest, LineLayout) {
    EXPECT_EQ(LineAfterStamp(rt::StrFromLiteral("hello")), " Kelvane none hello");
    EXPECT_EQ(LineAfterStamp(rt::StrFromLiteral("text\r\n")), " Kelvane none text");
    EXPECT_EQ(LineAfterStamp(rt::StrFromLiteral("a\r\n\r\n")), " Kelvane none a");
    // A detail appended with a line break stays on the event's line.
    EXPECT_EQ(LineAfterStamp(rt::StrFromLiteral("Error #131\r\nError #175\nthree\rfour")),
              " Kelvane none Error #131 | Error #175 | three | four");
    EXPECT_EQ(LineAfterStamp(rt::StrErr(164)), " Kelvane none Error #164");
    EXPECT_EQ(LineAfterStamp(rt::StrEmpty()), " Kelvane none");
    rt::SetRunParam(rt::kParamLogPrefix, rt::StrFromLiteral("[42]"));
    rt::SetRunParam(rt::kParamLogThird, rt::StrFromLiteral("user"));
    EXPECT_EQ(LineAfterStamp(rt::StrFromLiteral("x")), "[42] Kelvane user x");
    rt::SetRunParam(rt::kParamAppName, rt::StrEmpty());
    EXPECT_EQ(LineAfterStamp(rt::StrFromLiteral("x")), "[42] ? user x");
    rt::SetRunParam(rt::kParamAppName, rt::StrFromLiteral("Solo"));
    EXPECT_EQ(LineAfterStamp(rt::StrFromLiteral("x")), "[42] Solo user x");
}

TEST_F(LogTest, LongMessageIsCutToOneLine) {
    const std::string big(rt::kMaxText, 'm');
    const std::string rest = LineAfterStamp(V(big));
    EXPECT_EQ(rest.substr(0, 14), " Kelvane none ");
    EXPECT_LE(rest.size() + 16, rt::kMaxText - 2u);
    EXPECT_EQ(rest.find_first_not_of('m', 14), std::string::npos);
}

class LogFileTest : public LogTest {
protected:
    void SetUp() override {
        LogTest::SetUp();
        folder_.Enter();
    }
    static std::string Contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    rt_test::TempDir folder_{"kelvane_log"};
};

TEST_F(LogFileTest, AppendsOneLinePerEvent) {
    EXPECT_EQ(rt::Log(rt::StrFromLiteral("hello")), 0);
    EXPECT_EQ(rt::Log(rt::StrFromLiteral("text\r\n")), 0);
    EXPECT_EQ(rt::Log(rt::StrErr(131)), 0);
    const std::string all = Contents(folder_.path() / "UPlog.txt");
    const std::regex layout(std::string("^") + kStamp + " Kelvane none hello\r\n" + kStamp +
                            " Kelvane none text\r\n" + kStamp + " Kelvane none Error #131\r\n$");
    EXPECT_TRUE(std::regex_match(all, layout)) << all;
    EXPECT_EQ(rt::LastError().code, 0);
}

TEST_F(LogFileTest, AppendLineResults) {
    EXPECT_TRUE(rt::AppendLine(rt::StrFromLiteral("a.txt"), rt::StrFromLiteral("one")));
    EXPECT_TRUE(rt::AppendLine(rt::StrFromLiteral("a.txt"), rt::StrErr(164)));
    EXPECT_EQ(Contents(folder_.path() / "a.txt"), "one\r\nError #164\r\n");
    EXPECT_FALSE(rt::AppendLine(rt::StrEmpty(), rt::StrFromLiteral("x")));
    EXPECT_FALSE(rt::AppendLine(rt::StrErr(163), rt::StrFromLiteral("x")));
    // A folder is no file: the write fails, and only the result says so.
    fs::create_directories(folder_.path() / "sub");
    EXPECT_FALSE(rt::AppendLine(rt::StrFromLiteral("sub"), rt::StrFromLiteral("x")));
    EXPECT_FALSE(rt::AppendLine(rt::StrFromLiteral("missing/x.txt"), rt::StrFromLiteral("x")));
    EXPECT_EQ(rt::Log(rt::StrFromLiteral("fine")), 0);
    rt::StoreSet(rt::kGroupSystem, rt::kItemLogName, rt::StrFromLiteral("missing/x.txt"));
    EXPECT_EQ(rt::Log(rt::StrFromLiteral("lost")), 0);
    EXPECT_EQ(rt::LastError().code, 0);
    const std::string big(rt::kMaxText, 'b');
    EXPECT_TRUE(rt::AppendLine(rt::StrFromLiteral("big.txt"), V(big)));
    EXPECT_EQ(Contents(folder_.path() / "big.txt"), big + "\r\n");
}

TEST_F(LogFileTest, FailedWriteLeavesAnEarlierErrorAlone) {
    rt::RecordError(175, rt::kModStreams);
    rt::ReportError(175, rt::StrFromLiteral("earlier detail"));
    EXPECT_FALSE(rt::AppendLine(rt::StrFromLiteral("missing/x.txt"), rt::StrFromLiteral("x")));
    EXPECT_EQ(rt::LastError().code, 175);
    EXPECT_EQ(Str(rt::ErrorDetail()), "earlier detail");
}

TEST_F(LogFileTest, NamedLogFileIsUsed) {
    rt::StoreSet(rt::kGroupSystem, rt::kItemLogName, rt::StrFromLiteral("other.log"));
    rt::Log(rt::StrFromLiteral("x"));
    EXPECT_TRUE(fs::exists(folder_.path() / "other.log"));
    EXPECT_FALSE(fs::exists(folder_.path() / "UPlog.txt"));
}

}  // namespace
