// Construction and comparison of StrRef values.
#include "runtime/strref.h"

#include <cstring>

namespace rt {

StrRef StrFromLiteral(const char* c) {
    if (!c) return StrErr(kErrBadInput);
    return StrRef{c, static_cast<uint16_t>(std::strlen(c))};
}

bool StrEq(StrRef a, StrRef b) {
    if (!a.ok() || !b.ok() || a.len != b.len) return false;
    return a.len == 0 || std::memcmp(a.ptr, b.ptr, a.len) == 0;
}

bool StrEq(StrRef a, const char* lit) { return lit && StrEq(a, StrFromLiteral(lit)); }

}  // namespace rt
