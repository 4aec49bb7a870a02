// The updater's windows behind one seam, and the batch run that replaces every window by the log.
#include "updater/run_ui.h"

#include "runtime/catalogue.h"
#include "runtime/clock.h"
#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "ui/message_box.h"

namespace rt {

namespace {

RunUiSeams gSeams;
bool gBatch = false;
bool gStatusOpen = false;
// 80 blanks.
constexpr char kBlankStatus[] =
    "                                                                                ";
static_assert(sizeof kBlankStatus - 1 == 80);
uint64_t gLastPump = 0;
int32_t gProgressRange = 0;

// Windows are pumped at most this often while data arrives: each pump is a round trip to the
// window system, and a fast download delivers thousands of pieces a second.
constexpr uint64_t kPumpEveryMicros = 20000;

constexpr uint16_t kTitleWarning = 12;
constexpr uint16_t kTitleFatal = 13;


FormResult Declined() {
    FormResult r;
    r.status = kErrUserCanceled;
    r.values = StrEmpty();
    r.assignments = StrEmpty();
    return r;
}

// What a batch run writes in place of a box.
void LogInstead(StrRef text) { Log(text); }

}  // namespace

void SetRunUiSeams(const RunUiSeams& seams) {
    gSeams = seams;
    gStatusOpen = false;  // other windows: none of theirs is open yet
}
void SetBatchRun(bool on) { gBatch = on; }
bool BatchRun() { return gBatch; }

ErrCode ShowStep(StrRef text) {
    if (!gBatch) {
        const auto show = gSeams.showStatus ? gSeams.showStatus : OsShowStatus;
        // The first box of a run is a blank one of a full line's width, so that the box does not
        // open narrow and jump wider with the first long text.
        if (!gStatusOpen) show(StrMake(kBlankStatus, sizeof kBlankStatus - 1));
        gStatusOpen = true;
        show(text);
    }
    if (LogEnabled(0, kLogRuntime)) Log(text);
    return 0;
}

void HideStep() {
    if (!gBatch) (gSeams.hideStatus ? gSeams.hideStatus : OsHideStatus)();
    gStatusOpen = false;
}

ErrCode ProgressStart(int32_t range) {
    gProgressRange = range;
    if (gBatch) return static_cast<ErrCode>(CancelFlag('z'));
    return (gSeams.progress ? gSeams.progress : OsProgress)(range, 0, StrEmpty());
}

ErrCode ProgressAdvance() {
    if (gBatch) return static_cast<ErrCode>(CancelFlag('z'));
    return (gSeams.progress ? gSeams.progress : OsProgress)(gProgressRange, 1, StrEmpty());
}

void CloseProgressWindow() {
    gProgressRange = 0;
    if (!gBatch) (gSeams.closeProgress ? gSeams.closeProgress : OsCloseProgress)();
}

ErrCode KeepWindowsAlive(uint64_t) {
    if (!gBatch) {
        const uint64_t now = ClockSteadyMicros();
        if (now - gLastPump >= kPumpEveryMicros) {
            gLastPump = now;
            if (ErrCode stop = (gSeams.pollCancel ? gSeams.pollCancel : OsPollCancel)()) return stop;
        }
    }
    return static_cast<ErrCode>(CancelFlag('z'));
}

void ShowInformation(StrRef text) {
    if (gBatch) return LogInstead(text);
    (gSeams.message ? gSeams.message : ShowMessage)(text, StrEmpty(), kBoxInfo);
}

ErrCode ShowResult(ErrCode code) {
    PoolScope scope;
    StrRef text = ErrorMessage(code);
    if (!text.ok() || !text.len) text = ErrorName(code);
    const bool serious = code >= kFirstSerious;
    if (gBatch || LogEnabled(code, kLogRuntime)) Log(text);
    if (!gBatch) {
        (gSeams.message ? gSeams.message : ShowMessage)(text, Message(serious ? kTitleFatal : kTitleWarning),
                                                        serious ? kBoxFatal : kBoxWarning);
    }
    return ReportError(0, StrEmpty());
}

bool AskUser(StrRef question) {
    if (gBatch) {
        PoolScope scope;
        LogInstead(Concat(question, StrFromLiteral(" -> no")));
        return false;
    }
    return AnswerIsYes((gSeams.message ? gSeams.message : ShowMessage)(question, StrEmpty(), kBoxYesNo));
}

uint16_t ChooseOne(StrRef title, StrRef items, MenuUse use) {
    if (gBatch) return 0;
    const uint16_t chosen = (gSeams.select ? gSeams.select : OsSelect)(title, items, use);
    return chosen == 0xFFFF ? 0 : chosen;
}

StrRef ChooseSeveral(StrRef title, StrRef items) {
    if (gBatch) return StrErr(kErrUserCanceled);
    return (gSeams.selectMany ? gSeams.selectMany : OsSelectMany)(title, items);
}

FormResult RunUpdaterForm(StrRef title, StrRef definition) {
    if (gBatch) return Declined();
    return (gSeams.runForm ? gSeams.runForm : OsRunForm)(title, definition, kUpdaterFormFlags);
}

}  // namespace rt
