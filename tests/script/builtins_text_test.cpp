// Tests of the text built-ins through the language: FN$CHNG, FN$CHRS, FN$TRIM, ENVELOP$, INDEXOF,
// FN#FLEN and FN$FLDS, with the argument rules every built-in shares.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "runtime/host_hooks.h"
#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/variables.h"
#include "script/builtins_common.h"
#include "script/console.h"
#include "script/expr_eval.h"
#include "tests/support/console.h"

namespace {

using rt::StrRef;

class BuiltinTextTest : public rt_test::ConsoleLineTest {};

TEST_F(BuiltinTextTest, ChangeModesAndReplacement) {
    Check({
        {"FN$CHNG('a  b   c';'CLEAN')", "S:a b c"},
        {"FN$CHNG('abc';'FILTER';'ac')", "S:ac"},
        {"FN$CHNG('hello World';'UCASE')", "S:HELLO WORLD"},
        {"FN$CHNG('Hello World';'LCASE')", "S:hello world"},
        {"FN$CHNG('hELLO wORLD';'TCASE')", "S:Hello world"},
        {"FN$CHNG('abcabc';'b';'XY')", "S:aXYcaXYc"},
        {"FN$CHNG('abcabc';'b')", "S:acac"},
        {"FN$CHNG('abcabc';'bc';'')", "S:aa"},
        // Quoted text is left alone unless the option asks to search everywhere.
        {"FN$CHNG(\"a'b'b\";'b';'X')", "S:a'b'X"},
        {"FN$CHNG(\"a'b'b\";'b';'X';0)", "S:a'b'X"},
        {"FN$CHNG(\"a'b'b\";'b';'X';1)", "S:a'X'X"},
        // Translation: equal lengths go character by character, else chunk by chunk.
        {"FN$CHNG('abcd';'FILTER';'ab';'xy')", "S:xycd"},
        {"FN$CHNG('aXbXc';'FILTER';'X';'--')", "S:a--b--c"},
        {"FN$CHNG('a--b--c';'FILTER';'--';'X')", "S:aXbXc"},
        {"FN$CHNG('abc';'FILTER')", "S:"},
        {"FN$CHNG('abc';'FILTER';'')", "S:"},
        // Mode words count only as written; another spelling is a search text.
        {"FN$CHNG('ucase';'ucase';'x')", "S:x"},
        {"FN$CHNG('';'UCASE')", "S:"},
        {"FN$CHNG('abc';'')", "S:abc"},
        {"FN$CHNG(1;'UCASE')", "E:128"},
        {"FN$CHNG('a';2)", "E:128"},
        {"FN$CHNG('a';'a';2)", "E:128"},
        {"FN$CHNG('a';'a';'b';'c')", "E:128"},
        {"FN$CHNG('a')", "E:147"},
        {"FN$CHNG('a';'b';'c';1;5)", "E:147"},
    });
}

TEST_F(BuiltinTextTest, CharsRepeatsCodesAndTexts) {
    Check({
        {"FN$CHRS(65)", "S:A"},
        {"FN$CHRS(65;3)", "S:AAA"},
        {"FN$CHRS(65.4)", "S:A"},
        {"FN$CHRS('ab';2)", "S:abab"},
        {"FN$CHRS('ab';0)", "S:"},
        {"FN$CHRS('ab';-3)", "S:"},
        {"FN$CHRS(;2)", "S:"},
        {"FN$CHRS(65;)", "S:A"},
        {"FN#SLEN(FN$CHRS(0))", "N:1"},
        {"FN#SLEN(FN$CHRS(255;4))", "N:4"},
        {"FN$CHRS(256)", "E:163"},
        {"FN$CHRS(-1)", "E:163"},
        {"FN$CHRS(65;'a')", "E:128"},
        {"FN$CHRS()", "E:147"},
        {"FN$CHRS(65;1;1)", "E:147"},
        // The one-piece limit: 32764 bytes fit, one more does not.
        {"FN#SLEN(FN$CHRS('x';32764))", "N:32764"},
        {"FN#SLEN(FN$CHRS('x';32765))", "E:145"},
        {"FN$CHRS('ab';20000)", "E:145"},
        {"FN$CHRS('abc';32767)", "E:145"},
    });
}

TEST_F(BuiltinTextTest, TrimModes) {
    Check({
        {"FN$TRIM('  ab  ')", "S:ab"},
        {"FN$TRIM('abc';'FIT')", "S:ABC"},
        {"FN$TRIM(' abc';'FIT')", "S:abc"},
        {"FN$TRIM(\" 'ab' \";'FIT')", "S:ab"},
        {"FN$TRIM(\"'ab'\";'FIT')", "S:ab"},
        {"FN$TRIM('  ab  ';'LEFTTRIM')", "S:ab  "},
        {"FN$TRIM('  ab  ';'RIGHTRIM')", "S:  ab"},
        {"FN$TRIM('  ab  ';'BOTHTRIM')", "S:ab"},
        {"FN$TRIM('  ab  ';)", "S:ab"},
        {"FN$TRIM($$('\\tab\\t '))", "S:ab"},
        {"FN$TRIM($$('ab\\r\\n\\n');'CHOP')", "S:ab"},
        {"FN$TRIM($$(' ab \\r');'CHOP')", "S: ab "},
        {"FN$TRIM('')", "S:"},
        {"FN$TRIM(1.5)", "S:1.5"},
        {"FN$TRIM(-2)", "S:-2"},
        {"FN$TRIM(0)", "S:"},
        {"FN$TRIM(12;'FIT')", "S:12"},
        {"FN$TRIM('a';'fit')", "E:147"},
        {"FN$TRIM('a';'MIDDLE')", "E:147"},
        {"FN$TRIM('a';'')", "E:147"},
        {"FN$TRIM('a';1)", "E:128"},
        {"FN$TRIM()", "E:147"},
        {"FN$TRIM('a';'FIT';1)", "E:147"},
    });
}

TEST_F(BuiltinTextTest, EnvelopeFindsThePartner) {
    Check({
        {"ENVELOP$(\"a'b'c\")", "S:b"},
        {"ENVELOP$(\"a'b'c\";'')", "S:b"},
        {"ENVELOP$('f(a(b)c)d';'(')", "S:a(b)c"},
        {"ENVELOP$('a<b>c';'<')", "S:b"},
        {"ENVELOP$('a[b]c';'[')", "S:b"},
        {"ENVELOP$('a{b}c';'{')", "S:b"},
        {"ENVELOP$('a|b|c';'|')", "S:b"},
        {"ENVELOP$('a|b|c';'|x')", "S:b"},
        {"ENVELOP$('abc';'(')", "S:"},
        {"ENVELOP$('a(b';'(')", "S:"},
        {"ENVELOP$('a((b)';'(')", "S:"},
        {"ENVELOP$('')", "S:"},
        {"ENVELOP$(1)", "E:128"},
        {"ENVELOP$('a';40)", "E:128"},
        {"ENVELOP$()", "E:147"},
    });
}

TEST_F(BuiltinTextTest, IndexOfForwardBackwardAndQuotes) {
    Check({
        {"INDEXOF('abcabc';'c')", "N:2"},
        {"INDEXOF('abcabc';'c';0;1)", "N:5"},
        {"INDEXOF('abcabc';'c';;1)", "N:5"},
        {"INDEXOF('abc';'z')", "N:-1"},
        {"INDEXOF('abc';'z';0;1)", "N:-1"},
        {"INDEXOF('abcabc';'bc')", "N:1"},
        {"INDEXOF('abcabc';'bc';0;1)", "N:4"},
        {"INDEXOF('abcabc';'abc';0;1)", "N:3"},
        {"INDEXOF(\"a'c'c\";'c')", "N:4"},
        {"INDEXOF(\"a'c'c\";'c';1)", "N:2"},
        {"INDEXOF(\"c'c'x\";'c';0;1)", "N:"},
        {"INDEXOF(\"c'c'x\";'c';1;1)", "N:2"},
        {"INDEXOF('abc';'')", "N:-1"},
        {"INDEXOF('';'a')", "N:-1"},
        {"INDEXOF('ab';'abc')", "N:-1"},
        {"INDEXOF('abc')", "E:147"},
        {"INDEXOF('abc';'a';0;0;0)", "E:147"},
        {"INDEXOF('abc';1)", "E:128"},
        {"INDEXOF('abc';'a';'x')", "E:128"},
    });
}

TEST_F(BuiltinTextTest, SharedArgumentRules) {
    Check({
        // An empty argument takes the default.
        {"FN$MIDS('abc';;2)", "S:c"},
        {"FN$MIDS('ABCDEF';2;3)", "S:BCD"},
        {"FN$MIDS('ABCDEF';-2)", "S:EF"},
        // Only the first 16 arguments are evaluated: a 17th that would fail is never run.
        {"$$('a';'b';'c';'d';'e';'f';'g';'h';'i';'j';'k';'l';'m';'n';'o';'p';'q'-'r')",
         std::string("S:a\0b\0c\0d\0e\0f\0g\0h\0i\0j\0k\0l\0m\0n\0o\0p", 33)},
        {"FN$TRIM('a';'FIT';3;4;5;6;7;8;9;10;11;12;13;14;15;16;'x'-'y')", "E:147"},
        // An argument's error stops the call and comes back unchanged.
        {"FN$TRIM('a'-'b')", "E:147"},
        {"FN$TRIM(1+'a')", "E:128"},
        {"INDEXOF(FN$CHRS(300);'a')", "E:163"},
        {"FN$CHNG(FN$CHRS('ab';20000);'a')", "E:145"},
        {"FN$TRIM((1+2)", "E:129"},
        // Results take part in expressions with their own types.
        {"FN$TRIM(' a ')+FN$CHRS(98)", "S:ab"},
        {"INDEXOF('abc';'c')*10", "N:20"},
        {"FN$TRIM('a')+1", "E:128"},
        // Lower-case names are found too.
        {"fn$trim(' a ')", "S:a"},
    });
}

// Hook 28 answers for the names it knows and declines the others.
int64_t FileLengthHook(StrRef name) { return rt::StrEq(name, "virtual") ? 4242 : -1; }

TEST_F(BuiltinTextTest, FileLength) {
    const char* name = "builtins_flen_test.tmp";
    std::FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("12345", f);
    std::fclose(f);
    Check({
        {std::string("FN#FLEN('") + name + "')", "N:5"},
        {"FN#FLEN('.')", "N:"},
        {"FN#FLEN('no such file.tmp')", "N:"},
        {"FN#FLEN('')", "N:"},
        {"FN#FLEN(1)", "E:128"},
        {"FN#FLEN()", "E:147"},
        {"FN#FLEN('a';'b')", "E:147"},
        {"FN#FLEN('virtual')", "N:"},
    });
    rt::HookSet(rt::kHookFileLength, reinterpret_cast<rt::HookFn>(&FileLengthHook));
    Check({
        {"FN#FLEN('virtual')", "N:4242"},
        {std::string("FN#FLEN('") + name + "')", "N:5"},
    });
    rt::HookSet(rt::kHookFileLength, nullptr);
    std::remove(name);
}

StrRef FieldReadHook(StrRef field, int16_t index) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.*s@%d", field.len, field.ptr, index);
    return rt::Copy(StrRef{buf, static_cast<uint16_t>(n)});
}

