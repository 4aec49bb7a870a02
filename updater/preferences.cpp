// The preferences panel: the state record in a form, written back, and "check now".
#include "updater/preferences.h"

#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "ui/form_value.h"
#include "updater/config_file.h"
#include "updater/http_update.h"
#include "updater/messages.h"
#include "updater/run_ui.h"
#include "updater/state_record.h"

namespace rt {

namespace {

constexpr uint16_t kShownFilled = 6;

bool WithProgram(RunFlags flags) { return (flags & RunFlag::ProgramGiven) != 0; }

// Title and form of message 135, split at its first hyphen.
StrRef PanelPart(bool title) {
    StrRef text = Message(kMsgPanel);
    const uint16_t at = FindChar(text, 0, '-', true);
    if (at == kNpos) return title ? StrEmpty() : text;
    return title ? StrMake(text.ptr, at) : StrMake(text.ptr + at + 1, static_cast<uint16_t>(text.len - at - 1));
}

}  // namespace

PoolText PreferencesForm(RunFlags flags, StrRef record) {
    if (!record.ok()) return record;
    uint16_t mark = PoolMark();
    StrRef values[kShownFilled];
    for (uint16_t k = 0; k < kShownFilled; ++k) values[k] = FormValueAt(record, static_cast<uint16_t>(k + 1));
    // The form has one field per record field, so it loses the same fields as the file does.
    StrRef form = StoredStateFields(flags, FormFill(PanelPart(false), values, kShownFilled));
    return PoolReturn(mark, form);
}

PoolText PreferencesRecord(RunFlags flags, StrRef record, StrRef values) {
    if (!record.ok()) return record;
    if (!values.ok()) return values;
    uint16_t mark = PoolMark();
    // The panel shows the fields the file keeps, in its order; its "check now" is acted on, not
    // stored.
    const StateLayout shown = StoredStateLayout(flags);
    StrRef out = record;
    for (uint16_t k = 0; k < shown.count && out.ok(); ++k) {
        if (shown.fields[k] == kStateCheckNow) continue;
        const StrRef value = FormQuoteIfNeeded(FormValueAt(values, static_cast<uint16_t>(k + 1)), StrFromLiteral(","));
        out = SetField(out, value, ',', shown.fields[k]);
    }
    if (out.ok() && !WithProgram(flags)) out = SetField(out, StrFromLiteral("1"), ',', kStateCheckUpdates);
    return PoolReturn(mark, out);
}

ErrCode PreferencesPanel(RunFlags flags, StrRef pair) {
    if (!pair.ok()) return StrError(pair);
    PoolScope scope;
    StrRef record = ReadStateRecord(flags, StrEmpty());
    if (!record.ok()) return StrError(record);
    StrRef form = PreferencesForm(flags, record);
    if (!form.ok()) return StrError(form);
    FormResult answer = RunUpdaterForm(PanelPart(true), form);
    if (answer.status) return answer.status;
    StrRef changed = PreferencesRecord(flags, record, answer.values);
    if (!changed.ok()) return StrError(changed);
    if (!StrEq(StoredStateFields(flags, changed), StoredStateFields(flags, record))) {
        if (ErrCode err = WriteStateRecord(flags, changed, StrEmpty())) return err;
    }
    // "Check now" is the last field shown, and shown only with ProgramGiven.
    if (!WithProgram(flags) || !IsYes(FormValueAt(answer.values, StoredStateLayout(flags).count))) return 0;
    SyncResult r = HttpUpdate(PairSource(pair), PairTarget(pair), flags);
    ErrCode code = ShowCompletion(r.code, r.count);
    return code < kFirstSerious ? 0 : code;
}

}  // namespace rt
