// The ProgressWindow on Win32: a Progress-kind window with a bar or label and a cancel button.
#include "ui/progress_window.h"

#include <windows.h>
#include <commctrl.h>

#include "runtime/catalogue.h"
#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "ui/font_stack.h"
#include "ui/wide_text.h"
#include "ui/window_kinds.h"
#include "ui/window_layer.h"

namespace rt {

namespace {

constexpr int kChildX = 20;
constexpr int kChildY = 10;
constexpr int kChildH = 17;
constexpr int kWindowH = 90;

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }

// The seam tests use to stand for a bar the system would not make.
ProgressSeams gSeams;

intptr_t KELVANE_WINAPI ProgressProc(WindowHandle w, unsigned msg, uintptr_t wp, intptr_t lp) {
    if ((msg == WM_COMMAND && LOWORD(wp) == kProgressCancelId) || (msg == WM_KEYDOWN && wp == VK_ESCAPE)) {
        CancelFlag(1);
    }
    if (msg == WM_DESTROY) {
        WindowDestroyed(w);
        if (Progress().window == w) {
            Progress().window = nullptr;
            Progress().child = nullptr;
        }
    }
    return DefWindowProcW(H(w), msg, wp, lp);
}

// The bar or label for the current mode; null when it cannot be made.
HWND MakeChild(ProgressState& s) {
    if (gSeams.refuseChild && gSeams.refuseChild()) return nullptr;
    HINSTANCE instance = static_cast<HINSTANCE>(LayerInstance());
    HWND child;
    if (s.textMode) {
        child = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_CHILD | SS_CENTER | SS_CENTERIMAGE, kChildX, kChildY,
                                s.width, kChildH, H(s.window), nullptr, instance, nullptr);
    } else {
        const DWORD kind = s.range ? PBS_SMOOTH : PBS_MARQUEE;
        child = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | kind, kChildX, kChildY, s.width,
                                kChildH, H(s.window), nullptr, instance, nullptr);
        if (child && !s.range) SendMessageW(child, PBM_SETMARQUEE, TRUE, 0);
    }
    if (child) {
        SetControlFont(reinterpret_cast<WindowHandle>(child), true);
        ShowWindow(child, SW_SHOW);
    }
    return child;
}

ErrCode Open(int width, int32_t range, uint8_t textMode) {
    ProgressState& s = Progress();
    if (s.window) return 0;
    WindowLayerInit();
    s.width = ProgressWidth(width);
    if (range == -1) range = 0;
    if (range) s.range = static_cast<uint32_t>(range);
    s.textMode = textMode;
    const int outerW = s.width + 40;
    const int outerH = kWindowH + GetSystemMetrics(SM_CXDLGFRAME) + GetSystemMetrics(SM_CYDLGFRAME);
    const BoxSize work = WorkAreaSize(nullptr);
    const Point at = Align(work.width, work.height, outerW, kWindowH, kAlignCentre);
    s.owner = StackTop();
    PoolScope scope;
    s.window = CreateKindWindow(KindName(kKindProgress), Message(16), WS_VISIBLE | WS_DLGFRAME, at.x, at.y, outerW,
                                outerH, -1, 0, ProgressProc);
    if (!s.window) return 170;
    s.child = reinterpret_cast<WindowHandle>(MakeChild(s));
    StrRef cancel = MessageField(20, 1);
    HWND button = CreateWindowExW(0, L"BUTTON", Wide(cancel).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                  s.width - 50, 35, 70, 20, H(s.window),
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(kProgressCancelId)),
                                  static_cast<HINSTANCE>(LayerInstance()), nullptr);
    // The button keeps the dialog font: its 70 x 20 pixels do not hold the label in the screen font.
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return s.child ? 0 : 170;
}

void SwitchMode(ProgressState& s, uint16_t mode) {
    if (mode > kProgressText || s.textMode == mode) return;
    s.textMode = static_cast<uint8_t>(mode);
    s.checksum = 0;
    if (s.child) DestroyWindow(H(s.child));
    s.child = s.window ? reinterpret_cast<WindowHandle>(MakeChild(s)) : nullptr;
}

ErrCode PaintText(ProgressState& s, StrRef text) {
    if (!text.ok() || !text.len) return 0;
    SwitchMode(s, kProgressText);
    const StrRef tail = ProgressTextTail(text, s.width, FontCell().cell);
    const uint16_t sum = TextChecksum(tail);
    if (sum == s.checksum || !s.child) return 0;
    s.checksum = sum;
    SetWindowTextW(H(s.child), Wide(tail).c_str());
    return PaintCentredText(s.child, tail);
}

}  // namespace

void SetProgressSeams(const ProgressSeams& seams) { gSeams = seams; }

ErrCode OpenProgress(int width, int32_t range) { return Open(width, range, 0); }

ErrCode ProgressStep(int32_t range, int64_t step, StrRef text, uint16_t mode) {
    ProgressState& s = Progress();
    if (!s.window) Open(s.width, range, mode == kProgressText ? 1 : 0);
    SwitchMode(s, mode);
    if (s.textMode || step == 0) {
        PaintText(s, text);
    } else {
        const BarUpdate u = BarAdvance(s, range == -1 ? 0 : static_cast<uint32_t>(range), step);
        if (s.child) {
            if (u.setRange) SendMessageW(H(s.child), PBM_SETRANGE32, 0, u.rangeMax);
            SendMessageW(H(s.child), PBM_SETPOS, static_cast<WPARAM>(u.position), 0);
        }
    }
    return PollCancel();
}

ErrCode ShowProgressText(StrRef text) {
    ProgressState& s = Progress();
    if (!s.window) Open(kProgressDefaultWidth, 0, 1);
    PaintText(s, text);
    return PollCancel();
}

void CloseProgress() {
    ProgressState& s = Progress();
    if (s.window) {
        WindowHandle w = s.window;
        DestroyWindow(H(w));
        // A window whose procedure did not see its destruction still leaves the stack.
        if (StackFindSlot(w) < kMaxWindows) WindowDestroyed(w);
    }
    s = ProgressState{};
}

ErrCode PollCancel() {
    DrainMessages(nullptr);
    return static_cast<ErrCode>(CancelFlag('z'));
}

}  // namespace rt
