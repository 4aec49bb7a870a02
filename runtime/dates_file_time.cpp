// File times as dates and times of day.
#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/dates.h"
#include "runtime/file_info.h"

namespace rt {

ErrCode FileTime(StrRef path, int which, int32_t* date, int32_t* ms) {
    if (!path.ok()) return StrError(path);
    int32_t d = 0, t = 0;
    if (ErrCode err = FileTimeOf(path, which, &d, &t)) return Fail(err >= kFirstSerious, kModStreams, err, err);
    if (date) *date = d;
    if (ms) *ms = t;
    return 0;
}

}  // namespace rt
