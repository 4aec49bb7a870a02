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

class FakeRunUi final : public rt::RunUi {
public:
    FakeRunUi() { rt::UseRunUi(*this); }
    ~FakeRunUi() override { rt::UseRunUi(rt::WindowRunUi()); }
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

    // The events of one kind (prefix), without the prefix.
    std::vector<std::string> Of(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.rfind(prefix, 0) == 0) out.push_back(e.substr(prefix.size()));
        return out;
    }

    bool Attended() const override { return true; }
    void ShowStatus(rt::StrRef text) override { events.push_back("status:" + S(text)); }
    void HideStatus() override { events.push_back("hide"); }
    rt::ErrCode Progress(int32_t range, int64_t step) override {
        if (step == 0) events.push_back("progress:" + std::to_string(range));
        else ++steps;
        return cancelAfterSteps >= 0 && steps >= cancelAfterSteps ? rt::kErrUserCanceled : 0;
    }
    void CloseProgress() override { events.push_back("close"); }
    rt::ErrCode PollCancel() override { return 0; }
    void Inform(rt::StrRef text) override { Box(rt::kBoxInfo, text); }
    void ShowError(rt::ErrCode code, rt::StrRef text) override {
        Box(code >= rt::kFirstSerious ? rt::kBoxFatal : rt::kBoxWarning, text);
    }
    bool Ask(rt::StrRef question) override {
        Box(rt::kBoxYesNo, question);
        if (yes.empty()) return false;
        const bool answer = yes.front();
        yes.pop_front();
        return answer;
    }
    uint16_t Select(rt::StrRef title, rt::StrRef items, rt::MenuUse use) override {
        events.push_back("select:" + S(title) + "|" + S(items));
        menuUses.push_back(use);
        if (choices.empty()) return 0;
        const uint16_t c = choices.front();
        choices.pop_front();
        return c;
    }
    rt::StrRef SelectMany(rt::StrRef title, rt::StrRef items) override {
        events.push_back("many:" + S(title) + "|" + S(items));
        if (manyChoices.empty() || manyChoices.front() == "<cancel>") {
            if (!manyChoices.empty()) manyChoices.pop_front();
            return rt::StrErr(rt::kErrUserCanceled);
        }
        std::string c = manyChoices.front();
        manyChoices.pop_front();
        return rt::PoolCopy(rt::StrMake(c.data(), static_cast<uint16_t>(c.size())));
    }
    rt::FormResult RunForm(rt::StrRef title, rt::StrRef definition, uint16_t) override {
        events.push_back("form:" + S(title) + "|" + S(definition));
        rt::FormResult r;
        r.values = rt::StrEmpty();
        r.assignments = rt::StrEmpty();
        if (forms.empty()) {
            r.status = rt::kErrUserCanceled;
            return r;
        }
        FakeForm form = forms.front();
        forms.pop_front();
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
    void PresentAssertion(const char* text) override { events.push_back(std::string("assertion:") + text); }

private:
    void Box(uint16_t type, rt::StrRef text) { events.push_back("box" + std::to_string(type) + ":" + S(text)); }
    static std::string S(rt::StrRef s) {
        if (!s.ok()) return "<err>";
        std::string out(s.ptr, s.len);
        for (char& c : out)
            if (c == '\0') c = '|';
        return out;
    }
};

}  // namespace rt_test
