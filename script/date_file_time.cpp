// File times as dates and times of day, and the date routines behind the 'D', 'F' and 'T' fields.
#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "script/date_seam.h"
#include "script/dates.h"
#include "script/file_info.h"

namespace rt {

namespace {

// Before main: the field types work in every program that holds the date routines, without a
// start-up step that could be forgotten. The seam's slot is constant-initialised, so this runs
// safely whatever the order of the static initialisers.
[[maybe_unused]] const bool kSeamInstalled = (InstallDateSeam(), true);

}  // namespace

ErrCode FileTime(StrRef path, int which, int32_t* date, int32_t* ms) {
    if (!path.ok()) return StrError(path);
    int32_t d = 0, t = 0;
    if (ErrCode err = FileTimeOf(path, which, &d, &t)) return Fail(err >= kFirstSerious, kModStreams, err, err);
    if (date) *date = d;
    if (ms) *ms = t;
    return 0;
}

void InstallDateSeam() {
    DateTimeSeam seam;
    seam.formatDate = WriteDate;
    seam.readDate = ReadDate;
    seam.formatTime = WriteTime;
    seam.readTime = ReadTime;
    SetDateTimeSeam(seam);
}

}  // namespace rt
