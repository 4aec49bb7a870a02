// Fuzz target: journals found in a folder through the reader. Every entry it takes stays inside
// the folder whatever the bytes (no drive, no root, no ".." on the way), every line is taken or
// refused, and what it takes, written again, reads back the same with nothing refused.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/journal.h"

namespace {

bool Inside(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.front() == '/' || path.find(':') != path.npos) return false;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\' && path[i] != '/') continue;
        if (path.substr(start, i - start) == ".." || path.substr(start, i - start) == ".") return false;
        start = i + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<rt::JournalEntry> taken;
    std::vector<uint32_t> refused;
    if (!rt::ParseJournal(text, &taken, &refused)) return 0;
    size_t lines = 0;
    for (size_t at = 0; at < text.size(); ++lines) {
        const size_t end = text.find('\n', at);
        at = end == text.npos ? text.size() : end + 1;
    }
    if (taken.size() + refused.size() != lines) __builtin_trap();
    for (const rt::JournalEntry& e : taken) {
        if (!Inside(e.staged) || !Inside(e.target) || !Inside(e.aside) || e.aside != rt::AsideOf(e.staged))
            __builtin_trap();
    }
    std::vector<rt::JournalEntry> again;
    refused.clear();
    if (!rt::ParseJournal(rt::JournalText(taken), &again, &refused) || !refused.empty() || again.size() != taken.size())
        __builtin_trap();
    for (size_t i = 0; i < taken.size(); ++i) {
        if (again[i].staged != taken[i].staged || again[i].target != taken[i].target || again[i].aside != taken[i].aside)
            __builtin_trap();
    }
    return 0;
}
