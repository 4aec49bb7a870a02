// What the platforms' digests have in common: a digest of bytes held whole.
#include "runtime/crypto.h"

namespace rt {

ErrCode Sha256Of(const void* data, size_t n, uint8_t out[kSha256Size]) {
    Sha256 h;
    h.Update(data, n);
    return h.Final(out);
}

}  // namespace rt
