// The configuration editor's loop and the edit of config.txt's lines.
#include "updater/config_editor.h"

#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/whole_file.h"
#include "ui/form_value.h"
#include "updater/config_file.h"
#include "updater/messages.h"
#include "updater/run_ui.h"
#include "updater/state_record.h"
#include "updater/update_options.h"

namespace rt {

namespace {

constexpr char kFolderButton[] = " /FLDBUTTONS$=\",,PATH\"";

}  // namespace

PoolText EditConfigLines(StrRef lines, uint16_t entry, StrRef line) {
    if (!lines.ok()) return lines;
    if (!line.ok()) return line;
    uint16_t mark = PoolMark();
    StrRef out;
    if (entry == 0) {
        out = line.len ? Join(lines, StrFromLiteral("\n"), line) : Copy(lines);
    } else if (line.len) {
        out = SetField(lines, line, '\n', entry);
    } else {
        out = SetField(lines, StrEmpty(), '\n', -static_cast<int>(entry));
    }
    return PoolReturn(mark, out);
}

ErrCode ConfigurationEditor(StrRef host) {
    for (;;) {
        PoolScope scope;
        StrRef path = ConfigFilePath();
        // A missing file is an empty list here, not an error to record.
        StrRef lines = FileLength(path) ? ReadConfig(path) : StrEmpty();
        if (!lines.ok()) {
            if (StrError(lines) != kErrFileNotFound) return StrError(lines);
            lines = StrEmpty();
        }
        const uint16_t count = lines.len ? FieldCount(lines, '\n') : 0;
        StrRef items = ConfigNames(lines, MessageField(kMsgNew, 1));
        const uint16_t chosen = ChooseOne(Message(kMsgChoose), items);
        if (chosen == 0 || chosen > count + 1) return 0;
        const uint16_t entry = static_cast<uint16_t>(chosen - 1);
        ConfigEntry e = entry ? ParseConfigLine(Field(lines, '\n', entry)) : ConfigEntry{StrEmpty(), StrEmpty(), StrEmpty()};
        const StrRef values[3] = {e.name, e.source, e.target};
        StrRef definition = Concat(FormFill(Message(kMsgEntryForm), values, 3), StrFromLiteral(kFolderButton));
        if (!definition.ok()) return StrError(definition);
        FormResult answer = RunUpdaterForm(Message(kMsgConfiguration), definition);
        if (answer.status == kErrUserCanceled) continue;
        if (answer.status) return answer.status;
        StrRef name = FormValueAt(answer.values, 1);
        StrRef source = FormValueAt(answer.values, 2);
        StrRef target = FormValueAt(answer.values, 3);
        if (source.ok() && source.len == 0) {
            const bool ssh = IsYes(Field(ReadStateRecord(0, StrEmpty()), ',', kStateSsh));
            source = DefaultSource(host, EnvironmentRelative(target), ssh);
        }
        StrRef line = (name.ok() && name.len == 0) ? StrEmpty() : ConfigLine(name, source, target);
        // A new entry without a name adds nothing.
        if (entry == 0 && line.ok() && line.len == 0) continue;
        if (ErrCode err = WriteConfig(path, EditConfigLines(lines, entry, line))) return err;
    }
}

}  // namespace rt
