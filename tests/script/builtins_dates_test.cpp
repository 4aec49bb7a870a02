// Tests of the date and time built-ins FN$DATE, TIME$ and FN#VALN through the evaluator, file
// times included.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "runtime/clock.h"
#include "runtime/dates.h"
#include "runtime/dir_search.h"
#include "script/expr_eval.h"
#include "runtime/number_text.h"
#include "tests/support/system_vars.h"
#include "tests/support/text.h"
#include "tests/support/today.h"

namespace {

namespace fs = std::filesystem;

// "N:" number text, "S:" string, "E:" an error status.
std::string Eval(const std::string& text) {
    const uint16_t mark = rt::PoolMark();
    rt::ExprValue v;
    const uint16_t st = rt::EvaluateValue(rt_test::V(text), &v);
    std::string out;
    if (st >= rt::kErrUserCanceled) {
        out = "E:" + std::to_string(st);
    } else if (v.isString) {
        out = "S:" + std::string(v.text.ptr, v.text.len);
    } else {
        const rt::StrRef n = rt::NumberToText(v.number);
        out = "N:" + std::string(n.ptr, n.len);
    }
    rt::PoolRelease(mark);
    return out;
}

class BuiltinsDatesTest : public rt_test::SystemDefaultsTest {
protected:
    void SetUp() override {
        SystemDefaultsTest::SetUp();
        saved_ = std::string(rt::StoreGet(rt::kGroupParams, 0).ptr, rt::StoreGet(rt::kGroupParams, 0).len);
        // As the program starts: with the catalogue's date message.
        ASSERT_EQ(rt::LoadDateMessage(), 0);
    }
    void TearDown() override {
        SystemDefaultsTest::TearDown();
        rt::StoreSet(rt::kGroupParams, 0, rt_test::V(saved_));
        rt::SystemVarsDefaults();
        rt::CancelFlag(0);
    }
    std::string saved_;
};

TEST_F(BuiltinsDatesTest, DateFormats) {
    struct { const char* expr; const char* out; } cases[] = {
        {"FN$DATE('20240131')", "S:20240131"},
        {"FN$DATE('20240131';1)", "S:31-01-24"},
        {"FN$DATE('20240131';2)", "S:31-01-2024"},
        {"FN$DATE(20240131;2)", "S:31-01-2024"},      // a number is written as text first
        {"FN$DATE('31/01/24';0)", "S:20240131"},       // a text with a separator is read
        {"FN$DATE('31.1.2024';2)", "S:31-01-2024"},
        {"FN$DATE('20240131';3)", "S:Ene 2024"},
        {"FN$DATE('20240131';4)", "S:31 de Enero de 2024"},
        {"FN$DATE('20240230';2)", "S:          "},
        {"FN$DATE('20240230';1)", "S:        "},
        {"FN$DATE('20240131';5)", "S:"},
        {"FN$DATE('20240131';130)", "E:164"},           // bit 128: a file name, here missing
        {"FN$DATE('31/02/24';2)", "E:163"},
        {"FN$DATE('00/01/2024';2)", "S:          "},  // a zero or missing part: no date, not today
        {"FN$DATE('1/2';1)", "S:        "},
        {"FN$DATE('a';2;3)", "E:147"},
        {"FN$DATE('20240131';'x')", "E:128"},
    };
    for (const auto& c : cases) {
        rt::RecordError(0, 0);
        EXPECT_EQ(Eval(c.expr), c.out) << c.expr;
    }
}

TEST_F(BuiltinsDatesTest, DateWithoutArgumentIsToday) {
    EXPECT_EQ(Eval("FN$DATE()"), "S:" + rt_test::TodayText());
    EXPECT_EQ(Eval("FN$DATE('';0)"), "S:" + rt_test::TodayText());
    rt::IntSet(rt::kSysAuxStat, 64);
    EXPECT_EQ(Eval("FN$DATE('';0)"), "S:");
}

TEST_F(BuiltinsDatesTest, WithoutTheDateMessageMonthsAreEnglish) {
    rt::StoreSet(rt::kGroupParams, 0, rt::StrEmpty());
    EXPECT_EQ(Eval("FN$DATE('20240131';4)"), "S:January 31, 2024");
    EXPECT_EQ(Eval("FN$DATE('20240131';3)"), "S:Jan 2024");
}

TEST_F(BuiltinsDatesTest, TimeForms) {
    struct { const char* expr; const char* out; } cases[] = {
        {"TIME$(45296789;7)", "S:12:34:56.789"},
        {"TIME$(45296789)", "S:1234"},
        {"TIME$(45296789;3)", "S:12:34:56"},
        {"TIME$(45296789.6;7)", "S:12:34:56.790"},   // a number is rounded to whole milliseconds
        {"TIME$('12:30';3)", "S:00:12:30"},
        {"TIME$('123000';1)", "S:12:30"},
        {"TIME$('9h';3)", "S:09:00:00"},
        {"TIME$('1.5';15)", "S:00:00:01.500"},       // flag 8: seconds with decimals
        {"TIME$('12:3x';3)", "E:163"},
        {"TIME$('x.txt';131)", "E:164"},              // flag 128: a missing file
        {"TIME$(1;2;3)", "E:147"},
    };
    for (const auto& c : cases) {
        rt::RecordError(0, 0);
        EXPECT_EQ(Eval(c.expr), c.out) << c.expr;
    }
    const std::string now = Eval("TIME$(;3)");
    ASSERT_EQ(now.size(), 10u) << now;
    EXPECT_EQ(now[4], ':');
}

TEST_F(BuiltinsDatesTest, TimeFlag64Waits) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Eval("TIME$(30;64)"), "S:");
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(), 30);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(Eval("TIME$(;64)"), "S:");  // nothing to wait for
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(), 1000);
    // A cancel from the progress window ends the wait at once.
    rt::CancelFlag(1);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(Eval("TIME$(5000;64)"), "E:122");
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(), 1000);
}

