// Bounded printf-style formatting of a text into the pool.
#include "runtime/text_format.h"

#include <cstdarg>
#include <cstdio>

#include "runtime/error_record.h"
#include "runtime/temp_pool.h"

namespace rt {

StrRef Format(uint16_t max, const char* tmpl, ...) {
    if (!tmpl) return StrErr(kErrBadInput);
    PoolScope scope;
    const uint32_t room = uint32_t{max} + 1;
    ErrCode err = 0;
    char* buf = PoolBuffer(room, &err);
    if (!buf) return StrErr(kErrOutOfMemory);
    va_list args;
    va_start(args, tmpl);
    const int n = std::vsnprintf(buf, room, tmpl, args);
    va_end(args);
    if (n < 0) return FailStr(true, kModFormatStrings, kErrFormatFailure, StrRef{});
    // vsnprintf reports the full length it wanted, so a cut result is recognised exactly.
    if (static_cast<uint32_t>(n) >= room)
        return FailStr(true, kModFormatStrings, kErrStringTooLong, StrRef{});
    scope.Keep();
    return PoolShrinkTop(static_cast<uint16_t>(n));
}

}  // namespace rt
