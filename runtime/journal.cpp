// The journal's lines: written by the commit, and checked line by line when read back.
#include "runtime/journal.h"

#include <cstring>

#include "runtime/staged_update.h"
#include "runtime/temp_file.h"
#include "runtime/whole_file.h"

namespace rt {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// A relative path of components a folder may hold: none empty, none a drive, "." or "..", none
// ending in a dot or blank (which Windows would drop), no byte Windows refuses, none of the
// program's own names.
bool IsPlainRelative(std::string_view path) {
    if (path.empty() || path.size() >= kMaxPathLength || IsSeparator(path.front())) return false;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i])) {
            const auto u = static_cast<unsigned char>(path[i]);
            if (u < 0x20 || std::strchr("<>\"|?*:", path[i])) return false;
            continue;
        }
        const std::string_view comp = path.substr(start, i - start);
        if (comp.empty() || comp.back() == '.' || comp.back() == ' ') return false;
        if (IsOwnPatternName(comp.data(), static_cast<uint16_t>(comp.size()))) return false;
        start = i + 1;
    }
    return true;
}

// The folder part of a relative path, its separator included ("" for a bare name).
std::string_view FolderOf(std::string_view path) {
    size_t n = path.size();
    while (n > 0 && !IsSeparator(path[n - 1])) --n;
    return path.substr(0, n);
}

// The same folder part, either separator standing for the other.
bool SameFolder(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && !(IsSeparator(a[i]) && IsSeparator(b[i]))) return false;
    return true;
}

// "~kvstage\<1 to 8 hex digits>\".
bool IsStagingBucket(std::string_view folder) {
    const size_t root = sizeof kStagingFolder - 1;
    if (folder.size() < root + 3 || folder.compare(0, root, kStagingFolder) != 0 || folder[root] != '\\' ||
        folder.back() != '\\' || folder.size() - root - 2 > 8)
        return false;
    for (size_t i = root + 1; i + 1 < folder.size(); ++i)
        if (!IsHex(folder[i])) return false;
    return true;
}

}  // namespace

std::string AsideOf(std::string_view staged) {
    const size_t name = FolderOf(staged).size();
    const size_t stage = std::strlen(kStagePrefix);
    std::string aside(staged.substr(0, name));
    aside += kAsidePrefix;
    if (staged.size() >= name + stage) aside += staged.substr(name + stage);
    return aside;
}

std::string JournalText(const std::vector<JournalEntry>& entries) {
    std::string text;
    for (const JournalEntry& e : entries) text += e.staged + '\t' + e.target + '\t' + e.aside + "\r\n";
    return text;
}

bool JournalEntryInside(const JournalEntry& e) {
    if (!IsPlainRelative(e.target)) return false;
    const std::string_view staged = e.staged, folder = FolderOf(staged);
    const std::string_view name = staged.substr(folder.size());
    if (!IsTempOf(name, kStagePrefix) && !IsTempOf(name, kCopyPrefix)) return false;
    if (!SameFolder(folder, FolderOf(e.target)) && !IsStagingBucket(folder)) return false;
    return e.aside == AsideOf(staged);
}

bool ParseJournal(std::string_view text, std::vector<JournalEntry>* entries, std::vector<uint32_t>* refused) {
    if (text.size() > kJournalMaxBytes) return false;
    uint32_t number = 0;
    ForEachLine(text, [&](std::string_view line) {
        ++number;
        const size_t t1 = line.find('\t'), t2 = t1 == line.npos ? t1 : line.find('\t', t1 + 1);
        JournalEntry e;
        if (t2 != line.npos) {
            e.staged = line.substr(0, t1);
            e.target = line.substr(t1 + 1, t2 - t1 - 1);
            e.aside = line.substr(t2 + 1);
        }
        if (t2 != line.npos && JournalEntryInside(e)) {
            entries->push_back(std::move(e));
        } else {
            refused->push_back(number);
        }
        return true;
    });
    return true;
}

}  // namespace rt
