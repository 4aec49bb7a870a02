// Share connections where there is no network provider: every connection is refused as Windows
// refuses it without one (ERROR_NO_NETWORK).
#include "net/share.h"

namespace rt {

namespace {
constexpr uint32_t kNoNetwork = 1222;
}

uint32_t OsAddConnection(const char*, const char*, const char*, const char*, uint32_t) { return kNoNetwork; }
uint32_t OsCancelConnection(const char*, uint32_t, bool) { return kNoNetwork; }

}  // namespace rt
