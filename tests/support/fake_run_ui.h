// The updater's windows answered by a script in tests: every status line, box, list and form is
// recorded, and answered from queues (an empty queue answers no, nothing chosen, a cancelled form).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "ui/form_value.h"
#include "ui/message_box.h"
#include "updater/run_ui.h"

namespace rt_test {

struct FakeForm {
    rt::ErrCode status = 0;
    std::vector<std::string> values;  // quoted with FormQuote and joined as a form does
};

class FakeRunUi {
public:
    FakeRunUi() {
        current() = this;
        rt::SetBatchRun(false);
        rt::SetRunUiSeams({.showStatus = ShowStatus,
                           .hideStatus = HideStatus,
                           .progress = Progress,
                           .closeProgress = CloseProgress,
                           .pollCancel = PollCancel,
                           .message = Message,
                           .select = Select,
                           .selectMany = SelectMany,
                           .runForm = RunForm});
    }
    ~FakeRunUi() {
        rt::SetRunUiSeams({});
        rt::SetBatchRun(false);
        current() = nullptr;
    }
    FakeRunUi(const FakeRunUi&) = delete;
    FakeRunUi& operator=(const FakeRunUi&) = delete;

    // Answers, taken in order.
    std::deque<bool> yes;
    std::deque<uint16_t> choices;
    std::deque<std::string> manyChoices;  // "<cancel>" cancels
    std::deque<FakeForm> forms;
    int cancelAfterSteps = -1;            // the progress window's cancel pressed after this many steps

    // What was shown, in order: "status:", "box<type>:", "select:<title>|<items with NUL as |>",
    // "many:", "form:<title>|<definition>", "progress:<range>", "hide", "close".
    std::vector<std::string> events;
    std::vector<rt::MenuUse> menuUses;  // how each selection list used its window
    int steps = 0;

    static FakeRunUi*& current() {
        static FakeRunUi* c = nullptr;
        return c;
    }
    // The events of one kind (prefix), without the prefix.
    std::vector<std::string> Of(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.rfind(prefix, 0) == 0) out.push_back(e.substr(prefix.size()));
        return out;
    }

private:
    static std::string S(rt::StrRef s) {
        if (!s.ok()) return "<err>";
        std::string out(s.ptr, s.len);
        for (char& c : out)
            if (c == '\0') c = '|';
        return out;
    }
    static void ShowStatus(rt::StrRef text) { current()->events.push_back("status:" + S(text)); }
    static void HideStatus() { current()->events.push_back("hide"); }
    static rt::ErrCode Progress(int32_t range, int64_t step, rt::StrRef) {
        FakeRunUi* f = current();
        if (step == 0) f->events.push_back("progress:" + std::to_string(range));
        else ++f->steps;
        return f->cancelAfterSteps >= 0 && f->steps >= f->cancelAfterSteps ? rt::kErrUserCanceled : 0;
    }
    static void CloseProgress() { current()->events.push_back("close"); }
    static rt::ErrCode PollCancel() { return 0; }
    static uint16_t Message(rt::StrRef text, rt::StrRef, uint16_t type) {
        FakeRunUi* f = current();
        f->events.push_back("box" + std::to_string(type) + ":" + S(text));
        if (type != rt::kBoxYesNo && type != rt::kBoxYesNoCancel) return rt::AnswerCode(rt::BoxButton::kOk);
        bool answer = false;
        if (!f->yes.empty()) {
            answer = f->yes.front();
            f->yes.pop_front();
        }
        return rt::AnswerCode(answer ? rt::BoxButton::kYes : rt::BoxButton::kNo);
    }
    static uint16_t Select(rt::StrRef title, rt::StrRef items, rt::MenuUse use) {
        FakeRunUi* f = current();
        f->events.push_back("select:" + S(title) + "|" + S(items));
        f->menuUses.push_back(use);
        if (f->choices.empty()) return 0;
        const uint16_t c = f->choices.front();
        f->choices.pop_front();
        return c;
    }
    static rt::StrRef SelectMany(rt::StrRef title, rt::StrRef items) {
        FakeRunUi* f = current();
        f->events.push_back("many:" + S(title) + "|" + S(items));
        if (f->manyChoices.empty() || f->manyChoices.front() == "<cancel>") {
            if (!f->manyChoices.empty()) f->manyChoices.pop_front();
            return rt::StrErr(rt::kErrUserCanceled);
        }
        std::string c = f->manyChoices.front();
        f->manyChoices.pop_front();
        return rt::PoolCopy(rt::StrMake(c.data(), static_cast<uint16_t>(c.size())));
    }
    static rt::FormResult RunForm(rt::StrRef title, rt::StrRef definition, uint16_t) {
        FakeRunUi* f = current();
        f->events.push_back("form:" + S(title) + "|" + S(definition));
        rt::FormResult r;
        r.values = rt::StrEmpty();
        r.assignments = rt::StrEmpty();
        if (f->forms.empty()) {
            r.status = rt::kErrUserCanceled;
            return r;
        }
        FakeForm form = f->forms.front();
        f->forms.pop_front();
        r.status = form.status;
        std::string joined;
        for (size_t i = 0; i < form.values.size(); ++i) {
            const std::string& v = form.values[i];
            rt::StrRef q = rt::FormQuote(rt::StrMake(v.data(), static_cast<uint16_t>(v.size())));
            joined += (i ? "," : "") + S(q);
        }
        if (!form.status) r.values = rt::PoolCopy(rt::StrMake(joined.data(), static_cast<uint16_t>(joined.size())));
        return r;
    }
};

}  // namespace rt_test
