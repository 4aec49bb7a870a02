// The sequence numbers a desktop accepted from signed sources (kelvane.seq): kept by the key that
// signed and the folder the manifest names, so that another spelling of the same source (its host,
// a trailing separator, the case of a name) is held to the same count.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/manifest.h"

namespace rt {

// Beside the state record. Its first line is kSequenceFileMagic, then one line per key and folder:
// "<sequence> <key> <folder>", the key a KeyId or kAnyKey, the folder folded (FoldedName).
inline constexpr char kSequenceFileName[] = "kelvane.seq";
inline constexpr uint32_t kMaxSequenceFile = 0xFFFF;
// A file without this first line holds the lines of before, "<sequence> <source>".
inline constexpr char kSequenceFileMagic[] = "kelvane-seq 2";
// The key of a line kept from before: it holds whichever key of the key file signs.
inline constexpr char kAnyKey[] = "*";

struct AcceptedSequence {
    uint64_t sequence = 0;
    std::string key;
    std::string folder;
};

// The path a source names, its names folded and joined by '\': an address's path after its host
// (its query's "path=" value, decoded, when it has a query), a share's or folder's whole path;
// "." dropped, ".." taking the name before it. Empty when it names no folder.
std::string SourcePath(std::string_view source);

// A key's name in the file: the first 16 bytes of its SHA-256 in hex.
std::string KeyId(const PublicKey& key);

// The lines of a sequence file. A line this program did not write is dropped rather than trusted.
// A line of before is read as accepted under any key for its source's whole path (SourcePath), so
// that an upgraded desktop keeps the count for that source however its host or case is spelled.
std::vector<AcceptedSequence> ReadAcceptedSequences(std::string_view text);

// The highest sequence accepted under one of keys, or kAnyKey, for a folder that ends sourcePath
// (ManifestFolderEnds): what a manifest from that source must reach. 0 when there is none.
uint64_t HighestAccepted(const std::vector<AcceptedSequence>& lines, const std::vector<std::string>& keys,
                         std::string_view sourcePath);

// The file's text with accepted in place of the line of its key and folder, first, then the other
// lines while the file stays within kMaxSequenceFile.
std::string SequenceFileText(const std::vector<AcceptedSequence>& lines, const AcceptedSequence& accepted);

}  // namespace rt
