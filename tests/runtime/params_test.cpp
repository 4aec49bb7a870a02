// Run-time parameters: the key-and-value lookup with every flag, the retries, copies and %NAME%.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "runtime/catalogue.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "tests/support/run_params.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Err;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class ParamsTest : public rt_test::EmptyParamsTest {};

// The value ParamFind locates, "<absent>" when it finds none.
std::string Found(const std::string& text, const char* key, uint16_t flags) {
    const ParamSpan span = ParamFind(V(text), T(key), flags);
    if (span.pos == kNpos) return "<absent>";
    EXPECT_LE(uint32_t{span.pos} + span.len, text.size());
    return text.substr(span.pos, span.len);
}

}  // namespace

// The date message is message 19 of the catalogue in use: the built-in one, or a loaded language.
TEST_F(ParamsTest, DateMessageIsLoadedFromTheCatalogue) {
    const uint16_t mark = PoolMark();
    ASSERT_EQ(LoadDateMessage(), 0);
    EXPECT_EQ(Str(RunParam(kParamDateMessage)), Str(Message(19)));
    EXPECT_EQ(Str(RunParam(kParamDateMessage)).substr(0, 3), "NS;");
    const char resource[] = "0018 x\0" "0019 NY;,NO,YES;Jan,Feb\0" "0020 y";
    ASSERT_EQ(StoreSet(kGroupSystem, kItemLangResource, StrMake(resource, sizeof resource - 1)), 0);
    EXPECT_EQ(LoadDateMessage(), 0);
    StoreSet(kGroupSystem, kItemLangResource, StrEmpty());
    EXPECT_EQ(Str(RunParam(kParamDateMessage)), "NY;,NO,YES;Jan,Feb");
    PoolRelease(mark);
}

