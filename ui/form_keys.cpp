// The two key maps, and the edit fields' key and scanner state.
#include "ui/form_keys.h"

#include "runtime/params.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "ui/form_definition.h"

namespace rt {
namespace {

constexpr uint16_t Cmd(uint8_t argument) { return ActionWord(kActCommand, argument); }

// Entry k is the action word of key k.
constexpr uint16_t kKeyMaps[2][kKeyCount] = {
    {1, 0, 0, 21, 0, 0, 0, 0, 2, 1, 0, 19, 20, Cmd(13), Cmd(12), Cmd(17), Cmd(7), Cmd(14),
     Cmd(10), Cmd(9), Cmd(16), Cmd(16), 32, Cmd(3), 0, 0, 0, 0, 31, Cmd(5), 0, 0, 22},
    {1, 0, 0, 21, 0, 0, 0, 0, 2, 1, 0, 19, 20, Cmd(15), 0, Cmd(17), Cmd(7), Cmd(14),
     Cmd(10), Cmd(9), Cmd(16), Cmd(15), 32, Cmd(3), 0, 0, 0, 0, 31, Cmd(5), 0, 0, 22},
};

}  // namespace

bool IsAcceptingKey(uint16_t key) {
    return key == kKeyEnter || key == kKeyTab || key == kKeyDown || key == kKeyPageDown || key == kKeyCtrlEnd;
}

uint16_t KeyAction(uint16_t key, uint16_t keymap) {
    return key < kKeyCount ? kKeyMaps[keymap == 1 ? 1 : 0][key] : 0;
}

EditKeys& FormEditKeys() {
    static EditKeys keys;
    return keys;
}

KeyDown EditKeyDown(EditKeys& keys, uint16_t vk) {
    KeyDown out;
    if (vk == kVkShift || vk == kVkControl) {
        (vk == kVkShift ? keys.shift : keys.ctrl) = true;
        return out;
    }
    if (keys.scanner) {
        out.consume = true;
        return out;
    }
    if (vk == kVkTab && keys.shift && !keys.ctrl) {
        out.key = kKeyBackTab;
    } else if (vk == kVkEnd && keys.ctrl && !keys.shift) {
        out.key = kKeyCtrlEnd;
    } else if (vk == kVkF12) {
        out.f12 = true;
    } else {
        out.key = KeyNumber(vk);
    }
    IntSet(kSysLastKey, static_cast<int16_t>(out.key));
    if (out.key != kKeyOther) {
        out.action = KeyAction(out.key, static_cast<uint16_t>(IntGet(kSysKeyMap)));
        if (out.action) {
            keys.ctrl = false;
            out.consume = true;
        }
    }
    return out;
}

void EditKeyUp(EditKeys& keys, uint16_t vk) {
    if (vk == kVkShift) keys.shift = false;
    if (vk == kVkControl) keys.ctrl = false;
}

CharUse EditChar(EditKeys& keys, uint8_t ch) {
    if (!keys.scanner) {
        if (ch != 29) return CharUse::Pass;
        keys.scanner = true;
        keys.scanLength = 0;
        return CharUse::Consume;
    }
    if (ch >= 32) {
        if (keys.scanLength < kScannerCapacity) keys.scan[keys.scanLength++] = static_cast<char>(ch);
        return CharUse::Consume;
    }
    SetRunParam(kParamScanner, StrMake(keys.scan, keys.scanLength));
    keys.scanLength = 0;
    keys.scanner = false;
    return CharUse::ScanComplete;
}

uint16_t CheckButtonKeyAction(uint16_t key, uint16_t keymap) {
    // Keys that move on or leave keep their own meaning on a check button: sending all of them
    // to Escape's action would throw the whole form away on Tab or Enter.
    switch (key) {
    case 0: case 1: case 3: case 8: case 9: return KeyAction(key, keymap);
    default: return 0;
    }
}

}  // namespace rt
