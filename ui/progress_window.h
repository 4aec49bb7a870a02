// The ProgressWindow: a bar or one-line text with a cancel button, stepped by long operations.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/window_stack.h"

namespace rt {

inline constexpr uint16_t kProgressDefaultWidth = 400;
inline constexpr uint16_t kProgressCancelId = 1110;
// The range an unknown total gets: the bar runs 1..200 and starts again.
inline constexpr uint32_t kProgressCycle = 200;
// Modes of a step: bar, text, or keep the current one.
inline constexpr uint16_t kProgressBar = 0;
inline constexpr uint16_t kProgressText = 1;
inline constexpr uint16_t kProgressKeepMode = 0xFFFF;

// One per thread, reset between uses.
struct ProgressState {
    uint16_t width = 0;
    StrRef title{};
    WindowHandle window = nullptr;
    WindowHandle child = nullptr;  // the bar or the label
    WindowHandle owner = nullptr;
    uint8_t textMode = 0;
    int32_t position = 0;
    int64_t divisor = 0;
    int64_t remainder = 0;
    uint16_t checksum = 0;
    uint32_t range = 0;
    uint8_t cyclic = 1;
    uint16_t reserved0 = 0;
    uint16_t reserved1 = 0xFFFF;
};
// The calling thread's state.
ProgressState& Progress();
// Width of a bar or label: 400 for 0 or -1.
uint16_t ProgressWidth(int width);

// What a bar step sends to the bar.
struct BarUpdate {
    bool setRange;      // send the range first
    uint16_t rangeMax;
    int32_t position;
};
// Advances the state by step: while the position is 0 the range is set (the stored one, else the
// given one, 0 standing for 200), halved while above 0xFFFF with the divisor doubled; a divisor
// spreads steps over calls; a cyclic 200 bar wraps past 200 to 1.
BarUpdate BarAdvance(ProgressState& s, uint32_t range, int64_t step);
// The last (width / cell) characters of text: a label shows a long text's tail. A piece of it.
StrRef ProgressTextTail(StrRef text, uint16_t width, uint16_t cell);
// 16-bit sum of the bytes, to paint a text only when it changed.
uint16_t TextChecksum(StrRef text);

// The window (the window layer).
// Opens a bar window when the thread has none: 0, or 170 when its bar could not be made.
ErrCode OpenProgress(int width, int32_t range);
// Switches mode (0 bar, 1 text, other keep), then shows text (text mode or step 0) or advances the
// bar by step. Ends with PollCancel: 0, or kErrUserCanceled once the user cancelled.
ErrCode ProgressStep(int32_t range, int64_t step, StrRef text, uint16_t mode);
// Shows text on a one-line label (a 400-pixel text window when none is open), then PollCancel.
ErrCode ShowProgressText(StrRef text);
// True when the state has a range.
bool ProgressActive();
// Destroys the window (taking it off the WindowStack) and resets the state.
void CloseProgress();
// Dispatches the thread's pending messages, then answers kErrUserCanceled when the cancel flag is set.
ErrCode PollCancel();

// Tests stand in for a bar the system would not make (null members: the real system).
struct ProgressSeams {
    bool (*refuseChild)() = nullptr;  // true: the bar or label is not made
};
void SetProgressSeams(const ProgressSeams& seams);

}  // namespace rt
