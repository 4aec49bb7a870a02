// Tests of the refusal of hostile server file names, rule by rule, and of names that stay valid.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/text.h"
#include "protocol/file_name_check.h"

namespace rt {
namespace {

using rt_test::T;
using rt_test::V;

TEST(FileNameCheck, Table) {
    const struct { std::string name; bool ok; } cases[] = {
        // valid
        {"app.exe", true},
        {".temp", true},
        {"sub\\app.exe", true},
        {"sub/app.exe", true},
        {"a\\b\\c\\d.dll", true},
        {"CONSOLE.txt", true},
        {"CON1", true},
        {"COM10", true},
        {"LPTX.txt", true},
        {"AUXILIARY", true},
        {"NULL", true},
        {"prn_notes.txt", true},
        {"..a", true},
        {"a..b", true},
        {"dir.d\\x", true},
        {"my file.txt", true},
        {" lead", true},
        {"caf\xe9.txt", true},
        {"CONIN", true},
        // empty name and empty components
        {"", false},
        {"a\\\\b", false},
        {"a//b", false},
        {"a\\", false},
        {"a/", false},
        // rooted
        {"\\app.exe", false},
        {"/app.exe", false},
        {"\\\\server\\share\\x", false},
        // drive or stream colon
        {"C:\\x.exe", false},
        {"C:x.exe", false},
        {"app.exe:stream", false},
        // dot components
        {".", false},
        {"..", false},
        {"..\\x.exe", false},
        {"../x.exe", false},
        {"a\\..\\..\\x.exe", false},
        {"a\\.\\x", false},
        // component ending in a dot or blank
        {"app.", false},
        {"app ", false},
        {"sub.\\x", false},
        {"sub \\x", false},
        // control characters and < > " | ? *
        {std::string("a\0b", 3), false},
        {"a\tb", false},
        {"a\x1f", false},
        {"a<b", false},
        {"a>b", false},
        {"a\"b", false},
        {"a|b", false},
        {"a?b", false},
        {"a*b", false},
        // device names, any case, with or without extension, in any component
        {"CON", false},
        {"con", false},
        {"Con.txt", false},
        {"PRN", false},
        {"AUX.dat", false},
        {"nul", false},
        {"NUL.tar.gz", false},
        {"NUL .txt", false},
        {"COM0", false},
        {"com1", false},
        {"COM9.log", false},
        {"LPT0", false},
        {"lpt9.x", false},
        {"COM\xb9", false},
        {"COM\xb2.log", false},
        {"COM\xb3.txt", false},
        {"LPT\xb9", false},
        {"LPT\xb2.txt", false},
        {"LPT\xb3", false},
        {"sub\\com\xb3.txt", false},
        {"CONIN$", false},
        {"conout$.x", false},
        {"sub\\CON", false},
        {"aux\\file.txt", false},
        // the program's own names, as a name or a component, in any case
        {"~kvjournal.tmp", false},
        {"~KVLOCK.TMP", false},
        {"sub\\~kvstage\\0\\~kv0123456789ab.tmp", false},
        {"~Kb0123456789ab.tmp\\x", false},
        {"~kw", false},
        {"KVD0123456789AB.TMP", false},
        {"kvd0123456789ab.tmp", false},
        {"~k", true},
        {"~kx.txt", true},
        {"a~kvjournal.tmp", true},
        {"kvd0123456789ab.tmp.txt", true},
        {"kvd0123456789ag.tmp", true},
        {"kvd0123456789ab.txt", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckFileName(V(c.name)), c.ok ? 0 : kErrBadInput) << '"' << c.name << '"';
}

TEST(FileNameCheck, EveryByteBelowBlankIsRefused) {
    for (int b = 1; b < 0x20; ++b) {
        std::string name = "x" + std::string(1, static_cast<char>(b)) + "y";
        EXPECT_EQ(CheckFileName(V(name)), kErrBadInput) << b;
    }
    EXPECT_EQ(CheckFileName(T("x y")), 0);
}

TEST(FileNameCheck, ErrorValueGivesItsCode) {
    EXPECT_EQ(CheckFileName(StrErr(145)), 145);
}

}  // namespace
}  // namespace rt
