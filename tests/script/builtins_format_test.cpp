// Tests of FN$MASK through the language: masks, the separator mode, plain number text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "script/console.h"
#include "tests/support/console.h"

namespace {

class BuiltinFormatTest : public rt_test::ConsoleLineTest {};

TEST_F(BuiltinFormatTest, MaskModesAndValues) {
    Check({
        {"FN$MASK('#,###.##';1234.5)", "S:1.234,50"},
        {"FN$MASK('#,###.##';1234.5;1)", "S:1,234.50"},
        {"FN$MASK('#,###.##';1234.5;255)", "S:1.234,50"},
        {"FN$MASK('#,###.##';1234.5;7)", "S:1.234,50"},
        {"FN$MASK('#,###.##';1234.5;)", "S:1.234,50"},
        // A text value is laid out the same way when it is number text.
        {"FN$MASK('#,###.##';'1234.5';1)", "S:1,234.50"},
        {"FN$MASK('#.##';1.005)", "S:1,01"},
        {"FN$MASK('##.#';2.25;1)", "S: 2.3"},
        {"FN$MASK('###';-5)", "S: -5"},
        {"FN$MASK('0000';7)", "S:0007"},
        {"FN$MASK('##';12345)", "S:12345"},
        {"FN$MASK('$ #,##0.00 USD';.5;1)", "S:$     0.50 USD"},
        {"FN$MASK('(\\\\\\)';'ABC')", "S:(ABC)"},
        {"FN$MASK('(\\\\\\)';'AB')", "S:(AB )"},
        {"FN$MASK('?" "?-?" "?';'abcde')", "S:ab-de"},
        {"FN$MASK('\\\\-\\\\';'abcde')", "S:ab-cd"},
        {"FN$MASK('xyz';'ABC')", "S:xyz"},
        {"FN$MASK('###';'abc')", "S:###"},
        {"FN$MASK('(\\\\)')", "S:(  )"},
        {"FN$MASK('')", "S:"},
        // One number alone is its plain text.
        {"FN$MASK(12.5)", "S:12.5"},
        {"FN$MASK(0)", "S:"},
        {"FN$MASK(-.5)", "S:-.5"},
        {"FN$MASK(100)", "S:100"},
        {"_PRECIS=4;FN$MASK(1/3)", "S:.3333"},
        {"_PRECIS=2;FN$MASK(1/3)", "S:.33"},
    });
}

TEST_F(BuiltinFormatTest, MaskArgumentsAndLimits) {
    Check({
        {"FN$MASK(12.5;1)", "E:128"},
        {"FN$MASK('#';1;'x')", "E:128"},
        {"FN$MASK()", "E:147"},
        {"FN$MASK('#';1;1;1)", "E:147"},
        {"FN$MASK('#'-'x';1)", "E:147"},
        {"FN#SLEN(FN$MASK(FN$CHRS('#';32764);1))", "N:32764"},
        // Widening a mask for a long value must not pass the one-piece limit.
        {"FN$MASK(FN$CHRS('x';30000)+'#';FN$CHRS('1';5000))", "E:145"},
    });
}

}  // namespace
