// The accepted sequence numbers by key and folder: a source's path, reading and writing kelvane.seq.
#include "updater/accepted_sequence.h"

#include <algorithm>
#include <cstdlib>

#include "protocol/url_query.h"
#include "runtime/crypto.h"
#include "runtime/whole_file.h"

namespace rt {

namespace {

// Half a SHA-256 names a key well enough: only keys of the key file are ever compared.
constexpr size_t kKeyIdBytes = kSha256Size / 2;

bool IsKeyId(std::string_view key) {
    if (key == kAnyKey) return true;
    return key.size() == 2 * kKeyIdBytes && std::all_of(key.begin(), key.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// "<digits> <rest>": the number (1 to 18 digits) and the rest, or false.
bool SplitNumber(std::string_view line, uint64_t* number, std::string_view* rest) {
    const size_t blank = line.find(' ');
    if (blank == 0 || blank == std::string_view::npos || blank > 18 ||
        !std::all_of(line.begin(), line.begin() + blank, [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    *number = std::strtoull(std::string(line.substr(0, blank)).c_str(), nullptr, 10);
    *rest = line.substr(blank + 1);
    return true;
}

}  // namespace

std::string SourcePath(std::string_view source) {
    std::string path(source);
    const size_t scheme = source.find("://");
    if (scheme != std::string_view::npos) {
        const size_t query = source.find('?');
        if (query != std::string_view::npos) {
            // The first "path" parameter, as the server takes it; none: no folder.
            path.clear();
            QueryParam(source.substr(query + 1), "path", &path);
        } else {
            const size_t host = source.find('/', scheme + 3);
            path = host == std::string_view::npos ? std::string() : std::string(source.substr(host));
        }
    }
    std::vector<std::string> names;
    for (size_t at = 0; at <= path.size();) {
        const size_t end = std::min(path.find_first_of("/\\", at), path.size());
        const std::string name = path.substr(at, end - at);
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        at = end + 1;
    }
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : "\\") + name;
    return FoldedName(joined);
}

std::string KeyId(const PublicKey& key) {
    uint8_t digest[kSha256Size] = {};
    Sha256Of(key.data(), key.size(), digest);
    return HexText(digest, kKeyIdBytes);
}

std::vector<AcceptedSequence> ReadAcceptedSequences(std::string_view text) {
    std::vector<AcceptedSequence> lines;
    bool keyed = false;
    size_t lineNo = 0;
    ForEachLine(text, [&](std::string_view line) {
        if (lineNo++ == 0 && line == kSequenceFileMagic) {
            keyed = true;
            return true;
        }
        AcceptedSequence a;
        std::string_view rest;
        if (!SplitNumber(line, &a.sequence, &rest)) return true;
        if (keyed) {
            const size_t blank = rest.find(' ');
            if (blank == std::string_view::npos || !IsKeyId(rest.substr(0, blank))) return true;
            a.key = rest.substr(0, blank);
            a.folder = FoldedName(rest.substr(blank + 1));
        } else {
            a.key = kAnyKey;
            a.folder = SourcePath(rest);
        }
        if (!a.folder.empty()) lines.push_back(std::move(a));
        return true;
    });
    return lines;
}

uint64_t HighestAccepted(const std::vector<AcceptedSequence>& lines, const std::vector<std::string>& keys,
                         std::string_view sourcePath) {
    uint64_t highest = 0;
    for (const AcceptedSequence& a : lines) {
        const bool byKey = a.key == kAnyKey || std::find(keys.begin(), keys.end(), a.key) != keys.end();
        if (byKey && ManifestFolderEnds(a.folder, sourcePath)) highest = std::max(highest, a.sequence);
    }
    return highest;
}

std::string SequenceFileText(const std::vector<AcceptedSequence>& lines, const AcceptedSequence& accepted) {
    auto lineOf = [](const AcceptedSequence& a) {
        return std::to_string(a.sequence) + " " + a.key + " " + FoldedName(a.folder) + "\r\n";
    };
    std::string text = std::string(kSequenceFileMagic) + "\r\n" + lineOf(accepted);
    const std::string folder = FoldedName(accepted.folder);
    for (const AcceptedSequence& a : lines) {
        if (a.key == accepted.key && a.folder == folder) continue;
        const std::string line = lineOf(a);
        if (text.size() + line.size() <= kMaxSequenceFile) text += line;
    }
    return text;
}

}  // namespace rt