TEST_F(ParamsTest, FindTable) {
    struct Case { const char* text; const char* key; uint16_t flags; const char* want; };
    const Case cases[] = {
        {"prog.exe /MODE:ADMIN /DPATH:'C:\\x y'", "MODE", 0, "ADMIN"},
        {"prog.exe /MODE:ADMIN /DPATH:'C:\\x y'", "DPATH", 0, "'C:\\x y'"},
        {"prog.exe /DPATH:C:\\x", "DPATH", 0, "C"},           // the drive colon ends the value
        {"prog.exe XMODE:1", "MODE", 0, "<absent>"},          // a key must follow a separator
        {"MODE:1", "MODE", 0, "1"},                           // or start the text
        {"prog.exe /MODE=batch", "MODE", 0, "batch"},
        {"A=1 A:2", "A", 0, "2"},                             // ':' entries are preferred
        {"A=1 B:2", "A", 0, "1"},
        {"/A:1&B:2", "B", 0, "2"},
        {"/A:1&B:2", "A", 0, "1"},
        {"x/A:1/B", "A", 0, "1"},
        {"/a:1", "A", 0, "<absent>"},                         // keys are compared exactly
        {"/A:", "A", 0, ""},                                  // present, empty value
        {"/A", "A", 0, "<absent>"},                           // no assignment mark
        {"/A:x", "ABCDEFGH", 0, "<absent>"},                  // key longer than the text
        {"/AB:1 /A:2", "A", 0, "2"},
        // the dash counts as a separator only with 0x200
        {"-A:1", "A", 0, "<absent>"},
        {"-A:1-B", "A", kParamDash, "1"},
        {"/A:1-2", "A", 0, "1-2"},
        // 0x10..0x30: only the colon separates
        {"x A:1 2", "A", kParamColonOnly, "<absent>"},
        {"x:A:1 2/3:B", "A", kParamColonOnly, "1 2/3"},
        {"x:A:1 2/3:B", "A", 0x20, "1 2/3"},
        {"x:A:1 2/3:B", "A", 0x30, "1 2/3"},
        {"x:A:1-2", "A", kParamColonOnly | kParamDash, "1-2"},  // the set is reduced to ':'
        // 0x40 (with or without 0x10..0x30): only the blank separates
        {"x/A:1/2 B", "A", kParamBlankOnly, "<absent>"},
        {"x A:1/2:3 B", "A", kParamBlankOnly, "1/2:3"},
        {"x A:1/2:3 B", "A", kParamBlankOnly | kParamColonOnly, "1/2:3"},
        // quotes: keys inside them are not seen, separators inside them do not end a value
        {"/C:'/A:1' /A:2", "A", 0, "2"},
        {"/C:\"/A:1\" /A:2", "A", 0, "2"},
        {"/A:'x y' /B:1", "A", 0, "'x y'"},
        {"/A:'x \"y' /B:1", "B", 0, "1"},
        {"/A:'x /B:1", "B", 0, "<absent>"},                   // an unclosed quote hides the rest
        {"/A:'x /B:1", "A", 0, "'x /B:1"},
        {"/A:x'y z' w", "A", 0, "x'y z'"},
        // 0x08: a quoted value ends only at a separator right behind its quote
        {"/A:'x y'z w", "A", 0, "'x y'z"},
        {"/A:'x y'z w", "A", kParamQuotedSeps, "'x y'z w"},
        {"/A:'x y' w", "A", kParamQuotedSeps, "'x y'"},
        {"/A:x y", "A", kParamQuotedSeps, "x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Found(c.text, c.key, c.flags), c.want) << c.text << " key " << c.key << " flags " << c.flags;
    }
}

TEST_F(ParamsTest, FindInNulMode) {
    const std::string text("A:1 2/3\0B=x y\0xC:9\0C:'a\0b'", 27);
    EXPECT_EQ(Found(text, "A", kParamNulMode), "1 2/3");
    EXPECT_EQ(Found(text, "B", kParamNulMode), "x y");
    EXPECT_EQ(Found(text, "C", kParamNulMode), "'a");        // NUL ends a value even in quotes
    EXPECT_EQ(Found(text, "b'", kParamNulMode), "<absent>");
    EXPECT_EQ(Found(std::string("x B:1", 5), "B", kParamNulMode), "<absent>");  // blank is no separator
    EXPECT_EQ(Found(std::string("'\0A:1", 5), "A", kParamNulMode), "1");       // plain search
}

TEST_F(ParamsTest, FindRefusesErrorValues) {
    EXPECT_EQ(ParamFind(StrErr(145), T("A"), 0).pos, kNpos);
    EXPECT_EQ(ParamFind(T("/A:1"), StrErr(145), 0).pos, kNpos);
}

TEST_F(ParamsTest, GetByFlags) {
    const StrRef text = T("/A:' x ' /B:abc /C:\"q\"");
    struct Case { const char* key; uint16_t flags; std::string want; };
    const Case cases[] = {
        {"A", 0, "' x '"},
        {"A", kParamUnquote, " x "},
        {"A", kParamUnquote | kParamTrim, " x "},
        {"B", kParamUnquote | kParamTrim, "ABC"},  // an unquoted value is upper-cased
        {"B", kParamUnquote, "abc"},
        {"B", kParamTrim, "abc"},                  // 2 without 1 does nothing
        {"C", kParamUnquote, "q"},
        {"D", 0, ""},
        {"D", kParamRequired, Err(127)},
        {"b", kParamUnquote, ""},
        {"b", kParamUnquote | kParamFlipCase, "abc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return ParamGetRetry(text, T(c.key), c.flags); })), c.want)
            << c.key << " flags " << c.flags;
    }
    // Unquoted and raw results are pieces of the text.
    EXPECT_TRUE(rt_test::Inside(ParamGet(text, T("A"), kParamUnquote), text));
    EXPECT_EQ(Str(ParamGet(StrErr(131), T("A"), 0)), Err(131));
    EXPECT_EQ(Str(ParamGet(text, StrErr(131), 0)), Err(131));
}

TEST_F(ParamsTest, RetryOnlyWhenAbsent) {
    // Present with an empty value: no retry with the flipped key.
    const StrRef text = T("/MODE: /mode:x");
    EXPECT_EQ(Str(ParamGetRetry(text, T("MODE"), kParamUnquote | kParamFlipCase)), "");
    EXPECT_EQ(Str(ParamGetRetry(T("/mode:x"), T("MODE"), kParamUnquote | kParamFlipCase | kParamRequired)), "x");
}

TEST_F(ParamsTest, ValueTable) {
    struct Case { const char* text; const char* key; const char* want; };
    const Case cases[] = {
        {"prog.exe /MODE:ADMIN /DPATH:'C:\\x y'", "MODE", "ADMIN"},
        {"prog.exe /MODE:ADMIN /DPATH:'C:\\x y'", "DPATH", "C:\\x y"},
        {"prog.exe /MODE=batch", "MODE", "BATCH"},
        {"prog.exe /mode:x", "MODE", "x"},         // lower-case retry only unquotes
        {"prog.exe /mode:' x '", "MODE", " x "},
        {"prog.exe /MODE:x", "mode", "X"},         // a key above 'Z' retries trimmed
        {"prog.exe /MODE:'x'", "mode", "x"},
        {"prog.exe /Mode:x", "MODE", ""},          // the flipped key is "mode", not "Mode"
        {"prog.exe", "MODE", ""},
        {"", "MODE", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return ParamValue(T(c.text), T(c.key)); })), c.want)
            << c.text << " key " << c.key;
    }
}

