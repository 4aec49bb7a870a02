// The updater's windows where there is no window system: nothing is shown, lists choose nothing.
#include "updater/run_ui_window_layer.h"

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/text_ops.h"

namespace rt {

void OsShowStatus(StrRef) {}
void OsHideStatus() {}
ErrCode OsProgress(int32_t, int64_t) { return static_cast<ErrCode>(CancelFlag('z')); }
void OsCloseProgress() {}
ErrCode OsPollCancel() { return static_cast<ErrCode>(CancelFlag('z')); }
uint16_t OsSelect(StrRef, StrRef, MenuUse) { return 0; }
PoolText OsSelectMany(StrRef, StrRef) { return StrErr(kErrUserCanceled); }
void OsPresentAssertion(const char*) {}

// No window system, no form: the run learns it cannot ask.
FormResult OsRunForm(StrRef title, StrRef, uint16_t) {
    FormResult r;
    RecordError(kErrScreenEnviron, kModScreens);
    r.status = ReportError(kErrScreenEnviron, Concat(StrFromLiteral("no form runner: "), title));
    r.values = StrEmpty();
    r.assignments = StrEmpty();
    return r;
}

}  // namespace rt
