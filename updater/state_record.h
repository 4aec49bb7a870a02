// The local state record "kelvane.dat": whether updates are wanted and when the last HTTP update
// happened, read into its seven fields and stamped after a successful update.
//
// In memory the record has seven comma-separated fields: 1 check updates, 2 target folder,
// 3 updater utility, 4 last update date (YYYYMMDD), 5 last update time, 6 use SSH, 7 check now.
// The file keeps fields 2 to 6 for a run without a program, and fields 1, 3, 4, 5, 6, 7 for a
// run for a program (whose folder is the target, so it is not kept).
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "updater/run_flags.h"

namespace rt {

inline constexpr char kStateFileName[] = "kelvane.dat";
// A record file longer than this, or a record line longer than kMaxStateLine, was not written by
// this program: it is set aside as "<file>.damaged".
inline constexpr uint32_t kMaxStateFile = 0xFFFF;
inline constexpr uint16_t kMaxStateLine = 4096;
inline constexpr uint16_t kStateFields = 7;
inline constexpr uint16_t kStateCheckUpdates = 1;
inline constexpr uint16_t kStateTarget = 2;
inline constexpr uint16_t kStateUtility = 3;
inline constexpr uint16_t kStateLastDate = 4;
inline constexpr uint16_t kStateLastTime = 5;
inline constexpr uint16_t kStateSsh = 6;
inline constexpr uint16_t kStateCheckNow = 7;

// The record fields the file keeps, in the file's order: 2 to 6 for the layout without
// ProgramGiven, 1, 3, 4, 5, 6, 7 with it. Every reader and writer of the file and the preferences
// panel (which shows these fields in this order) take the layout from here.
struct StateLayout {
    const uint16_t* fields;
    uint16_t count;
    bool Keeps(uint16_t field) const;
};
StateLayout StoredStateLayout(RunFlags flags);

// The seven-field record of the file at path (kStateFileName in the working folder when path is
// empty) for the layout of flags: the file's fields go to the record fields the layout names, a
// field the file does not keep reads as empty, field 1 as "1". A missing or empty file reads as
// updates on and everything else empty. Only the first line counts. One pool entry;
// a read failure other than a missing file gives its code.
PoolText ReadStateRecord(RunFlags flags, StrRef path);

// The record as the file keeps it: the fields the layout does not keep removed.
PoolText StoredStateFields(RunFlags flags, StrRef record);

// Writes the stored fields of record to path (as above), replacing the file in one step so that
// a failed write leaves the old record. kErrPermission when the file cannot be replaced.
ErrCode WriteStateRecord(RunFlags flags, StrRef record, StrRef path);

// After a successful HTTP update: reads the record, sets field 4 to today's local date YYYYMMDD
// and field 5 to the local time "hh:mm:ss", and writes it back. The read's or write's error is
// the result.
ErrCode StampStateRecord(RunFlags flags, StrRef path);
// The same with a given date and time text (for tests and callers that stamp a known moment).
ErrCode StampStateRecordAt(RunFlags flags, StrRef path, StrRef date, StrRef time);

}  // namespace rt
