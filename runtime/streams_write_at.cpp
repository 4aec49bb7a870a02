// Writing data into a named file: rewriting it, appending to it or writing at an offset.
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/streams.h"

namespace rt {

ErrCode WriteFileAt(StrRef name, int32_t position, StrRef data) {
    if (!name.ok()) return StrError(name);
    if (!data.ok()) return StrError(data);
    const uint16_t flags = (position == -2 ? kStreamWrite : 0) | kStreamQuiet;
    StreamHolder s(StreamOpen(name, flags));
    ErrCode err = 0;
    if (!s.ok()) {
        err = kErrFileIo;
    } else {
        const int32_t at = position == -2 ? 0 : position;
        if (StreamWrite(s.get(), at < 0 ? -1 : at, data) != data.len) err = kErrFileIo;
    }
    if (err) {
        RecordError(err, kModStreams);
        ReportError(err, name);
    }
    return err;
}

}  // namespace rt