StrRef UnknownNameHook(StrRef name, int request, StrRef value) {
    if (request != rt::kVarHookRead || !rt::StrEq(name, "HOSTNAME$")) return rt::StrErr(rt::kErrBadInput);
    return rt::Concat(rt::StrFromLiteral("host#"), value);
}

TEST_F(BuiltinTextTest, FieldValueByName) {
    Check({
        {"fv1$='text';FN$FLDS(fv1$)", "S:text"},
        {"fv1$='text';FN$FLDS('fv1$')", "S:text"},
        {"fv2#=2.5;FN$FLDS(fv2#)", "S:2.5"},
        {"fv3=7;FN$FLDS(fv3;4)", "S:7"},
        {"FN$FLDS(_PRECIS)", "S:2"},
        {"FN$FLDS(.tab$)", "S:\t"},
        {"fa$(2;'xx');fa$(1)='ab';FN$FLDS(fa$(1))", "S:ab"},
        {"fn(3);fn(2)=9;FN$FLDS(fn(1+1))", "S:9"},
        // Only the first operand names the value.
        {"fv1$='text';FN$FLDS(fv1$+'x')", "S:text"},
        // A name the store does not know needs host hook 0.
        {"FN$FLDS(never$)", "E:147"},
        {"FN$FLDS(HOSTNAME$;3)", "E:147"},
        {"FN$FLDS({cust})", "E:148"},
        {"FN$FLDS(FN$TRIM(1))", "E:147"},
        {"FN$FLDS(fv1$;'x')", "E:128"},
        {"FN$FLDS(fv1$;1/0;'x'-'y')", "E:147"},
        {"FN$FLDS()", "E:147"},
        {"FN$FLDS(fv1$;1;2)", "E:147"},
        {"FN$FLDS(fv1$;'a'-'b')", "E:147"},
    });
    rt::HookSet(rt::kHookFieldRead, reinterpret_cast<rt::HookFn>(&FieldReadHook));
    rt::HookSet(rt::kHookVariables, reinterpret_cast<rt::HookFn>(&UnknownNameHook));
    Check({
        {"FN$FLDS({cust})", "S:{cust}@1"},
        {"FN$FLDS({cust};2+3)", "S:{cust}@5"},
        {"FN$FLDS(HOSTNAME$;3)", "S:host#3"},
        {"FN$FLDS(HOSTNAME$)", "S:host#1"},
        {"FN$FLDS(other$)", "E:147"},
    });
    rt::HookSet(rt::kHookFieldRead, nullptr);
    rt::HookSet(rt::kHookVariables, nullptr);
}

