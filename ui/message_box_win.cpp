// The real message box: owned by the top window, or system-modal on an emptied queue.
#include "ui/message_box.h"

#include <windows.h>

#include "ui/wide_text.h"
#include "ui/window_stack.h"

namespace rt {

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