TEST_F(BuiltinsDatesTest, ValueOfTexts) {
    struct { const char* expr; const char* out; } cases[] = {
        {"FN#VALN('12.5')", "N:12.5"},
        {"FN#VALN('15D2';'N')", "N:1500"},
        {"FN#VALN(7)", "N:7"},
        {"FN#VALN('12:30';'T')", "N:750"},
        {"FN#VALN('0:0:1.25';'T')", "N:1.25"},
        {"FN#VALN('31/01/24';'D')", "N:31"},
        {"FN#VALN('31/01/24';'M')", "N:1"},
        {"FN#VALN('31/01/24';'Y')", "N:2024"},
        {"FN#VALN('31/01/24';'V')", "N:20240131"},
        {"FN#VALN(20240131;'y')", "N:2024"},
        {"FN#VALN('20240131';'M';1)", "N:20240229"},
        {"FN#VALN('20230228';'D';1)", "N:20230301"},
        {"FN#VALN('20240131';'Y';-1)", "N:20230131"},
        {"FN#VALN('20240101';'D';20241231)", "N:365"},
        {"FN#VALN('20240101';'D';'31/12/2024')", "N:365"},   // a text third argument is a date
        {"FN#VALN('20241231';'M';'1/1/2024')", "N:11"},
        {"FN#VALN('20240101';'Y';20300101)", "N:6"},
        {"FN#VALN('20240131';'V';1)", "E:147"},
        {"FN#VALN('20240131';'Q')", "E:147"},
        {"FN#VALN('31/02/24';'D')", "E:163"},
        {"FN#VALN('99991231';'D';1)", "E:163"},
        {"FN#VALN()", "E:147"},
        {"FN#VALN('1';2)", "E:128"},
    };
    for (const auto& c : cases) {
        rt::RecordError(0, 0);
        EXPECT_EQ(Eval(c.expr), c.out) << c.expr;
    }
}

TEST_F(BuiltinsDatesTest, FileTimeForms) {
    const fs::path dir = fs::temp_directory_path() / ("kelvane_dates_" + std::to_string(rt::ClockSteadyMicros()));
    fs::create_directories(dir);
    const fs::path file = dir / "stamp.txt";
    std::ofstream(file) << "x";
    const std::string name = file.string();
    ASSERT_EQ(rt::SetFileWriteTimeLocal(rt::StrMake(name.data(), static_cast<uint16_t>(name.size())), 20230415,
                                        45296000),
              0);
    int32_t date = 0, ms = 0;
    ASSERT_EQ(rt::FileTime(rt::StrMake(name.data(), static_cast<uint16_t>(name.size())), rt::kFileWritten, &date, &ms), 0);
    EXPECT_EQ(date, 20230415);
    EXPECT_EQ(ms, 45296000);
    EXPECT_EQ(Eval("FN$DATE('" + name + "';130)"), "S:15-04-2023");
    EXPECT_EQ(Eval("FN$DATE('" + name + "';128)"), "S:20230415");
    EXPECT_EQ(Eval("TIME$('" + name + "';129)"), "S:12:34");
    EXPECT_EQ(Eval("TIME$('" + name + "';131)"), "S:12:34:56");
    EXPECT_EQ(Eval("TIME$('" + name + "';135)"), "S:12:34:56.000");
    const std::string missing = (dir / "none.txt").string();
    EXPECT_EQ(rt::FileTime(rt::StrMake(missing.data(), static_cast<uint16_t>(missing.size())), rt::kFileWritten,
                           &date, &ms),
              164);
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