// Every text built-in called with awkward arguments: no crash, no pool left behind, and an
// answer in the console's three forms.
TEST_F(BuiltinTextTest, HostileArgumentsDoNotCrash) {
    const char* names[] = {"FN$CHNG", "FN$CHRS", "FN$TRIM", "ENVELOP$", "INDEXOF", "FN#FLEN", "FN$FLDS"};
    const std::string longText = "'" + std::string(3000, '[') + "'";
    const std::string args[] = {
        "", ";", ";;;;", "'", "''", "\"'\"", "-32768;-32768;-32768;-32768", "99999999999;1;1;1",
        "'a';'FILTER';" + longText + ";'b'", longText + ";" + longText + ";" + longText,
        "FN$CHRS(0;5);FN$CHRS(0);FN$CHRS(0;3)", "'((((';'(';1;1", "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17",
        "{x;y", "a(;b", "'x';'TCASE'", "FN$CHRS('ab';16000);'b';'ccc';1",
    };
    for (const char* name : names) {
        for (const std::string& a : args) {
            std::string line = std::string(name) + "(" + a + ")";
            std::string out = Eval(line);
            ASSERT_FALSE(out.empty()) << line;
            EXPECT_TRUE(out[0] == 'S' || out[0] == 'N' || out[0] == 'E') << line;
        }
    }
}

}  // namespace
