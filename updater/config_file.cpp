// Locating, reading and writing config.txt, and the texts of its lines and pairs.
#include "updater/config_file.h"

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_format.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/whole_file.h"
#include "ui/form_value.h"
#include "updater/startup.h"

namespace rt {

namespace {

constexpr uint16_t kTrimBoth = kTrimStart | kTrimEnd;

// Line n (1-based) of lines joined with "\n", as a piece.
StrRef Line(StrRef lines, uint16_t n) { return Field(lines, '\n', n); }

}  // namespace

PoolText RunPathFolder() {
    uint16_t mark = PoolMark();
    // The folder is the product's, whatever identity APNAME gives the run.
    StrRef path = ExpandRefs(Replace(StrFromLiteral(kRunPathFile), StrFromLiteral("[$]"), StrFromLiteral(kRunPathNick), true));
    StrRef text = (path.ok() && FileLength(path)) ? ReadText(path, StrFromLiteral("\n")) : StrEmpty();
    if (!text.ok()) text = StrEmpty();
    StrRef folder = Trim(Field(Field(text, '\n', 1), ',', 2), kTrimBoth);
    return PoolReturn(mark, Unquote(folder));
}

PoolText ConfigFilePath() {
    uint16_t mark = PoolMark();
    StrRef folder = RunPathFolder();
    StrRef path = (folder.ok() && folder.len) ? PathJoin(folder, StrFromLiteral(kConfigFileName))
                                              : StrFromLiteral(kConfigFileName);
    return PoolReturn(mark, path);
}

PoolText ReadConfig(StrRef path) {
    if (!path.ok()) return path;
    uint16_t mark = PoolMark();
    const uint32_t length = FileLength(path);
    StrRef text = length ? ReadText(path, StrFromLiteral("\n")) : StrEmpty();
    if (text.ok()) text = Trim(text, kTrimBoth, StrFromLiteral(" \t\r\n"));
    if (text.ok() && text.len) return PoolReturn(mark, text);
    // Named where it was looked for: a relative path is the working folder's (a rooted one keeps
    // itself, since the join drops the folder then).
    const StrRef here = FsCurrentFolder(kMaxText);
    StrRef shown = here.ok() && here.len ? PathJoin(here, path) : path;
    if (!shown.ok()) shown = path;
    // A file that is there but cannot be read as a list is no missing file: its own code, and
    // what is wrong with it.
    const ErrCode code = text.ok() ? kErrFileNotFound : StrError(text);
    if (code != kErrFileNotFound) {
        shown = Concat(shown, Concat(StrFromLiteral(": cannot be read as the list of applications, "),
                                     Concat(Format(12, "%u", length), StrFromLiteral(" bytes"))));
    }
    RecordAndReport(code, kModStreams, shown);
    PoolRelease(mark);
    return StrErr(code);
}

ErrCode WriteConfig(StrRef path, StrRef lines) {
    if (!lines.ok()) return StrError(lines);
    PoolScope scope;
    StrRef text = lines.len ? Concat(Replace(lines, StrFromLiteral("\n"), StrFromLiteral("\r\n"), true),
                                     StrFromLiteral("\r\n"))
                            : lines;
    return ReplaceFileContents(path, text);
}

ConfigEntry ParseConfigLine(StrRef line) {
    ConfigEntry e{StrEmpty(), StrEmpty(), StrEmpty()};
    if (!line.ok()) return ConfigEntry{line, line, line};
    const uint16_t hyphen = FindChar(line, 0, '-', false);
    StrRef name = hyphen == kNpos ? line : StrMake(line.ptr, hyphen);
    e.name = FormUnquote(Trim(name, kTrimBoth));
    if (hyphen == kNpos) return e;
    StrRef pair = ConfigLinePair(line);
    e.source = PairSource(pair);
    e.target = PairTarget(pair);
    return e;
}

PoolText ConfigLinePair(StrRef line) {
    if (!line.ok()) return line;
    const uint16_t hyphen = FindChar(line, 0, '-', false);
    if (hyphen == kNpos) return StrEmpty();
    return FormUnquote(Trim(StrMake(line.ptr + hyphen + 1, static_cast<uint16_t>(line.len - hyphen - 1)), kTrimBoth));
}

PoolText ConfigLine(StrRef name, StrRef source, StrRef target) {
    uint16_t mark = PoolMark();
    StrRef line = Concat(Concat(FormQuoteIfNeeded(name, StrFromLiteral("-")), StrFromLiteral("-")),
                         FormQuote(MakePair(source, target)));
    return PoolReturn(mark, line);
}

PoolText ConfigNames(StrRef lines, StrRef first) {
    if (!lines.ok()) return lines;
    uint16_t mark = PoolMark();
    StrRef names = first;
    bool any = first.ok() && first.len > 0;
    const uint16_t count = lines.len ? FieldCount(lines, '\n') : 0;
    for (uint16_t n = 1; n <= count && names.ok(); ++n) {
        StrRef name = ParseConfigLine(Line(lines, n)).name;
        names = any ? Concat(Concat(names, StrMake("\0", 1)), name) : Copy(name);
        any = true;
    }
    return PoolReturn(mark, names);
}

PoolText MakePair(StrRef source, StrRef target) {
    uint16_t mark = PoolMark();
    const StrRef comma = StrFromLiteral(",");
    StrRef pair = Concat(Concat(FormQuoteIfNeeded(source, comma), comma), FormQuoteIfNeeded(target, comma));
    return PoolReturn(mark, pair);
}

PoolText PairSource(StrRef pair) { return FormValueAt(pair, 1); }

PoolText PairTarget(StrRef pair) {
    if (!pair.ok()) return pair;
    const FieldSpan second = FieldPos(pair, ',', 2);
    if (second.pos == kNpos) return StrEmpty();
    return FormUnquote(Trim(StrMake(pair.ptr + second.pos, static_cast<uint16_t>(pair.len - second.pos)), kTrimBoth));
}

}  // namespace rt
