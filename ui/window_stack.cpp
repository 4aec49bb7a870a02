// The WindowStack: the registry of up to 32 open windows, whose top window owns every new window.
#include "ui/window_stack.h"

namespace rt {

namespace {

struct WindowSlot {
    WindowHandle window;
    int16_t value;
    int16_t show;
};

struct WindowStack {
    uint16_t count = kStackUninit;
    WindowSlot slots[kMaxWindows];
    uint8_t order[kMaxWindows];  // slot numbers, bottom first
};

WindowStack gStack;

void EnsureInit() {
    if (gStack.count != kStackUninit) return;
    gStack.count = 0;
    for (WindowSlot& s : gStack.slots) s = WindowSlot{nullptr, -1, kShowNormal};
}

}  // namespace

uint16_t StackFindSlot(WindowHandle w) {
    EnsureInit();
    for (uint16_t i = 0; i < kMaxWindows; ++i) {
        if (gStack.slots[i].window == w) return i;
    }
    return kMaxWindows;
}

WindowHandle StackRegister(WindowHandle w, int16_t value) {
    if (!w) return nullptr;
    uint16_t slot = StackFindSlot(w);
    if (slot < kMaxWindows) {
        uint16_t at = 0;
        while (at < gStack.count && gStack.order[at] != slot) ++at;
        for (; at + 1 < gStack.count; ++at) gStack.order[at] = gStack.order[at + 1];
        gStack.order[gStack.count - 1] = static_cast<uint8_t>(slot);
        gStack.slots[slot].value = value;
        return w;
    }
    slot = StackFindSlot(nullptr);
    if (slot >= kMaxWindows) return nullptr;
    gStack.slots[slot] = WindowSlot{w, value, kShowNormal};
    gStack.order[gStack.count++] = static_cast<uint8_t>(slot);
    return w;
}

bool StackRemove(WindowHandle w, bool* wasTop) {
    if (wasTop) *wasTop = false;
    const uint16_t slot = w ? StackFindSlot(w) : kMaxWindows;
    if (slot < kMaxWindows) {
        uint16_t at = 0;
        while (at < gStack.count && gStack.order[at] != slot) ++at;
        if (at < gStack.count) {
            if (wasTop) *wasTop = at + 1 == gStack.count;
            for (; at + 1 < gStack.count; ++at) gStack.order[at] = gStack.order[at + 1];
            --gStack.count;
        }
        gStack.slots[slot] = WindowSlot{nullptr, -1, kShowNormal};
    }
    return gStack.count == 0 || gStack.count == kStackUninit;
}

WindowHandle StackTop() {
    if (gStack.count == kStackUninit || gStack.count == 0) return nullptr;
    return gStack.slots[gStack.order[gStack.count - 1]].window;
}

uint16_t StackCount() { return gStack.count; }

StackValue StackValueOf(WindowHandle w) {
    const uint16_t slot = w ? StackFindSlot(w) : kMaxWindows;
    if (slot >= kMaxWindows) return StackValue{0, kErrBadInput};
    return StackValue{gStack.slots[slot].value, 0};
}

int16_t StackShowState(WindowHandle w) {
    const uint16_t slot = w ? StackFindSlot(w) : kMaxWindows;
    return slot < kMaxWindows ? gStack.slots[slot].show : kShowNormal;
}

void StackSetShowState(WindowHandle w, int16_t state) {
    const uint16_t slot = w ? StackFindSlot(w) : kMaxWindows;
    if (slot < kMaxWindows) gStack.slots[slot].show = state;
}

void StackReset() { gStack.count = kStackUninit; }

}  // namespace rt
