// The ProgressWindow's arithmetic: the calling thread's state, bar steps and the label's text.
#include "ui/progress_window.h"

namespace rt {

namespace {
thread_local ProgressState tProgress;
}

ProgressState& Progress() { return tProgress; }

uint16_t ProgressWidth(int width) {
    return width == 0 || width == -1 ? kProgressDefaultWidth : static_cast<uint16_t>(width);
}

BarUpdate BarAdvance(ProgressState& s, uint32_t range, int64_t step) {
    BarUpdate out{false, 0, 0};
    if (s.position == 0) {
        if (s.range == 0) s.range = range;
        if (s.range == 0) s.range = kProgressCycle;
        while (s.range > 0xFFFF) {
            s.range /= 2;
            s.divisor = (s.divisor ? s.divisor : 1) * 2;
        }
        out.setRange = true;
        out.rangeMax = static_cast<uint16_t>(s.range);
    }
    int64_t effective = step;
    if (s.divisor != 0) {
        s.remainder += step;
        effective = s.remainder / s.divisor;
        s.remainder -= effective * s.divisor;
    }
    s.position = static_cast<int32_t>(s.position + effective);
    if (s.cyclic && s.range == kProgressCycle && s.position > static_cast<int32_t>(kProgressCycle)) s.position = 1;
    out.position = s.position;
    return out;
}

StrRef ProgressTextTail(StrRef text, uint16_t width, uint16_t cell) {
    if (!text.ok()) return text;
    const uint16_t keep = cell ? static_cast<uint16_t>(width / cell) : text.len;
    if (text.len <= keep) return text;
    return StrMake(text.ptr + (text.len - keep), keep);
}

uint16_t TextChecksum(StrRef text) {
    uint16_t sum = 0;
    for (uint16_t i = 0; text.ok() && i < text.len; ++i) sum = static_cast<uint16_t>(sum + text.at(i));
    return sum;
}

bool ProgressActive() { return tProgress.range != 0; }

}  // namespace rt
