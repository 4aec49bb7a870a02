// The windows run's user interface as the window layer's platform side gives it (run_ui_win.cpp;
// run_ui_posix.cpp where there is no window system: nothing shown, every question declined).
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "ui/form_result.h"
#include "updater/run_ui.h"

namespace rt {

void OsShowStatus(StrRef text);
void OsHideStatus();
ErrCode OsProgress(int32_t range, int64_t step);
void OsCloseProgress();
ErrCode OsPollCancel();
uint16_t OsSelect(StrRef title, StrRef items, MenuUse use);
PoolText OsSelectMany(StrRef title, StrRef items);
FormResult OsRunForm(StrRef title, StrRef definition, uint16_t flags);
void OsPresentAssertion(const char* text);

}  // namespace rt