TEST_F(ParamsTest, CopyLeavesOneEntry) {
    const StrRef text = T("/RUN:'a b' /%X:'q'");
    const uint16_t before = PoolMark();
    ASSERT_EQ(ParamCopy(text, T("RUN")), 0);
    EXPECT_EQ(PoolMark(), before + 1);
    EXPECT_EQ(Str(PoolTop()), "a b");
    EXPECT_FALSE(rt_test::Inside(PoolTop(), text));

    ASSERT_EQ(ParamCopy(text, T("%X")), 0);  // a key with '%' is copied raw
    EXPECT_EQ(Str(PoolTop()), "'q'");

    ASSERT_EQ(ParamCopy(text, T("NONE")), 0);
    EXPECT_EQ(Str(PoolTop()), "");
    EXPECT_EQ(PoolMark(), before + 3);

    EXPECT_EQ(ParamCopy(StrErr(146), T("RUN")), 146);
    EXPECT_EQ(PoolMark(), before + 3);
}

TEST_F(ParamsTest, RunParamsStartEmpty) {
    EXPECT_EQ(Str(RunParam(kParamAppFolder)), "");
    ASSERT_EQ(SetRunParam(kParamAppFolder, T("C:\\apps")), 0);
    EXPECT_EQ(Str(RunParam(kParamAppFolder)), "C:\\apps");
    EXPECT_EQ(Str(RunParam(kParamDocsFolder)), "");
    EXPECT_EQ(SetRunParam(kParamDocsFolder, StrErr(145)), 145);
}

TEST_F(ParamsTest, CommandLineIsStoredTidy) {
    ASSERT_EQ(SetCommandLine("k.exe \"a\"  \"b\"   \"c\""), 0);
    EXPECT_EQ(Str(RunParam(kParamCommandLine)), "k.exe \"a\" \"b\"   \"c\"");
    EXPECT_EQ(SetCommandLine(nullptr), kErrBadInput);
}

TEST_F(ParamsTest, OverLongCommandLineIsRefused) {
    ASSERT_EQ(SetCommandLine("k.exe /RUN:x"), 0);
    const std::string fits = "k.exe /RUN:" + std::string(kMaxText - 11, 'y');
    ASSERT_EQ(fits.size(), kMaxText);
    ASSERT_EQ(SetCommandLine(fits.c_str()), 0);
    EXPECT_EQ(RunParam(kParamCommandLine).len, kMaxText);

    ASSERT_EQ(SetCommandLine("k.exe /RUN:x"), 0);
    for (size_t n : {size_t{kMaxText} + 1, size_t{65535}, size_t{65536}, size_t{70000}}) {
        const std::string line = "k.exe /RUN:" + std::string(n - 11, 'y');
        EXPECT_EQ(SetCommandLine(line.c_str()), kErrBadCommandLine) << n;
        EXPECT_EQ(Str(RunParam(kParamCommandLine)), "k.exe /RUN:x") << n;
    }
    EXPECT_EQ(LastError().code, kErrBadCommandLine);
}

