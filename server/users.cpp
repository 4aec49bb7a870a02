// Users file of the update server: parsing and the credentials check.
#include "server/users.h"

#include <utility>

#include "runtime/strref.h"
#include "runtime/whole_file.h"
#include "server/published_path.h"
#include "server/runtime_guard.h"

namespace rt {
namespace {

constexpr size_t kMaxUsersFile = 1 << 20;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBase32(char c) {
    c = LowerAscii(c);
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'v');
}

ErrCode ParseFolders(std::string_view list, std::vector<std::string>* out) {
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(',', pos);
        if (end == std::string_view::npos) end = list.size();
        const std::string_view item = Trim(list.substr(pos, end - pos));
        pos = end + 1;
        if (item.empty()) continue;
        std::string folder;
        if (item != "*" && NormalizeRelative(item, &folder) != kOk) return kErrBadInput;
        out->push_back(std::move(folder));
    }
    return kOk;
}

// The scrambled form the updater sends for (password, user): what its credentials form stores.
ErrCode ScrambledFor(std::string_view password, std::string_view user, std::string* out) {
    // Two characters a byte: a longer password would not fit in a run-time text.
    if (password.size() > kMaxText / 2) return kErrOutOfMemory;
    return RuntimeGuard().Scrambled(password, user, out);
}

ErrCode ParseLine(std::string_view line, UsersTable* table) {
    const size_t first = line.find(':');
    const size_t last = line.rfind(':');
    if (first == std::string_view::npos || first == last) return kErrBadInput;
    const std::string_view name = Trim(line.substr(0, first));
    const std::string_view password = Trim(line.substr(first + 1, last - first - 1));
    const std::string_view folders = line.substr(last + 1);
    if (name.empty()) return kErrBadInput;
    if (name == "*") {
        if (!password.empty()) return kErrBadInput;
        return ParseFolders(folders, &table->publicFolders);
    }
    for (const UserEntry& u : table->users) {
        if (u.name == name) return kErrBadInput;
    }
    UserEntry entry;
    entry.name = name;
    if (!password.empty() && password.front() == '~') {
        const std::string_view stored = password.substr(1);
        if (stored.empty() || stored.size() % 2 != 0) return kErrBadInput;
        for (char c : stored) {
            if (!IsBase32(c)) return kErrBadInput;
            entry.scrambled.push_back(LowerAscii(c));
        }
    } else {
        if (password.empty()) return kErrBadInput;
        const ErrCode err = ScrambledFor(password, name, &entry.scrambled);
        if (err) return err;
    }
    if (ParseFolders(folders, &entry.folders) != kOk) return kErrBadInput;
    table->users.push_back(std::move(entry));
    return kOk;
}

// Compares every byte whatever the outcome, so the time taken does not tell how much of a
// guessed password was right.
bool SameScrambled(const std::string& expected, const std::string& sent) {
    unsigned diff = expected.size() != sent.size() ? 1u : 0u;
    const size_t n = expected.size() < sent.size() ? expected.size() : sent.size();
    for (size_t i = 0; i < n; ++i) {
        diff |= static_cast<unsigned char>(expected[i] ^ LowerAscii(sent[i]));
    }
    return diff == 0;
}

}  // namespace

ErrCode ParseUsers(std::string_view text, UsersTable* table, int* badLine) {
    UsersTable result;
    result.restricted = true;
    int lineNo = 0;
    ErrCode err = kOk;
    ForEachLine(text, [&](std::string_view raw) {
        const std::string_view line = Trim(raw);
        ++lineNo;
        if (!line.empty() && line.front() != '#') err = ParseLine(line, &result);
        return err == kOk;
    });
    if (err) {
        *badLine = lineNo;
        return err;
    }
    *table = std::move(result);
    return kOk;
}

ErrCode LoadUsersFile(const char* path, UsersTable* table, int* badLine) {
    *badLine = 0;
    std::string text;
    const ErrCode err = ReadSmallFile(path, kMaxUsersFile, &text);
    if (err) return err == kErrDataOutBound ? kErrBadInput : kErrFileNotFound;
    return ParseUsers(text, table, badLine);
}

bool FoldersCover(const std::vector<std::string>& folders, std::string_view folder) {
    for (const std::string& f : folders) {
        if (f.empty() || folder == f) return true;
        if (folder.size() > f.size() && folder.substr(0, f.size()) == f && folder[f.size()] == '/') {
            return true;
        }
    }
    return false;
}

ErrCode CheckAccess(const UsersTable& table, bool hasUser, const std::string& user,
                    bool hasPassw, const std::string& passw, std::string_view folder) {
    if (!table.restricted || FoldersCover(table.publicFolders, folder)) return kOk;
    if (!hasUser || !hasPassw) return kErrPermission;
    for (const UserEntry& u : table.users) {
        if (u.name != user) continue;
        if (!SameScrambled(u.scrambled, passw)) return kErrPermission;
        return FoldersCover(u.folders, folder) ? kOk : kErrPermission;
    }
    return kErrPermission;
}

}  // namespace rt
