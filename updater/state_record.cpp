// Reading, writing and stamping the local state record.
#include "updater/state_record.h"

#include <cstring>

#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/whole_file.h"
#include "runtime/dates.h"

namespace rt {

namespace {

StrRef StatePath(StrRef path) { return (path.ok() && path.len) ? path : StrFromLiteral(kStateFileName); }

bool HasProgram(RunFlags flags) { return (flags & RunFlag::ProgramGiven) != 0; }

// The program never writes NUL bytes or quotes, so a line holding them was damaged or edited by
// hand. NUL bytes would end the fields early and a quote that is never closed would join every
// field after it into one, so that a stamp landed in the wrong place on every run: both are left
// out, and quoted sections that close are kept for the field reader.
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

}  // namespace

StrRef ReadStateRecord(RunFlags flags, StrRef path) {
    uint16_t mark = PoolMark();
    StrRef text = ReadBytes(StatePath(path), 0, 0xFFFF);
    if (!text.ok()) {
        if (StrError(text) != kErrFileNotFound) return PoolReturn(mark, text);
        text = StrEmpty();
    }
    uint16_t end = 0;
    while (end < text.len && text.ptr[end] != '\r' && text.ptr[end] != '\n') ++end;
    StrRef line = Mended(StrMake(text.ptr, end));
    if (!line.ok()) return PoolReturn(mark, line);
    // Fields beyond those the layout keeps would push the others out of place when the record is
    // written back: they are not read.
    const uint16_t stored = HasProgram(flags) ? kStateFields - 1 : kStateFields - 2;
    const FieldSpan extra = FieldPos(line, ',', stored + 1);
    if (extra.pos != kNpos && extra.pos > 0) line = SubStr(line, 0, static_cast<uint16_t>(extra.pos - 1));
    StrRef record;
    if (line.len == 0) {
        record = StrFromLiteral("1,,,,,,");
    } else if (!HasProgram(flags)) {
        record = Concat(Concat(StrFromLiteral("1,"), line), StrFromLiteral(","));
    } else {
        FieldSpan second = FieldPos(line, ',', 2);
        record = second.pos == kNpos ? Concat(line, StrFromLiteral(","))
                                     : Concat(Concat(SubStr(line, 0, second.pos), StrFromLiteral(",")),
                                              SubStr(line, second.pos, kNpos));
    }
    // A short file still gives all seven fields.
    if (record.ok() && FieldCount(record, ',') < kStateFields) {
        record = SetField(record, StrEmpty(), ',', kStateFields);
    }
    return PoolReturn(mark, record);
}

StrRef StoredStateFields(RunFlags flags, StrRef record) {
    if (!record.ok()) return record;
    uint16_t mark = PoolMark();
    StrRef stored = HasProgram(flags) ? SetField(record, StrEmpty(), ',', -kStateTarget)
                                      : SetField(SetField(record, StrEmpty(), ',', -7), StrEmpty(), ',', -1);
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
