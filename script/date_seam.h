// Seam through which the field-type conversions reach the date and time routines.
//
// The date and time routines register themselves here; until they do, every slot is empty and
// the conversions of the 'D', 'F' and 'T' field types give 148 ("not available").
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

struct DateTimeSeam {
    // Display text of a YYYYMMDD date in date format `format` (1 for width 8, 2 for width 10).
    StrRef (*formatDate)(StrRef date, int format) = nullptr;
    // The YYYYMMDD date read from a typed text.
    StrRef (*readDate)(StrRef text) = nullptr;
    // Display text of a time of day (milliseconds since midnight) in time format `format`.
    StrRef (*formatTime)(int64_t millis, int format) = nullptr;
    // A time of day read from a typed text into *millis.
    ErrCode (*readTime)(StrRef text, int64_t* millis) = nullptr;
};

// Installs the date and time routines; a default-constructed seam removes them.
void SetDateTimeSeam(const DateTimeSeam& seam);
const DateTimeSeam& GetDateTimeSeam();

}  // namespace rt
