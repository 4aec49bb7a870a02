// The updater's windows where there is no window system: nothing is shown, lists choose nothing.
#include "updater/run_ui.h"

#include "runtime/context.h"

namespace rt {

void OsShowStatus(StrRef) {}
void OsHideStatus() {}
ErrCode OsProgress(int32_t, int64_t, StrRef) { return static_cast<ErrCode>(CancelFlag('z')); }
void OsCloseProgress() {}
ErrCode OsPollCancel() { return static_cast<ErrCode>(CancelFlag('z')); }
uint16_t OsSelect(StrRef, StrRef) { return 0; }
StrRef OsSelectMany(StrRef, StrRef) { return StrErr(kErrUserCanceled); }
void PresentAssertion(const char*) {}

}  // namespace rt
