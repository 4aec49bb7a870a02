// The real message box: owned by the top window, or system-modal on an emptied queue.
#include "ui/message_box.h"

#include <windows.h>

#include <string>

#include "ui/wide_text.h"
#include "ui/window_layer.h"
#include "ui/window_stack.h"

namespace rt {

namespace {

// The system sizes a box for its text and buttons, not its title: once the box has laid itself
// out (its WM_INITDIALOG has returned) it is widened until its title fits. A system-modal box is
// never activated the usual way, so activation is no moment to rely on.
LRESULT CALLBACK WidenBoxes(int code, WPARAM wp, LPARAM lp) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lp);
    if (code == HC_ACTION && sent->message == WM_INITDIALOG) {
        wchar_t cls[8] = {};
        if (GetClassNameW(sent->hwnd, cls, 8) && std::wstring(cls) == L"#32770")
            WidenToCaption(reinterpret_cast<WindowHandle>(sent->hwnd));
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

class ScopedHook {
public:
    ScopedHook() : hook_(SetWindowsHookExW(WH_CALLWNDPROCRET, WidenBoxes, nullptr, GetCurrentThreadId())) {}
    ~ScopedHook() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;
private:
    HHOOK hook_;
};

}  // namespace

BoxButton OsShowBox(const char* text, const char* title, BoxButtons buttons, BoxIcon icon, bool systemModal) {
    UINT flags = 0;
    switch (buttons) {
    case BoxButtons::kOk: flags = MB_OK; break;
    case BoxButtons::kOkCancel: flags = MB_OKCANCEL; break;
    case BoxButtons::kRetryCancel: flags = MB_RETRYCANCEL; break;
    case BoxButtons::kYesNo: flags = MB_YESNO; break;
    case BoxButtons::kYesNoCancel: flags = MB_YESNOCANCEL; break;
    }
    flags |= icon == BoxIcon::kError ? MB_ICONERROR : icon == BoxIcon::kWarning ? MB_ICONWARNING : MB_ICONINFORMATION;
    HWND owner = reinterpret_cast<HWND>(StackTop());
    if (systemModal) {
        // With no window of ours open, nothing queued may answer the box behind the user's back.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        flags |= MB_SYSTEMMODAL;
        owner = nullptr;
    }
    ScopedHook widen;
    const int pressed = MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), flags);
    switch (pressed) {
    case IDOK: return BoxButton::kOk;
    case IDCANCEL: return BoxButton::kCancel;
    case IDABORT: return BoxButton::kAbort;
    case IDRETRY: return BoxButton::kRetry;
    case IDIGNORE: return BoxButton::kIgnore;
    case IDYES: return BoxButton::kYes;
    case IDNO: return BoxButton::kNo;
    default: return BoxButton::kNone;
    }
}

}  // namespace rt