TEST_F(ParamsTest, ExpandTable) {
    ASSERT_EQ(SetRunParam(1, T("k.exe /RUN:x")), 0);
    ASSERT_EQ(SetRunParam(2, T("UP:Kelvane")), 0);
    ASSERT_EQ(SetRunParam(3, T("Kelvaner by Orvik")), 0);
    ASSERT_EQ(SetRunParam(4, T("read")), 0);
    ASSERT_EQ(SetRunParam(5, T("C:\\apps")), 0);
    ASSERT_EQ(SetRunParam(6, T("C:\\docs")), 0);
    ASSERT_EQ(SetRunParam(7, T("C:\\help")), 0);
    ASSERT_EQ(SetRunParam(11, T("srv, ' my db ' ,user,\"pw\"")), 0);
    struct Case { const char* text; const char* want; };
    const Case cases[] = {
        {"%APNAME%report.ppn", "UPreport.ppn"},
        {"%FOO%x", "x"},
        {"'%APNAME%'", "'UP'"},  // references inside quotes are expanded too
        {"%COMMANDLINE%", "k.exe /RUN:x"},
        {"%APDESCRIP%", "Kelvaner by Orvik"},
        {"%LANGMODULE.DOCPATH%", "read"},
        {"%DATAPATH%\\x", "C:\\apps\\x"},
        {"%HELPPATH%", "C:\\docs"},  // the sixth name refers to item 6
        {"%DOCPATH%", ""},
        {"%apname%", ""},            // names are compared exactly
        {"%DATABASE_HOST%", "SRV"},  // TrimUnquote upper-cases what it leaves unchanged
        {"%DATABASE_DBNAME%", " my db "},
        {"%DATABASE_USER%", "USER"},
        {"%DATABASE_PASSW%", "pw"},
        {"%APNAME%-%APNAME%-%DATAPATH%", "UP-UP-C:\\apps"},
        {"%%x", "x"},
        {"50% off", "50% off"},
        {"a%b%c%APNAME%", "acUP"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Str(Disciplined([&] { return ExpandParams(T(c.text)); })), c.want) << c.text;
    }
}

TEST_F(ParamsTest, ExpandWithoutPairsReturnsTheInput) {
    const StrRef text = T("no references");
    const uint16_t before = PoolMark();
    const StrRef out = ExpandParams(text);
    EXPECT_EQ(out.ptr, text.ptr);
    EXPECT_EQ(PoolMark(), before);
    EXPECT_EQ(Str(ExpandParams(StrErr(163))), Err(163));
}

TEST_F(ParamsTest, ExpandAppNameShorterThanCode) {
    ASSERT_EQ(SetRunParam(2, T("U")), 0);
    EXPECT_EQ(Str(ExpandParams(T("[%APNAME%]"))), "[U]");
    ASSERT_EQ(SetRunParam(2, T("")), 0);
    EXPECT_EQ(Str(ExpandParams(T("[%APNAME%]"))), "[]");
}

TEST_F(ParamsTest, ExpandStopsOnSelfReference) {
    // A value that is its own reference would be replaced by itself for ever.
    ASSERT_EQ(SetRunParam(1, T("%COMMANDLINE%")), 0);
    EXPECT_EQ(Str(Disciplined([] { return ExpandParams(T("<%COMMANDLINE%>")); })), "<%COMMANDLINE%>");

    // Each round adds one character: the rounds are bounded.
    ASSERT_EQ(SetRunParam(1, T("x%COMMANDLINE%")), 0);
    const StrRef grown = Disciplined([] { return ExpandParams(T("%COMMANDLINE%")); });
    ASSERT_TRUE(grown.ok());
    EXPECT_EQ(grown.len, kMaxExpandRounds + 13);

    // Two values naming each other.
    ASSERT_EQ(SetRunParam(3, T("%HELPPATH%")), 0);
    ASSERT_EQ(SetRunParam(6, T("%APDESCRIP%")), 0);
    EXPECT_TRUE(Disciplined([] { return ExpandParams(T("%APDESCRIP%")); }).ok());
}

