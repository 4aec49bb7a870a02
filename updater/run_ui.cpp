// What every run shows and asks, whichever user interface it chose: the shared steps around it.
#include "updater/run_ui.h"

#include "runtime/catalogue.h"
#include "runtime/clock.h"
#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_ops.h"
#include "ui/message_box.h"
#include "updater/messages.h"

namespace rt {

namespace {

RunUi* gUi = nullptr;
bool gStatusOpen = false;
uint64_t gLastPump = 0;
int32_t gProgressRange = 0;
// 80 blanks.
constexpr char kBlankStatus[] =
    "                                                                                ";
static_assert(sizeof kBlankStatus - 1 == 80);

// Windows are pumped at most this often while data arrives: each pump is a round trip to the
// window system, and a fast download delivers thousands of pieces a second.
constexpr uint64_t kPumpEveryMicros = 20000;

}  // namespace

void UseRunUi(RunUi& ui) {
    gUi = &ui;
    gStatusOpen = false;  // another user interface: none of its boxes is open yet
}

RunUi& CurrentRunUi() { return gUi ? *gUi : WindowRunUi(); }

ErrCode ShowStep(StrRef text) {
    RunUi& ui = CurrentRunUi();
    // The first box of a run is a blank one of a full line's width, so that the box does not open
    // narrow and jump wider with the first long text.
    if (!gStatusOpen) ui.ShowStatus(StrMake(kBlankStatus, sizeof kBlankStatus - 1));
    gStatusOpen = true;
    ui.ShowStatus(text);
    if (LogEnabled(0, kLogRuntime)) Log(text);
    return 0;
}

void HideStep() {
    CurrentRunUi().HideStatus();
    gStatusOpen = false;
}

ErrCode ProgressStart(int32_t range) {
    gProgressRange = range;
    return CurrentRunUi().Progress(range, 0);
}

ErrCode ProgressAdvance() { return CurrentRunUi().Progress(gProgressRange, 1); }

void CloseProgressWindow() {
    gProgressRange = 0;
    CurrentRunUi().CloseProgress();
}

ErrCode KeepWindowsAlive(uint64_t) {
    const uint64_t now = ClockSteadyMicros();
    if (now - gLastPump >= kPumpEveryMicros) {
        gLastPump = now;
        if (ErrCode stop = CurrentRunUi().PollCancel()) return stop;
    }
    return static_cast<ErrCode>(CancelFlag('z'));
}

void ShowInformation(StrRef text) { CurrentRunUi().Inform(text); }

ErrCode ShowCompletion(ErrCode code, uint16_t count) {
    if (code != 0) return code;
    PoolScope scope;
    ShowInformation(Replace(MessageField(kMsgUpdateTexts, 2), StrFromLiteral("%i"), Format(8, "%u", count), true));
    return code;
}

ErrCode ShowResult(ErrCode code) {
    PoolScope scope;
    StrRef text = ErrorMessage(code);
    if (!text.ok() || !text.len) text = ErrorName(code);
    if (LogEnabled(code, kLogRuntime)) Log(text);
    CurrentRunUi().ShowError(code, text);
    return ReportError(0, StrEmpty());
}

bool AskUser(StrRef question) { return CurrentRunUi().Ask(question); }

uint16_t ChooseOne(StrRef title, StrRef items, MenuUse use) {
    const uint16_t chosen = CurrentRunUi().Select(title, items, use);
    return chosen == 0xFFFF ? 0 : chosen;
}

PoolText ChooseSeveral(StrRef title, StrRef items) { return CurrentRunUi().SelectMany(title, items); }

FormResult RunUpdaterForm(StrRef title, StrRef definition) {
    return CurrentRunUi().RunForm(title, definition, kUpdaterFormFlags);
}

void PresentAssertion(const char* text) { CurrentRunUi().PresentAssertion(text); }

}  // namespace rt
