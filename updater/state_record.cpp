// Reading, writing and stamping the local state record.
#include "updater/state_record.h"

#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/whole_file.h"
#include "runtime/dates.h"

namespace rt {

namespace {

StrRef StatePath(StrRef path) { return (path.ok() && path.len) ? path : StrFromLiteral(kStateFileName); }

bool HasProgram(RunFlags flags) { return (flags & RunFlag::ProgramGiven) != 0; }

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
    StrRef line = StrMake(text.ptr, end);
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
