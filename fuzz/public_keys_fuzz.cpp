// Fuzz target: random key files through the key file reader: it takes a whole file of keys or
// nothing, never more than kMaxPublicKeys, each an uncompressed point that reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<rt::PublicKey> keys = rt::ParsePublicKeys(text);
    if (keys.size() > rt::kMaxPublicKeys) __builtin_trap();
    // Every line but blank ones is a key, or none is taken.
    size_t lines = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        if (text.substr(at, end - at).find_first_not_of(" \t\r") != std::string_view::npos) ++lines;
        at = end + 1;
    }
    if (!keys.empty() && keys.size() != lines) __builtin_trap();
    std::string written;
    for (const rt::PublicKey& k : keys) {
        if (k[0] != 0x04) __builtin_trap();
        written += rt::HexText(k.data(), k.size()) + "\n";
    }
    if (rt::ParsePublicKeys(written) != keys) __builtin_trap();
    return 0;
}
