// The run-time's log: whether an event is logged, the file's name, the line layout and appending.
#include "runtime/log.h"

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/typed_arrays.h"
#include "runtime/dates.h"
#include "runtime/streams.h"

namespace rt {

namespace {

constexpr char kStampPattern[] = "%b %d %H:%M:%S ";
constexpr char kNameTemplate[] = "%.*slog.txt";
constexpr uint16_t kMaxNameLength = 64;
constexpr uint16_t kTraceErrors = 1;
constexpr char kLineEnd[] = "\r\n";

StrRef Blank() { return StrMake(" ", 1); }

// Appends bytes through the file layer. The log must never raise an error to the one who logs, so
// the record and detail text a failed write leaves behind are put back as they were.
bool AppendBytes(StrRef file, StrRef data) {
    const uint16_t mark = PoolMark();
    const ErrorRecord before = LastError();
    const StrRef detail = PoolCopy(ErrorDetail());
    const ErrCode err = WriteFileAt(file, -1, data);
    if (err) {
        if (before.code == 0) RecordError(0, 0);
        if (detail.ok()) StoreSet(kGroupSystem, kItemErrorDetail, detail);
    }
    PoolRelease(mark);
    return err == 0;
}

}  // namespace

bool LogEnabled(ErrCode code, uint16_t category) {
    const uint16_t trace = static_cast<uint16_t>(IntGet(kSysTrace));
    if (trace == 0) return false;
    if (code >= kCompletion && (trace & kTraceErrors)) return true;
    return (trace & ~kTraceErrors & category) != 0;
}

StrRef LogFileName() {
    const StrRef stored = StoreGet(kGroupSystem, kItemLogName);
    if (stored.ok() && stored.len) return PoolCopy(stored);
    return LogFileNameFor(RunParam(kParamAppName));
}

StrRef LogFileNameFor(StrRef identifier) {
    uint16_t mark = PoolMark();
    const StrRef code = SubStr(Field(identifier, ':', 1), 0, 2);
    return PoolReturn(mark, Format(kMaxNameLength, kNameTemplate, code.len, code.ptr));
}

StrRef LogLine(StrRef message) {
    const uint16_t mark = PoolMark();
    StrRef text = message.ok() ? TrimEol(message) : ErrorCodeText(StrError(message));
    // One event, one line: a detail appended with a line break inside the message would start a
    // line without a time or tag. Inner breaks become " | ".
    if (text.ok() && (FindChar(text, 0, '\r', false) != kNpos || FindChar(text, 0, '\n', false) != kNpos)) {
        text = Replace(text, StrFromLiteral("\r\n"), StrFromLiteral(" | "), true);
        text = Replace(Replace(text, StrFromLiteral("\r"), StrFromLiteral(" | "), true), StrFromLiteral("\n"),
                       StrFromLiteral(" | "), true);
    }
    const StrRef stamp = TimeStampText(kStampPattern);
    const StrRef app = RunParam(kParamAppName);
    StrRef tag = Field(app, ':', FieldCount(app, ':'));
    if (!tag.ok() || tag.len == 0) tag = StrFromLiteral("?");
    StrRef third = RunParam(kParamLogThird);
    if (!third.ok() || third.len == 0) third = StrFromLiteral("none");
    const StrRef prefix = Join(Join(Concat(stamp, RunParam(kParamLogPrefix)), Blank(), tag), Blank(), third);
    if (!prefix.ok()) return PoolReturn(mark, prefix);
    // A long message is cut rather than lost: the line and its CR LF must stay one text.
    const uint32_t room = kMaxText - 2u;
    if (text.ok() && prefix.len + 1u + text.len > room)
        text = SubStr(text, 0, static_cast<uint16_t>(prefix.len + 1u >= room ? 0 : room - prefix.len - 1u));
    return PoolReturn(mark, Join(prefix, Blank(), text));
}

bool AppendLine(StrRef file, StrRef text) {
    if (!file.ok() || file.len == 0) return false;
    const uint16_t mark = PoolMark();
    const StrRef body = text.ok() ? text : ErrorCodeText(StrError(text));
    bool ok = false;
    if (body.ok()) {
        // A text too long to take its line end in one piece gets it in a second write.
        const StrRef line = body.len + 2u <= kMaxText ? Concat(body, StrMake(kLineEnd, 2)) : StrErr(kErrOutOfMemory);
        ok = line.ok() ? AppendBytes(file, line)
                       : AppendBytes(file, body) && AppendBytes(file, StrMake(kLineEnd, 2));
    }
    PoolRelease(mark);
    return ok;
}

ErrCode Log(StrRef message) {
    const uint16_t mark = PoolMark();
    AppendLine(LogFileName(), LogLine(message));
    PoolRelease(mark);
    return 0;
}

}  // namespace rt
