// Reading, writing and stamping the local state record.
#include "updater/state_record.h"

#include <cstring>
#include <iterator>

#include "runtime/errors.h"
#include "runtime/text_format.h"
#include "runtime/log.h"
#include "runtime/fs.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/whole_file.h"
#include "runtime/dates.h"

namespace rt {

namespace {

StrRef StatePath(StrRef path) { return (path.ok() && path.len) ? path : StrFromLiteral(kStateFileName); }

// A record no run of this program wrote (longer than any record, or a file that cannot be read)
// goes aside under another name, with a log line saying why; the run goes on as if there were
// none, and the next stamp writes a new one. The empty text, or the error of the move.
StrRef SetAside(StrRef file, StrRef why) {
    PoolScope scope;
    const StrRef aside = Concat(file, StrFromLiteral(".damaged"));
    if (FsReplaceFile(CString(file), CString(aside)) != 0) {
        return StrErr(RecordAndReport(kErrFileIo, kModStreams, Concat(Concat(file, StrFromLiteral(": damaged, ")), why)));
    }
    Log(Concat(Concat(Concat(file, StrFromLiteral(" is damaged (")), why),
               Concat(StrFromLiteral("): set aside as "), aside)));
    return StrEmpty();
}

// The program never writes NUL bytes or a quote it does not close, so a line holding them was
// damaged or edited by hand. NUL bytes would end the fields early and a quote that is never
// closed would join every field after it into one, so that a stamp landed in the wrong place on
// every run: both are left out, and quoted sections that close are kept for the field reader.
StrRef Mended(StrRef line) {
    bool unclosed = false;
    ScanUnquoted(line, 0, [](unsigned char, uint16_t) { return false; }, &unclosed);
    if (!unclosed && !std::memchr(line.ptr, '\0', line.len)) return line;
    char* out = PoolBuffer(line.len);
    if (!out) return StrErr(kErrOutOfMemory);
    uint16_t n = 0;
    for (uint16_t i = 0; i < line.len; ++i) {
        const char c = line.ptr[i];
        if (c == '\0') continue;
        if (IsQuote(static_cast<unsigned char>(c))) {
            // Unlike the scan, the mending goes on behind a quote that is never closed, which it
            // leaves out, so that the fields after it keep their places.
            const uint16_t to = ClosingQuote(line, i);
            if (to == kNpos) continue;
            for (; i < to; ++i)
                if (line.ptr[i] != '\0') out[n++] = line.ptr[i];
        }
        out[n++] = line.ptr[i];
    }
    return PoolShrinkTop(n);
}

constexpr uint16_t kWithoutProgram[] = {kStateTarget, kStateUtility, kStateLastDate, kStateLastTime, kStateSsh};
constexpr uint16_t kWithProgram[] = {kStateCheckUpdates, kStateUtility, kStateLastDate, kStateLastTime, kStateSsh,
                                     kStateCheckNow};

}  // namespace

bool StateLayout::Keeps(uint16_t field) const {
    for (uint16_t k = 0; k < count; ++k)
        if (fields[k] == field) return true;
    return false;
}

StateLayout StoredStateLayout(RunFlags flags) {
    // A run for a program has the program's folder as its target, so the file need not keep it.
    if (flags & RunFlag::ProgramGiven) return StateLayout{kWithProgram, static_cast<uint16_t>(std::size(kWithProgram))};
    return StateLayout{kWithoutProgram, static_cast<uint16_t>(std::size(kWithoutProgram))};
}

PoolText ReadStateRecord(RunFlags flags, StrRef path) {
    uint16_t mark = PoolMark();
    const StrRef file = StatePath(path);
    const uint32_t length = FileLength(file);
    StrRef text = length > kMaxStateFile ? StrErr(kErrOutOfMemory) : ReadBytes(file, 0, 0xFFFF);
    if (!text.ok() && StrError(text) != kErrFileNotFound) {
        // Nothing this program wrote: one damaged file must not stop every later run.
        text = SetAside(file, Concat(Format(12, "%u", length), StrFromLiteral(" bytes")));
    }
    if (!text.ok()) {
        if (StrError(text) != kErrFileNotFound) return PoolReturn(mark, text);
        // No record yet is no error: its name must not stay behind as the detail of whatever
        // fails next.
        ReportError(0, StrEmpty());
        text = StrEmpty();
    }
    uint16_t end = 0;
    while (end < text.len && text.ptr[end] != '\r' && text.ptr[end] != '\n') ++end;
    if (end > kMaxStateLine) {
        text = SetAside(file, Concat(Concat(StrFromLiteral("a line of "), Format(12, "%u", static_cast<unsigned>(end))), StrFromLiteral(" bytes")));
        if (!text.ok()) return PoolReturn(mark, text);
        end = 0;
    }
    StrRef line = Mended(StrMake(text.ptr, end));
    if (!line.ok()) return PoolReturn(mark, line);
    // Only the fields the layout keeps are read: more would push the others out of place when the
    // record is written back, and a short file leaves the rest empty.
    StrRef record = StrFromLiteral("1,,,,,,");
    const StateLayout layout = StoredStateLayout(flags);
    for (uint16_t k = 0; line.len && k < layout.count && record.ok(); ++k)
        record = SetField(record, Field(line, ',', static_cast<uint16_t>(k + 1)), ',', layout.fields[k]);
    return PoolReturn(mark, record);
}

PoolText StoredStateFields(RunFlags flags, StrRef record) {
    if (!record.ok()) return record;
    uint16_t mark = PoolMark();
    const StateLayout layout = StoredStateLayout(flags);
    StrRef stored = record;
    // From the last field down, so that a removal leaves the numbers of those still to go.
    for (int field = kStateFields; field >= 1 && stored.ok(); --field)
        if (!layout.Keeps(static_cast<uint16_t>(field))) stored = SetField(stored, StrEmpty(), ',', -field);
    return PoolReturn(mark, stored);
}

ErrCode WriteStateRecord(RunFlags flags, StrRef record, StrRef path) {
    if (!record.ok()) return StrError(record);
    uint16_t mark = PoolMark();
    StrRef stored = StoredStateFields(flags, record);
    ErrCode err = stored.ok() ? ReplaceFileContents(StatePath(path), stored) : StrError(stored);
    PoolRelease(mark);
    return err;
}

ErrCode StampStateRecordAt(RunFlags flags, StrRef path, StrRef date, StrRef time) {
    uint16_t mark = PoolMark();
    StrRef record = ReadStateRecord(flags, path);
    record = SetField(record, date, ',', kStateLastDate);
    record = SetField(record, time, ',', kStateLastTime);
    ErrCode err = record.ok() ? WriteStateRecord(flags, record, path) : StrError(record);
    PoolRelease(mark);
    return err;
}

ErrCode StampStateRecord(RunFlags flags, StrRef path) {
    uint16_t mark = PoolMark();
    StrRef date = Today();
    StrRef time = WriteTime(Now(), kTimeColons | kTimeSeconds);
    ErrCode err = (date.ok() && time.ok()) ? StampStateRecordAt(flags, path, date, time)
                                           : (date.ok() ? StrError(time) : StrError(date));
    PoolRelease(mark);
    return err;
}

}  // namespace rt
