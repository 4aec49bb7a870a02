// Keys of form controls: the two key maps that turn key numbers (ui/key_numbers.h) into screen
// actions, and the edit fields' process-wide key state with its scanner sequences.
#pragma once

#include <cstdint>

#include "runtime/errcode.h"
#include "ui/key_numbers.h"

namespace rt {

// Screen actions. An action word holds the action in its low byte and an argument in its high
// byte.
inline constexpr uint8_t kActNext = 1;
inline constexpr uint8_t kActPrevious = 2;
inline constexpr uint8_t kActEditMessage = 18;
inline constexpr uint8_t kActHelp = 19;
inline constexpr uint8_t kActEscape = 21;
inline constexpr uint8_t kActEnd = 22;
inline constexpr uint8_t kActWindowMessage = 23;
inline constexpr uint8_t kActScanner = 24;
inline constexpr uint8_t kActCommand = 25;   // argument: the command (100 is the "Ok" button)
inline constexpr uint8_t kActCloseBox = 28;
inline constexpr uint8_t kActRefused = 30;
inline constexpr uint8_t kActDown = 31;
inline constexpr uint8_t kActUp = 32;
inline constexpr uint8_t kActFocusTaken = 38;
inline constexpr uint8_t kActChooser = 50;   // argument: field number - 1
inline constexpr uint8_t kActFocus = 91;
inline constexpr uint8_t kActBlur = 92;
inline constexpr uint8_t kActComboChoice = 94;
inline constexpr uint8_t kActWindowFocus = 95;
inline constexpr uint8_t kCommandOk = 100;

inline constexpr uint16_t ActionWord(uint8_t action, uint8_t argument) {
    return static_cast<uint16_t>(action | (argument << 8));
}
inline constexpr uint8_t ActionOf(uint16_t word) { return static_cast<uint8_t>(word & 0xFF); }
inline constexpr uint8_t ArgumentOf(uint16_t word) { return static_cast<uint8_t>(word >> 8); }

// Keys that leave a form with its values: Enter 0, Tab 9, Down 28, Page Down 29, Ctrl+End 32.
bool IsAcceptingKey(uint16_t key);
// The action word of key (0..32) in key map `keymap` (the value of _KEYMAP: 1 chooses map 1,
// anything else map 0); 0 for no action and for keys outside the maps.
uint16_t KeyAction(uint16_t key, uint16_t keymap);

// The edit fields' key state, one per process: it lives across forms.
inline constexpr uint16_t kScannerCapacity = 256;
struct EditKeys {
    bool shift = false;
    bool ctrl = false;
    bool scanner = false;
    uint16_t scanLength = 0;
    char scan[kScannerCapacity] = {};
};
EditKeys& FormEditKeys();

struct KeyDown {
    uint16_t key = kKeyOther;   // the key number (also stored in _LASTKEY)
    uint16_t action = 0;        // the action word to dispatch, 0 for none
    bool consume = false;       // the control must not see the key
    bool f12 = false;           // call the F12 handler with the Shift/Ctrl state
};
// A key pressed in an edit field. Shift and Ctrl only set their flags. Tab with Shift alone is
// key 8, End with Ctrl alone key 32, F12 key 4, others KeyNumber; the key number goes to
// _LASTKEY; a key other than 4 with an action (map _KEYMAP) clears the Ctrl flag and is consumed.
// While a scanner sequence runs, keys are consumed without an action (its characters come as
// characters).
KeyDown EditKeyDown(EditKeys& keys, uint16_t vk);
void EditKeyUp(EditKeys& keys, uint16_t vk);

enum class CharUse : uint8_t { Pass, Consume, ScanComplete };
// A character typed into an edit field. Ctrl+] (29) starts a scanner sequence; in it every
// character is consumed and kept (past kScannerCapacity dropped) until one below 32 ends it:
// the kept characters go to run-time parameter 30 and the result is ScanComplete, upon which
// the control dispatches action 24.
CharUse EditChar(EditKeys& keys, uint8_t ch);

// The action word for key on a logical field shown as a check button: Enter, Tab, Shift+Tab and
// Escape (keys 0, 1, 3, 8, 9) act as in an edit field; other keys have none (the space toggles).
uint16_t CheckButtonKeyAction(uint16_t key, uint16_t keymap);

}  // namespace rt
