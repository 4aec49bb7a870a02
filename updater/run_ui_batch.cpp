// The batch run's user interface (MODE:BATCH): no window at all; what a box would say goes to the
// log, and every question gets the harmless answer (no, none, cancelled).
#include "updater/run_ui.h"

#include "runtime/context.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {

namespace {

class BatchUi final : public RunUi {
public:
    bool Attended() const override { return false; }
    void ShowStatus(StrRef) override {}
    void HideStatus() override {}
    // Nobody can press cancel, but a cancel set by other means still stops the run.
    ErrCode Progress(int32_t, int64_t) override { return static_cast<ErrCode>(CancelFlag('z')); }
    void CloseProgress() override {}
    ErrCode PollCancel() override { return 0; }
    void Inform(StrRef text) override { Log(text); }
    void ShowError(ErrCode code, StrRef text) override {
        // The log is the only place it can be said: once, whatever the trace takes.
        if (!LogEnabled(code, kLogRuntime)) Log(text);
    }
    bool Ask(StrRef question) override {
        PoolScope scope;
        Log(Concat(question, StrFromLiteral(" -> no")));
        return false;
    }
    uint16_t Select(StrRef, StrRef, MenuUse) override { return 0; }
    StrRef SelectMany(StrRef, StrRef) override { return StrErr(kErrUserCanceled); }
    FormResult RunForm(StrRef, StrRef, uint16_t) override {
        FormResult r;
        r.status = kErrUserCanceled;
        r.values = StrEmpty();
        r.assignments = StrEmpty();
        return r;
    }
    // "assertions.log", written in every case, has to do.
    void PresentAssertion(const char*) override {}
};

}  // namespace

RunUi& BatchRunUi() {
    static BatchUi ui;
    return ui;
}

}  // namespace rt
