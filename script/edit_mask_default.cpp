// Default edit mask of a field type and width.
#include "runtime/temp_pool.h"
#include "script/edit_mask.h"

namespace rt {

namespace {

// A type letter's position in kMaskTypes picks the mask character at the same position of
// kMaskChars; a letter that is not listed takes the last one.
constexpr char kMaskTypes[] = "ABDLNN123456789";
constexpr char kMaskChars[] = "\\\\\\\\###########0";
static_assert(sizeof kMaskChars - 1 == 16 && sizeof kMaskTypes - 1 == 15);

}  // namespace

StrRef DefaultMask(char type, int width, bool pointPair) {
    if (width < 1) return StrEmpty();
    if (width > kMaxText) return StrErr(kErrOutOfMemory);
    int k = 0;
    while (kMaskTypes[k] && kMaskTypes[k] != type) ++k;
    ErrCode err = 0;
    char* out = PoolBuffer(static_cast<uint32_t>(width), &err);
    if (!out) return StrErr(err);
    for (int i = 0; i < width; ++i) out[i] = kMaskChars[k];
    if (type >= '1' && type <= '9') {
        const int decimals = type - '0';
        if (decimals + 1 < width) out[width - (decimals + 1)] = pointPair ? '.' : ',';
    }
    return StrMake(out, static_cast<uint16_t>(width));
}

}  // namespace rt
