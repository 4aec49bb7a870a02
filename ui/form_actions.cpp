// The default screen-action handler of forms and the dispatch of actions to handlers.
#include "ui/form_actions.h"

#include <cstring>

#include "runtime/system_vars.h"
#include "runtime/variables.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "script/expr_eval.h"
#include "ui/form_keys.h"
#include "ui/form_value.h"

namespace rt {
namespace {

constexpr uint16_t kEndResult = 24;  // closes the window (bit 8) and leaves 0
constexpr uint16_t kNoField = 0xFFFF;

bool Closes(uint16_t result) { return result >= 1 && result <= 127 && (result & 8); }

uint16_t Neighbour(const Form& form, uint16_t from, int direction) {
    for (int32_t i = int32_t{from} + direction; i >= 0 && i < form.fieldCount; i += direction)
        if (FieldTakesFocus(form.fields[i])) return static_cast<uint16_t>(i);
    return kNoField;
}

uint16_t End(FormSession& s, bool confirmed) {
    const uint16_t result = s.onEnd ? s.onEnd(s, confirmed) : kEndResult;
    s.ending = Closes(result);
    return result;
}

// The form as shown: each input's text as a quoted form value, joined with ','. A pool text.
StrRef ScreenBuffer(FormSession& s) {
    uint16_t mark = PoolMark();
    StrRef out = StrEmpty();
    for (uint16_t i = 0; i < s.form->fieldCount && out.ok(); ++i) {
        const FormField& f = s.form->fields[i];
        if (f.control == FieldControl::None) continue;
        StrRef text = s.shown ? s.shown(s.shownContext, f) : StrEmpty();
        if (!text.ok()) text = StrEmpty();
        out = out.len ? Join(out, StrFromLiteral(","), FormQuote(text)) : FormQuote(text);
    }
    return PoolReturn(mark, out);
}

void ApplyOnConfirm(FormSession& s) {
    const uint16_t mark = PoolMark();
    const StrRef option = Trim(FormOption(*s.form, "ON_CONFIRM$"), kTrimStart | kTrimEnd);
    constexpr uint16_t kKeyLen = 7;  // "SCRBACK"
    const bool scrback = option.len > kKeyLen && CompareFold(StrMake(option.ptr, kKeyLen), StrFromLiteral("SCRBACK"), true) == 0 &&
                         std::strchr(":,;= ", option.at(kKeyLen)) != nullptr;
    if (scrback) {
        const StrRef var = Trim(StrMake(option.ptr + kKeyLen + 1, static_cast<uint16_t>(option.len - kKeyLen - 1)),
                                kTrimStart | kTrimEnd);
        if (var.len) VarSetText(var, ScreenBuffer(s));
    } else if (option.len) {
        // As for ON_CANCEL$: whatever the statements report, the form was confirmed.
        ExecuteStatements(option);
    }
    PoolRelease(mark);
}

uint16_t Confirm(FormSession& s) {
    IntSet(kSysLastKey, static_cast<int16_t>(kKeyEnter));
    ApplyOnConfirm(s);
    return End(s, true);
}

uint16_t Cancel(FormSession& s) {
    const uint16_t mark = PoolMark();
    const StrRef onCancel = FormOption(*s.form, "ON_CANCEL$");
    // The statements run for their effects; whatever they report, the user asked to leave.
    if (onCancel.len) ExecuteStatements(onCancel);
    PoolRelease(mark);
    return End(s, false);
}

// The last field's ALARM$ entry: 0 lets the form be confirmed; anything else keeps it open.
uint16_t Alarm(FormSession& s) {
    const uint16_t mark = PoolMark();
    const StrRef check = FormOptionEntry(*s.form, "ALARM$", static_cast<uint16_t>(s.current + 1));
    uint16_t verdict = 0;
    if (check.len) {
        const StrRef value = EvaluateToText(check);
        if (!value.ok()) {
            verdict = StrError(value);
        } else {
            const int16_t v = ToInt(value);
            verdict = v == 0 ? 0 : (v >= kErrUserCanceled ? static_cast<uint16_t>(v) : 0xFFFF);
        }
    }
    PoolRelease(mark);
    if (verdict == 0) return Confirm(s);
    return verdict == 0xFFFF ? 0 : verdict;
}

void Step(FormSession& s, FormStep step, uint16_t field) {
    s.step = step;
    s.stepField = field;
}

}  // namespace

void ScreenActionSet(FormSession& session, ScreenActionFn handler, FormEndFn onEnd) {
    session.handler = handler;
    session.onEnd = onEnd;
}

bool FieldTakesFocus(const FormField& field) { return field.type != 'Q' && field.type != 'R'; }

void FormSessionStart(FormSession& session, Form& form) {
    session = FormSession{};
    session.form = &form;
    const uint16_t first = form.fieldCount && !FieldTakesFocus(form.fields[0]) ? Neighbour(form, 0, 1) : 0;
    session.current = first == kNoField ? 0 : first;
    IntSet(kSysLastKey, static_cast<int16_t>(kKeyOther));
}

uint16_t ScreenActionWinDefault(FormSession& s, uint16_t actionWord) {
    const uint8_t arg = ArgumentOf(actionWord);
    switch (ActionOf(actionWord)) {
    case kActNext:
    case kActDown: {
        const uint16_t next = Neighbour(*s.form, s.current, 1);
        if (next == kNoField) return Alarm(s);
        s.current = next;
        Step(s, FormStep::Focus, next);
        return 0;
    }
    case kActPrevious:
    case kActUp: {
        const uint16_t previous = Neighbour(*s.form, s.current, -1);
        if (previous != kNoField) {
            s.current = previous;
            Step(s, FormStep::Focus, previous);
        }
        return 0;
    }
    case kActCommand:
        return arg == kCommandOk ? Confirm(s) : 0;
    case kActEnd:
        return Confirm(s);
    case kActEscape:
        return Cancel(s);
    case kActCloseBox:
        if (s.ending) return kEndResult;
        // The close box always means "leave without values", whatever key came last.
        IntSet(kSysLastKey, static_cast<int16_t>(kKeyEscape));
        return Cancel(s);
    case kActHelp:
        Step(s, FormStep::Help, s.current);
        return 0;
    case kActChooser:
        if (arg < s.form->fieldCount && s.form->fields[arg].button != FieldButton::None) Step(s, FormStep::Chooser, arg);
        return 0;
    case kActWindowFocus:
        Step(s, FormStep::Focus, s.current);
        return 0;
    default:
        return 0;
    }
}

uint16_t CommandAction(uint16_t id) {
    if (id == kFormOkId) return ActionWord(kActCommand, kCommandOk);
    const uint16_t field = FieldOfButtonId(id);
    return field ? ActionWord(kActChooser, static_cast<uint8_t>(field - 1)) : 0;
}

FormOutcome FormDispatch(FormSession& s, uint16_t id, uint16_t actionWord) {
    s.step = FormStep::None;
    uint16_t result = 0;
    const uint8_t action = ActionOf(actionWord);
    const auto handle = [&](uint16_t word) {
        return s.handler ? s.handler(s, word) : ScreenActionWinDefault(s, word);
    };
    if (action == kActFocus) {
        const uint16_t n = FieldOfInputId(id);
        if (n && n <= s.form->fieldCount && FieldTakesFocus(s.form->fields[n - 1])) {
            s.current = static_cast<uint16_t>(n - 1);
            result = handle(kActFocusTaken);
        }
    } else if (action != kActBlur) {
        result = handle(actionWord);
    }
    FormOutcome out;
    out.step = s.step;
    out.field = s.stepField;
    if (Closes(result)) {
        out.close = true;
        result = static_cast<uint16_t>(result & ~(4 | 8 | 16));
    }
    out.result = result;
    return out;
}

}  // namespace rt
