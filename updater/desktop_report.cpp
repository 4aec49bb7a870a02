// The desktop's report headers and the file that keeps the previous exit code and list digests.
#include "updater/desktop_report.h"

#include <cstdlib>
#include <vector>

#include "protocol/desktop_report.h"
#include "runtime/log.h"
#include "runtime/machine_name.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/whole_file.h"
#include "updater/version.h"

namespace rt {
namespace {

constexpr char kExitTag[] = "exit ";

struct Kept {
    std::string exitCode;  // decimal, empty when none is kept
    std::vector<std::pair<std::string, std::string>> lists;  // source key, digest
};

std::string SourceKey(StrRef source) {
    std::string lower = source.ok() ? std::string(source.ptr, source.len) : std::string();
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ListDigest(lower.data(), lower.size());
}

Kept ReadKept() {
    Kept kept;
    PoolScope scope;
    const StrRef text = ReadBytes(StrFromLiteral(kReportFileName), 0, 0xFFFF);
    if (!text.ok()) return kept;
    ForEachLine(std::string_view(text.ptr, text.len), [&kept](std::string_view line) {
        const std::string_view tag(kExitTag);
        if (line.substr(0, tag.size()) == tag) {
            const std::string_view digits = line.substr(tag.size());
            if (!digits.empty() && digits.size() <= 5 && digits.find_first_not_of("0123456789") == std::string_view::npos)
                kept.exitCode = std::string(digits);
        } else if (line.size() == 2 * kListDigestSize + 1 && line[kListDigestSize] == ' ' &&
                   IsListDigest(line.substr(0, kListDigestSize)) && IsListDigest(line.substr(kListDigestSize + 1))) {
            kept.lists.emplace_back(std::string(line.substr(kListDigestSize + 1)), std::string(line.substr(0, kListDigestSize)));
        }
        return true;
    });
    return kept;
}

void WriteKept(const Kept& kept) {
    std::string text;
    if (!kept.exitCode.empty()) text += kExitTag + kept.exitCode + "\r\n";
    // The newest first; a file of very many sources keeps what fits.
    for (const auto& [key, digest] : kept.lists) {
        if (text.size() + 2 * kListDigestSize + 3 > 0xFFFF) break;
        text += digest + " " + key + "\r\n";
    }
    PoolScope scope;
    if (ReplaceFileContents(StrFromLiteral(kReportFileName), text.data(), static_cast<uint32_t>(text.size())) != 0)
        Log(Concat(StrFromLiteral("What the next run reports could not be kept in "), StrFromLiteral(kReportFileName)));
}

}  // namespace

std::string ReportHeaders(StrRef source) {
    const Kept kept = ReadKept();
    std::string lines;
    const std::string machine = EscapeHeaderValue(MachineName());
    if (!machine.empty()) lines += std::string(kHeaderMachine) + ": " + machine + "\r\n";
    lines += std::string(kHeaderVersion) + ": " + kUpdaterVersion + "\r\n";
    if (!kept.exitCode.empty()) lines += std::string(kHeaderPreviousExit) + ": " + kept.exitCode + "\r\n";
    const std::string key = SourceKey(source);
    for (const auto& [k, digest] : kept.lists) {
        if (k != key) continue;
        lines += std::string(kHeaderList) + ": " + digest + "\r\n";
        break;
    }
    return lines;
}

void RememberExitCode(ErrCode code) {
    Kept kept = ReadKept();
    kept.exitCode = std::to_string(code);
    WriteKept(kept);
}

void RememberInstalledList(StrRef source, const std::string& listDigest) {
    if (!IsListDigest(listDigest)) return;
    Kept kept = ReadKept();
    const std::string key = SourceKey(source);
    std::erase_if(kept.lists, [&](const auto& entry) { return entry.first == key; });
    kept.lists.insert(kept.lists.begin(), {key, listDigest});
    WriteKept(kept);
}

}  // namespace rt
