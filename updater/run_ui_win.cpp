// The updater's windows on Windows: the window layer's status, progress and selection windows.
#include "updater/run_ui_window_layer.h"

#include "ui/form_window.h"
#include "ui/menu.h"
#include "ui/menu_layout.h"
#include "ui/progress_window.h"
#include "ui/status_window.h"
#include "ui/window_layer.h"

namespace rt {

void OsShowStatus(StrRef text) { ShowStatus(text); }
void OsHideStatus() { CloseStatus(); }

ErrCode OsProgress(int32_t range, int64_t step) { return ProgressStep(range, step, StrEmpty(), kProgressKeepMode); }

void OsCloseProgress() { CloseProgress(); }
ErrCode OsPollCancel() { return PollCancel(); }
// A few choices are buttons (the administration menu); longer lists, such as the known
// applications, a list box. A menu that stays is made once and chosen on again (flag 0x01 the
// first time, then none), so that it does not vanish and come back around each form.
uint16_t OsSelect(StrRef title, StrRef items, MenuUse use) {
    constexpr uint16_t kMostButtons = 3;
    const uint16_t window = use == MenuUse::Again ? 0
                            : use == MenuUse::Open ? kMenuNewWindow
                                                   : kMenuNewWindow | kMenuDestroyAfter;
    const uint16_t flags = MenuItemCount(items) <= kMostButtons ? window : window | kMenuListBox | kMenuMargin;
    return Select(title, items, flags, 1);
}
PoolText OsSelectMany(StrRef title, StrRef items) { return SelectMany(title, items); }

FormResult OsRunForm(StrRef title, StrRef definition, uint16_t flags) {
    FormResult r;
    const ErrCode status = RunForm(title, definition, flags, &r);
    r.status = status;
    if (status) r.values = r.assignments = StrEmpty();
    return r;
}

void OsPresentAssertion(const char* text) { AssertionBox(text); }

}  // namespace rt
