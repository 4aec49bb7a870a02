// The updater's windows on Windows: the window layer's status, progress and selection windows.
#include "updater/run_ui.h"

#include "ui/menu.h"
#include "ui/progress_window.h"
#include "ui/status_window.h"

namespace rt {

void OsShowStatus(StrRef text) { ShowStatus(text); }
void OsHideStatus() { CloseStatus(); }

ErrCode OsProgress(int32_t range, int64_t step, StrRef text) {
    return ProgressStep(range, step, text, kProgressKeepMode);
}

void OsCloseProgress() { CloseProgress(); }
ErrCode OsPollCancel() { return PollCancel(); }
uint16_t OsSelect(StrRef title, StrRef items) { return Select(title, items, 0, 0); }
StrRef OsSelectMany(StrRef title, StrRef items) { return SelectMany(title, items); }

}  // namespace rt
