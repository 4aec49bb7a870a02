// The desktop's report headers: the list digest and the escaping of a header value.
#include "protocol/desktop_report.h"

#include <cstdint>

#include "protocol/manifest.h"
#include "runtime/crypto.h"

namespace rt {

std::string ListDigest(const char* data, size_t n) {
    uint8_t sum[kSha256Size];
    if (Sha256Of(data, n, sum) != 0) return std::string();
    return HexText(sum, kSha256Size);
}

bool IsListDigest(std::string_view text) {
    if (text.size() != kListDigestSize) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::string EscapeHeaderValue(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < text.size() && i < kMaxMachineName; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c >= 0x7F || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace rt
