// Key numbers, the key maps, and the edit fields' key state driven key by key as a person types.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "runtime/params.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "tests/support/text.h"
#include "tests/ui/form_test_support.h"
#include "ui/form_definition.h"
#include "ui/form_keys.h"

using namespace rt;
using rt_test::Str;

namespace {

class FormKeysTest : public ui_test::FormTest {
protected:
    void TearDown() override {
        SetRunParam(kParamScanner, StrEmpty());
        FormTest::TearDown();
    }
    KeyDown Press(uint16_t vk) { return EditKeyDown(keys_, vk); }
    EditKeys keys_;
};

}  // namespace

TEST_F(FormKeysTest, KeyNumbersOfEveryVirtualKey) {
    struct Named { uint16_t vk, key; };
    const Named named[] = {{kVkReturn, 0}, {kVkTab, 9}, {kVkEscape, 3}, {kVkUp, 22}, {kVkPageUp, 23},
                           {kVkDown, 28}, {kVkPageDown, 29}, {kVkSpecial, 6}, {kVkF1, 11}, {kVkF1 + 4, 15},
                           {kVkF11, 21}};
    std::set<uint16_t> seen;
    for (const Named& n : named) {
        EXPECT_EQ(KeyNumber(n.vk), n.key) << n.vk;
        seen.insert(n.vk);
    }
    for (uint16_t vk = 0; vk < 256; ++vk) {
        const bool function = vk >= kVkF1 && vk <= kVkF11;
        if (!seen.count(vk) && !function) {
            EXPECT_EQ(KeyNumber(vk), kKeyOther) << vk;
        }
    }
    EXPECT_EQ(KeyNumber(kVkLeft), kKeyOther);
    EXPECT_EQ(KeyNumber(kVkF12), kKeyOther);
    for (uint16_t key = 0; key < 40; ++key) {
        const bool accepts = key == 0 || key == 9 || key == 28 || key == 29 || key == 32;
        EXPECT_EQ(IsAcceptingKey(key), accepts) << key;
    }
}

TEST_F(FormKeysTest, EditFieldKeys) {
    struct Step { uint16_t vk; bool up; uint16_t keymap; uint16_t key; uint16_t action; bool consume; };
    const Step steps[] = {
        {kVkShift, false, 0, kKeyOther, 0, false},
        {kVkTab, false, 0, kKeyBackTab, ActionWord(kActPrevious, 0), true},   // Shift+Tab
        {kVkShift, true, 0, 0, 0, false},
        {kVkTab, false, 0, kKeyTab, ActionWord(kActNext, 0), true},
        {kVkControl, false, 0, kKeyOther, 0, false},
        {kVkEnd, false, 0, kKeyCtrlEnd, ActionWord(kActEnd, 0), true},        // Ctrl+End
        {kVkEnd, false, 0, kKeyOther, 0, false},                              // the action cleared Ctrl
        {kVkReturn, false, 0, kKeyEnter, ActionWord(kActNext, 0), true},
        {kVkDown, false, 0, kKeyDown, ActionWord(kActDown, 0), true},
        {kVkUp, false, 0, kKeyUp, ActionWord(kActUp, 0), true},
        {kVkEscape, false, 0, kKeyEscape, ActionWord(kActEscape, 0), true},
        {kVkLeft, false, 0, kKeyOther, 0, false},                             // reaches the control
        {kVkF1 + 3, false, 0, 14, ActionWord(kActCommand, 12), true},          // F4, map 0
        {kVkF1 + 3, false, 1, 14, 0, false},                                  // F4, map 1: none
        {kVkF1 + 10, false, 1, 21, ActionWord(kActCommand, 15), true},         // F11, map 1
        {kVkPageDown, false, 0, kKeyPageDown, ActionWord(kActCommand, 5), true},
    };
    for (const Step& s : steps) {
        IntSet(kSysKeyMap, static_cast<int16_t>(s.keymap));
        if (s.up) {
            EditKeyUp(keys_, s.vk);
            continue;
        }
        IntSet(kSysLastKey, 99);
        const KeyDown down = Press(s.vk);
        EXPECT_EQ(down.key, s.key) << s.vk;
        EXPECT_EQ(down.action, s.action) << s.vk;
        EXPECT_EQ(down.consume, s.consume) << s.vk;
        const bool modifier = s.vk == kVkShift || s.vk == kVkControl;
        EXPECT_EQ(IntGet(kSysLastKey), modifier ? 99 : s.key) << s.vk;
    }
    keys_.shift = true;
    keys_.ctrl = true;
    EXPECT_EQ(Press(kVkTab).key, kKeyTab) << "Tab with Shift and Ctrl is plain Tab";
    const KeyDown f12 = Press(kVkF12);
    EXPECT_TRUE(f12.f12);
    EXPECT_EQ(f12.key, kKeyOther);
    EXPECT_FALSE(f12.consume);
}

TEST_F(FormKeysTest, ScannerSequence) {
    // Ctrl+], three letters and Enter: the letters go to parameter 30, none reaches the field,
    // and Enter ends the sequence instead of moving on.
    EXPECT_EQ(EditChar(keys_, 29), CharUse::Consume);
    for (char c : std::string("A7z")) EXPECT_EQ(EditChar(keys_, static_cast<uint8_t>(c)), CharUse::Consume);
    IntSet(kSysLastKey, 4);
    const KeyDown enter = Press(kVkReturn);
    EXPECT_TRUE(enter.consume);
    EXPECT_EQ(enter.action, 0);
    EXPECT_EQ(IntGet(kSysLastKey), 4);
    EXPECT_EQ(EditChar(keys_, '\r'), CharUse::ScanComplete);
    EXPECT_EQ(Str(RunParam(kParamScanner)), "A7z");
    EXPECT_EQ(EditChar(keys_, 'x'), CharUse::Pass) << "the sequence is over";
    EXPECT_EQ(Press(kVkReturn).action, ActionWord(kActNext, 0));

    EditChar(keys_, 29);
    for (int i = 0; i < 1000; ++i) EditChar(keys_, 'k');
    EXPECT_EQ(EditChar(keys_, 9), CharUse::ScanComplete);
    EXPECT_EQ(Str(RunParam(kParamScanner)), std::string(kScannerCapacity, 'k')) << "a long sequence is cut, not overrun";
    EXPECT_EQ(&FormEditKeys(), &FormEditKeys()) << "one state for the process";
}

TEST_F(FormKeysTest, CheckButtonKeysMoveOnLikeAnEditField) {
    struct Case { uint16_t key, action; };
    const Case cases[] = {{kKeyTab, ActionWord(kActNext, 0)}, {kKeyEnter, ActionWord(kActNext, 0)},
                          {kKeyBackTab, ActionWord(kActPrevious, 0)}, {kKeyEscape, ActionWord(kActEscape, 0)},
                          {kKeyDown, 0}, {kKeyOther, 0}};
    for (const Case& c : cases) EXPECT_EQ(CheckButtonKeyAction(c.key, 0), c.action) << c.key;
}
