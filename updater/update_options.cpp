// The choice of source and target, default sources and the environment-relative form of a folder.
#include "updater/update_options.h"

#include "net/path_kind.h"
#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/options.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/whole_file.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "updater/command_words.h"
#include "updater/config_file.h"
#include "updater/run_ui.h"
#include "updater/state_record.h"
#include "updater/messages.h"

namespace rt {

namespace {


// A folder without its drive and trailing separators, in lower case.
StrRef Reduced(StrRef folder) {
    if (!folder.ok()) return folder;
    StrRef s = (folder.len >= 2 && folder.ptr[1] == ':') ? StrMake(folder.ptr + 2, static_cast<uint16_t>(folder.len - 2)) : folder;
    while (s.len && (s.ptr[s.len - 1] == '\\' || s.ptr[s.len - 1] == '/')) --s.len;
    return Case(ConvertSeparators(s, 0), 2);
}

// The pair of the application the user picks from the configuration file; empty when cancelled.
StrRef ChooseApplication(uint16_t application) {
    uint16_t mark = PoolMark();
    StrRef lines = ReadConfig(ConfigFilePath());
    if (!lines.ok()) return PoolReturn(mark, lines);
    const uint16_t count = FieldCount(lines, '\n');
    const uint16_t chosen = application ? application
                            : count == 1 ? 1
                                         : ChooseOne(Message(kMsgChooseApplication), ConfigNames(lines, StrEmpty()));
    if (chosen == 0 || chosen > count) return PoolReturn(mark, StrEmpty());
    return PoolReturn(mark, ConfigLinePair(Field(lines, '\n', chosen)));
}

void LogOptions(ErrCode code, StrRef input, StrRef target) {
    if (!LogEnabled(code, kLogRuntime)) return;
    PoolScope scope;
    StrRef line = Concat(Concat(StrFromLiteral("Kelvane_Options: "), ErrorText(code)), StrFromLiteral(". source:"));
    line = Concat(Concat(Concat(line, input.ok() ? input : StrEmpty()), StrFromLiteral(", target:")),
                  target.ok() ? target : StrEmpty());
    Log(line);
}

}  // namespace

PoolText DefaultServerHost() {
    uint16_t mark = PoolMark();
    StrRef host = OptionValue(kOptHost);
    if (host.ok() && host.len) return PoolReturn(mark, host);
    PoolRelease(mark);
    return StrFromLiteral(kDefaultServerHost);
}

PoolText EnvironmentRelative(StrRef folder) {
    if (!folder.ok()) return folder;
    uint16_t mark = PoolMark();
    StrRef mine = Reduced(folder);
    StrRef names = StrFromLiteral(kEnvironmentNames);
    const uint16_t count = FieldCount(names, ',');
    for (uint16_t k = 1; k <= count && mine.ok(); ++k) {
        StrRef entry = Reduced(EnvValue(Field(names, ',', k)));
        if (!entry.ok() || entry.len == 0) break;
        // The prefix must end at a separator: "\programdata" does not hold "\programdata2\x".
        if (mine.len > entry.len + 1 && CompareFold(SubStr(mine, 0, entry.len), entry, false) == 0 &&
            mine.ptr[entry.len] == '\\') {
            StrRef rest = SubStr(mine, entry.len + 1, kNpos);
            return PoolReturn(mark, ConvertSeparators(rest, 1));
        }
    }
    PoolRelease(mark);
    return StrFromLiteral("default");
}

PoolText DefaultSource(StrRef host, StrRef relative, bool useSsh) {
    if (!host.ok()) return host;
    if (!relative.ok()) return relative;
    uint16_t mark = PoolMark();
    StrRef s = Concat(StrFromLiteral(useSsh ? "https://" : "http://"), host);
    s = Concat(Concat(s, StrFromLiteral("/updater/")), relative);
    return PoolReturn(mark, s);
}

PoolText OptionsForFolder(StrRef target, RunFlags flags, StrRef host) {
    if (!target.ok()) return target;
    uint16_t mark = PoolMark();
    // A missing configuration file is no error here: the default source takes its place.
    StrRef path = ConfigFilePath();
    StrRef lines = FileLength(path) ? ReadConfig(path) : StrEmpty();
    if (!lines.ok() && StrError(lines) != kErrFileNotFound) return PoolReturn(mark, lines);
    const uint16_t count = lines.ok() && lines.len ? FieldCount(lines, '\n') : 0;
    for (uint16_t n = 1; n <= count; ++n) {
        StrRef pair = ConfigLinePair(Field(lines, '\n', n));
        if (CompareFold(PairTarget(pair), target, true) == 0 && IsWebSource(PairSource(pair)))
            return PoolReturn(mark, pair);
    }
    const bool ssh = IsYes(Field(ReadStateRecord(flags, StrEmpty()), ',', kStateSsh));
    StrRef source = DefaultSource(host, EnvironmentRelative(target), ssh);
    return PoolReturn(mark, MakePair(source, target));
}

uint16_t ApplicationsToChoose() {
    PoolScope scope;
    const StrRef output = OptionValue(kOptOutput);
    const StrRef run = OptionValue(kOptRun);
    if (!output.ok() || !run.ok() || output.len || run.len) return 0;
    const StrRef lines = ReadConfig(ConfigFilePath());
    return lines.ok() && lines.len ? FieldCount(lines, '\n') : 0;
}

PoolText UpdateOptions(RunFlags flags, StrRef host, uint16_t application) {
    uint16_t mark = PoolMark();
    StrRef input = OptionValue(kOptInput);
    StrRef output = OptionValue(kOptOutput);
    StrRef target = output;
    if (output.ok() && output.len == 0) target = PathPart(OptionValue(kOptRun), kPathDriveFolder);
    StrRef pair;
    if (!input.ok() || !target.ok()) {
        pair = input.ok() ? target : input;
    } else if (target.len == 0) {
        pair = ChooseApplication(application);
    } else if (input.len) {
        pair = MakePair(input, target);
    } else {
        pair = OptionsForFolder(target, flags, host);
    }
    if (pair.ok() && pair.len && ConfirmSwitch() && !ConfirmTarget(PairTarget(pair))) pair = StrEmpty();
    const ErrCode code = !pair.ok() ? StrError(pair) : (pair.len ? 0 : kErrNoCode);
    LogOptions(code, input, pair.ok() && pair.len ? PairTarget(pair) : target);
    return PoolReturn(mark, pair);
}

bool ConfirmSwitch() { return SwitchPresent(StrFromLiteral(kConfirmSwitch), false); }

bool ConfirmTarget(StrRef target) {
    PoolScope scope;
    // The question stands on its own line above the request, as every box of the updater asks.
    StrRef question = Replace(MessageField(kMsgUpdateTexts, 1), StrFromLiteral("[$]"), target, true);
    return AskUser(Join(question, StrFromLiteral("\r\n"), MessageField(kMsgConfirm, 2)));
}

}  // namespace rt
