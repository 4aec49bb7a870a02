// The WindowStack: the registry of up to 32 open windows, whose top window owns every new window.
//
// Pure bookkeeping over opaque handles; the window layer calls it from creation and WM_DESTROY.
#pragma once

#include <cstdint>

#include "runtime/errcode.h"

struct HWND__;

namespace rt {

using WindowHandle = HWND__*;

inline constexpr uint16_t kMaxWindows = 32;
inline constexpr uint16_t kStackUninit = 0xFFFF;
// Show states the layer interprets; others are stored as given.
inline constexpr int16_t kShowNormal = 0;
inline constexpr int16_t kShowMaximised = 4;

// Slot (0..31) of a handle, or 32 when absent; a null handle finds a free slot. Initialises the
// stack on first use.
uint16_t StackFindSlot(WindowHandle w);
// A handle already present moves to the top and takes value; a new one takes a free slot and
// goes on top. Null (nothing changed) for a null handle or when all 32 slots are taken.
WindowHandle StackRegister(WindowHandle w, int16_t value);
// Takes w off the stack. The destroyed window is normally the top one; another one is taken out
// of the order where it stands, so that the top keeps its place. Returns true when the stack is
// now empty; *wasTop (when given) says whether w was the top.
bool StackRemove(WindowHandle w, bool* wasTop = nullptr);
// The top window, or null (uninitialised or empty).
WindowHandle StackTop();
// Windows on the stack; kStackUninit before first use.
uint16_t StackCount();
struct StackValue {
    int16_t value;
    ErrCode err;  // kErrBadInput when the window is not registered
};
StackValue StackValueOf(WindowHandle w);
// Show state of a registered window (kShowNormal when absent), and its setting.
int16_t StackShowState(WindowHandle w);
void StackSetShowState(WindowHandle w, int16_t state);
// Back to the uninitialised state (start of a test).
void StackReset();

}  // namespace rt
