// Fuzz target: random users files through the server's users parser, checked against the
// credentials check: every user it accepts can read its own folders with what the updater sends.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "server/published_path.h"
#include "server/users.h"

namespace {

bool Base32Pairs(const std::string& s) {
    if (s.empty() || s.size() % 2 != 0) return false;
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'v'))) return false;
    }
    return true;
}

int Lines(std::string_view text) {
    int n = 0;
    for (size_t pos = 0; pos < text.size(); ++n) {
        const size_t end = text.find('\n', pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    if (!ready) return 0;
    const uint16_t mark = rt::PoolMark();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    rt::UsersTable table;
    int line = -1;
    const rt::ErrCode err = rt::ParseUsers(text, &table, &line);
    if (rt::PoolMark() != mark) __builtin_trap();  // the pool is left as found
    if (err) {
        // A refusal names a line of the file and leaves the table alone.
        if (line < 1 || line > Lines(text) || table.restricted || !table.users.empty()) __builtin_trap();
        return 0;
    }
    if (!table.restricted) __builtin_trap();
    for (const rt::UserEntry& u : table.users) {
        if (u.name.empty() || u.name == "*" || !Base32Pairs(u.scrambled)) __builtin_trap();
        for (const std::string& folder : u.folders) {
            std::string again;
            // Folders are kept normalised: no way out of the root, nothing left to normalise.
            if (rt::NormalizeRelative(folder, &again) != rt::kOk || again != folder) __builtin_trap();
            if (rt::CheckAccess(table, true, u.name, true, u.scrambled, folder) != rt::kOk) __builtin_trap();
            if (!rt::FoldersCover(table.publicFolders, folder) &&
                rt::CheckAccess(table, true, u.name, true, u.scrambled + "00", folder) == rt::kOk) {
                __builtin_trap();
            }
        }
    }
    for (const std::string& folder : table.publicFolders) {
        if (rt::CheckAccess(table, false, "", false, "", folder) != rt::kOk) __builtin_trap();
    }
    return 0;
}