TEST_F(ParamsTest, ExpandThatDoublesEndsWith145) {
    ASSERT_EQ(SetRunParam(1, T("%COMMANDLINE%%COMMANDLINE%")), 0);
    EXPECT_EQ(Str(Disciplined([] { return ExpandParams(T("%COMMANDLINE%")); })), Err(145));
}

TEST_F(ParamsTest, HugeTextsStayInBounds) {
    // A 65535-byte text whose last entry has an empty value: the value must not read as absent.
    std::string text(65535, 'a');
    text.replace(65532, 3, "/A:");
    const ParamSpan span = ParamFind(V(text), T("A"), 0);
    ASSERT_NE(span.pos, kNpos);
    EXPECT_EQ(span.len, 0);
    EXPECT_EQ(Str(ParamGet(V(text), T("A"), kParamUnquote)), "");

    const std::string key(40000, 'k');
    EXPECT_EQ(ParamFind(T("/k:1"), V(key), 0).pos, kNpos);
    // TrimUnquote of a value over kMaxText cannot be built.
    std::string big = "/A:" + std::string(40000, 'v');
    EXPECT_EQ(Str(Disciplined([&] { return ParamValue(V(big), T("A")); })), Err(145));
    EXPECT_EQ(Str(Disciplined([&] { return ParamValue(V(big), V(key)); })), Err(145));
}

TEST_F(ParamsTest, RandomTextsNeverReadOutside) {
    // Exactly sized heap copies let the address sanitizer catch any read past a text.
    std::mt19937 rng(7);
    const char alphabet[] = ":= &/-'\"AB\0x";
    const char* keys[] = {"A", "AB", "B", "a", ""};
    for (int round = 0; round < 3000; ++round) {
        const size_t n = rng() % 24;
        std::unique_ptr<char[]> buf(new char[n ? n : 1]);
        for (size_t i = 0; i < n; ++i) buf[i] = alphabet[rng() % (sizeof alphabet - 1)];
        const StrRef text = StrMake(buf.get(), static_cast<uint16_t>(n));
        const uint16_t flags = static_cast<uint16_t>(rng() & 0x3FF);
        for (const char* k : keys) {
            const ParamSpan span = ParamFind(text, T(k), flags);
            if (span.pos != kNpos) {
                ASSERT_LE(uint32_t{span.pos} + span.len, n);
            }
            const uint16_t before = PoolMark();
            const StrRef v = ParamGetRetry(text, T(k), flags);
            ASSERT_TRUE(v.ok() || StrError(v) == kErrOutOfData);
            PoolRelease(before);
            PoolRelease(before);
            (void)ParamValue(text, T(k));
            (void)ExpandParams(text);
            PoolRelease(before);
        }
    }
}

TEST_F(ParamsTest, FullPoolGives145) {
    ASSERT_EQ(SetRunParam(2, T("UP:Kelvane")), 0);
    const StrRef text = T("/MODE:admin /RUN:'x'");
    FillPool(8);
    const uint16_t before = PoolMark();
    EXPECT_EQ(Str(ParamValue(T("/MODE:admin-and-more-than-eight"), T("MODE"))), Err(145));
    EXPECT_EQ(Str(ExpandParams(T("a long text around %APNAME% that cannot fit"))), Err(145));
    EXPECT_EQ(ParamCopy(T("/RUN:a-value-longer-than-eight"), T("RUN")), 145);
    EXPECT_EQ(PoolMark(), before);
    // Pieces of the input need no pool space.
    EXPECT_EQ(Str(ParamGet(text, T("RUN"), kParamUnquote)), "x");
}
