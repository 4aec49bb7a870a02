// The record of one file (size, attributes, local time stamps) read through the folder search.
#include "runtime/file_info.h"

#include "runtime/dates.h"
#include "runtime/dir_search.h"

namespace rt {

namespace {

bool LeapYear(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// path without its trailing separator, so that "C:\data\" is the folder it names (a folder search
// finds nothing for it); a drive root keeps its separator.
StrRef WithoutTrailingSeparator(StrRef path) {
    uint16_t n = path.len;
    while (n > 1 && IsSeparator(path.ptr[n - 1]) && path.ptr[n - 2] != ':' && !IsSeparator(path.ptr[n - 2])) --n;
    return StrRef{path.ptr, n};
}

}  // namespace

bool StampPartsValid(int32_t date, int32_t ms) {
    int32_t y = date / 10000, m = date / 100 % 100, d = date % 100;
    if (y < 1601 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    // File times follow the platform's Gregorian calendar, not the run-time's date rule.
    return d <= MonthDays(m, LeapYear(y)) && ms >= 0 && ms < 86400000;
}

FileInfo FileInfoOf(StrRef path) {
    FileInfo info;
    if (!path.ok()) {
        info.status = StrError(path);
        return info;
    }
    DirSearch search;
    DirEntry entry;
    ErrCode err = search.First(path, &entry);
    if (err) {
        info.status = err;
        return info;
    }
    return entry.info;
}

uint16_t PathAttributes(StrRef path) {
    FileInfo info = FileInfoOf(path);
    if (info.status) return static_cast<uint16_t>(info.status);
    return static_cast<uint16_t>(info.attributes & 0xFF);
}

bool IsFolder(StrRef path) {
    FileInfo info = FileInfoOf(path.ok() ? WithoutTrailingSeparator(path) : path);
    return info.status == 0 && (info.attributes & kAttrFolder);
}

ErrCode FileTimeOf(StrRef path, int which, int32_t* date, int32_t* ms) {
    if (which < kStampCreation || which > kStampWrite) return kErrBadInput;
    FileInfo info = FileInfoOf(path);
    if (info.status) return static_cast<ErrCode>(info.status);
    int32_t d = info.writeDate, t = info.writeTime;
    if (which == kStampCreation) {
        d = info.creationDate;
        t = info.creationTime;
    } else if (which == kStampAccess) {
        d = info.accessDate;
        t = info.accessTime;
    }
    if (date) *date = d;
    if (ms) *ms = t;
    return 0;
}

StampOrder CompareStamps(int32_t ds, int32_t ts, int32_t dt, int32_t tt, int32_t tolerance) {
    if (dt > ds) return StampOrder::TargetNewer;
    if (dt == ds && ts <= tt + tolerance) return ts >= tt - tolerance ? StampOrder::Equal : StampOrder::TargetNewer;
    return StampOrder::SourceNewer;
}

}  // namespace rt
