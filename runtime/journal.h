// The commit's journal: the lines it writes, and the reading back of one found in a folder, which
// anybody who may write the folder could have planted, so it is read as hostile input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// One file of a commit, its paths relative to the folder being updated, '\' separated.
struct JournalEntry {
    std::string staged, target, aside;
};

// A genuine journal names at most one listing's files (65535), each line three paths of at most
// 260 bytes, two tabs, CR LF: a larger file is none of this program's.
inline constexpr uint64_t kJournalMaxBytes = uint64_t{65535} * (3 * 260 + 4);

// The name the target's old file takes while the commit puts its new one in place: the staged
// file's, "~kv" becoming "~kvo", in the same folder, so that none collides and none costs a call.
std::string AsideOf(std::string_view staged);

// The journal's text: one line per entry, its three paths separated by tabs, ending in CR LF.
std::string JournalText(const std::vector<JournalEntry>& entries);

// True when the entry is one the commit writes, so that recovery may rename what it names: the
// target a relative path of plain components (no "..", no drive, no device-like ending, none of
// the program's own names); the staged file "~kv" (or a copy's "~kc") + 12 hex digits + ".tmp" in a staging folder
// ("~kvstage\<hex>\") or beside the target; the aside name AsideOf(staged).
bool JournalEntryInside(const JournalEntry& e);

// Reads a journal's text: every line JournalEntryInside accepts goes into *entries in order; the
// numbers (from 1) of the other lines into *refused. False, with nothing taken, for a text
// longer than kJournalMaxBytes.
bool ParseJournal(std::string_view text, std::vector<JournalEntry>* entries, std::vector<uint32_t>* refused);

}  // namespace rt
