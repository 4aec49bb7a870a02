// Which list entries would land on the updater's own files.
#include "updater/own_files.h"

#include "protocol/manifest.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "script/script_file.h"
#include "updater/config_file.h"
#include "updater/credentials.h"
#include "updater/desktop_report.h"
#include "updater/signed_source.h"
#include "updater/startup.h"
#include "updater/state_record.h"

namespace rt {

namespace {

// A path made whole against the working folder, with '\' separators, "." and ".." steps taken
// and letters in lower case: two spellings of one file give one text.
std::string Comparable(StrRef path) {
    if (!path.ok()) return std::string();
    std::string p = FoldedName(std::string_view(path.ptr, path.len));
    const bool rooted = (p.size() >= 2 && p[1] == ':') || (!p.empty() && p[0] == '\\');
    if (!rooted) {
        PoolScope scope;
        const StrRef here = CurrentFolder();
        if (here.ok()) p = Comparable(here) + "\\" + p;
    }
    std::vector<std::string> parts;
    std::string head;  // a drive or the "\\" of a UNC path
    size_t at = 0;
    if (p.size() >= 2 && p[1] == ':') {
        head = p.substr(0, 2);
        at = 2;
    } else if (p.compare(0, 2, "\\\\") == 0) {
        head = "\\";
        at = 2;
    }
    while (at <= p.size()) {
        size_t end = p.find('\\', at);
        if (end == std::string::npos) end = p.size();
        const std::string part = p.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string out = head;
    for (const std::string& part : parts) out += "\\" + part;
    return out;
}

}  // namespace

OwnFiles::OwnFiles(StrRef targetFolder) {
    PoolScope scope;
    const std::string folder = Comparable(targetFolder) + "\\";
    StrRef nick = AppNick();
    if (!nick.ok() || nick.len == 0) nick = StrFromLiteral(kCredentialsFile);
    const StrRef own[] = {ScriptFilePath(nick),
                          PublicKeyPath(),
                          StrFromLiteral(kSequenceFileName),
                          StrFromLiteral(kStateFileName),
                          StrFromLiteral(kReportFileName),
                          ConfigFilePath(),
                          LogFileName()};
    for (StrRef path : own) {
        const std::string whole = Comparable(path);
        if (whole.size() > folder.size() && whole.compare(0, folder.size(), folder) == 0)
            names_.push_back(whole.substr(folder.size()));
    }
    names_.emplace_back(kManifestName);
}

bool OwnFiles::Holds(std::string_view name) const {
    const std::string n = FoldedName(name);
    for (const std::string& own : names_)
        if (own == n) return true;
    return false;
}

}  // namespace rt
