// The windows run's user interface: status and progress windows, boxes, lists and forms of the
// window layer, for a person who is there to answer.
#include "updater/run_ui_window_layer.h"

#include "runtime/errcode.h"
#include "ui/message_box.h"

namespace rt {

namespace {

class WindowUi final : public RunUi {
public:
    bool Attended() const override { return true; }
    void ShowStatus(StrRef text) override { OsShowStatus(text); }
    void HideStatus() override { OsHideStatus(); }
    ErrCode Progress(int32_t range, int64_t step) override { return OsProgress(range, step); }
    void CloseProgress() override { OsCloseProgress(); }
    ErrCode PollCancel() override { return OsPollCancel(); }
    void Inform(StrRef text) override { ShowMessage(text, StrEmpty(), kBoxInfo); }
    // The box type gives the title: message 13 for a serious error, 12 for a warning.
    void ShowError(ErrCode code, StrRef text) override {
        ShowMessage(text, StrEmpty(), code >= kFirstSerious ? kBoxFatal : kBoxWarning);
    }
    bool Ask(StrRef question) override { return AnswerIsYes(ShowMessage(question, StrEmpty(), kBoxYesNo)); }
    uint16_t Select(StrRef title, StrRef items, MenuUse use) override { return OsSelect(title, items, use); }
    StrRef SelectMany(StrRef title, StrRef items) override { return OsSelectMany(title, items); }
    FormResult RunForm(StrRef title, StrRef definition, uint16_t flags) override {
        return OsRunForm(title, definition, flags);
    }
    void PresentAssertion(const char* text) override { OsPresentAssertion(text); }
};

}  // namespace

RunUi& WindowRunUi() {
    static WindowUi ui;
    return ui;
}

}  // namespace rt
