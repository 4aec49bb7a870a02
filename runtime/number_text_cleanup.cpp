// Input cleanup: a number as a user typed it into a field, reduced to canonical-style text.
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/number_text.h"

namespace rt {

namespace {

constexpr int kMaxCleanChars = 20;

bool IsNumberChar(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ',' || c == 'D' || c == ' ';
}

}  // namespace

StrRef CleanNumberInput(StrRef text) {
    if (!text.ok()) return text;
    const StrRef t = Trim(text, kTrimStart | kTrimEnd);
    // Typed numbers follow the display convention: a comma, when there is one, is the decimal
    // separator and points are thousands separators; otherwise the point is the decimal one.
    uint16_t decimal = FindChar(t, 0, ',', true);
    if (decimal == kNpos) decimal = FindChar(t, 0, '.', true);

    char out[kMaxCleanChars];
    int n = 0;
    for (uint16_t i = 0; i < t.len && n < kMaxCleanChars; ++i) {
        const char c = t.ptr[i];
        if (!IsNumberChar(c)) break;
        if (c == '-' && n != 0) break;
        const bool signOnly = n == 0 || (n == 1 && out[0] == '-');
        if (c == '0' && signOnly && i + 1 < t.len && t.ptr[i + 1] >= '0' && t.ptr[i + 1] <= '9') continue;
        if (c == '.' || c == ',') {
            if (i == decimal) out[n++] = '.';
            continue;
        }
        out[n++] = c;
    }
    return PoolCopy(StrMake(out, static_cast<uint16_t>(n)));
}

}  // namespace rt
