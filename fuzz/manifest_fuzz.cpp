// Fuzz target: random manifests through the manifest reader: a refusal names its line, and what it
// accepts is written back by the writer into a manifest that reads the same.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "protocol/manifest.h"
#include "runtime/context.h"

namespace {

bool SameEntries(const rt::Manifest& a, const rt::Manifest& b) {
    if (a.files.size() != b.files.size()) return false;
    for (size_t i = 0; i < a.files.size(); ++i) {
        const rt::ManifestEntry &x = a.files[i], &y = b.files[i];
        if (x.name != y.name || x.size != y.size || x.date != y.date || x.ms != y.ms ||
            std::memcmp(x.sha256, y.sha256, rt::kSha256Size) != 0 || b.Find(x.name) != &y)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    if (!ready) return 0;
    const char* text = reinterpret_cast<const char*>(data);
    rt::Manifest m;
    std::string why;
    if (rt::ParseManifest(text, size, &m, &why) != rt::kOk) {
        if (why.rfind("manifest line ", 0) != 0 || !m.files.empty()) __builtin_trap();
        return 0;
    }
    // The signed part ends where the signature line starts, after a line end.
    if (m.signedLength == 0 || m.signedLength >= size || text[m.signedLength - 1] != '\n') __builtin_trap();
    if (!rt::ValidManifestFolder(m.folder) || !rt::ManifestFolderEnds(m.folder, m.folder)) __builtin_trap();
    const std::string again = rt::FormatManifestBody(m) + "signature 3006020101020101\n";
    rt::Manifest back;
    if (rt::ParseManifest(again.data(), again.size(), &back, &why) != rt::kOk || back.folder != m.folder ||
        back.sequence != m.sequence || back.expires != m.expires || !SameEntries(m, back))
        __builtin_trap();
    return 0;
}
