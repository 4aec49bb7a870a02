// Which list entries would land on the updater's own files, by what the folders are.
#include "updater/own_files.h"

#include "protocol/manifest.h"
#include "runtime/installer_program.h"
#include "runtime/log.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "script/script_file.h"
#include "updater/config_file.h"
#include "updater/credentials.h"
#include "updater/desktop_report.h"
#include "updater/signed_source.h"
#include "updater/startup.h"
#include "updater/state_record.h"

namespace rt {

namespace {

const std::set<std::string> kNone;

std::string Text(StrRef s) { return s.ok() ? std::string(s.ptr, s.len) : std::string(); }

// The folder part and the leaf of a path ('\' or '/' separated); "." for a bare name; a root keeps
// its separator.
std::pair<std::string, std::string> Split(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return {".", path};
    const bool root = cut == 0 || (cut == 2 && path[1] == ':');  // "C:" alone is the drive's working folder
    return {path.substr(0, root ? cut + 1 : cut), path.substr(cut + 1)};
}

std::string Join(const std::string& folder, const std::string& leaf) {
    if (folder.empty()) return leaf;
    const char last = folder.back();
    return (last == '\\' || last == '/') ? folder + leaf : folder + "\\" + leaf;
}

}  // namespace

OwnFiles::OwnFiles(StrRef targetFolder) : target_(Text(targetFolder)) {
    PoolScope scope;
    StrRef nick = AppNick();
    if (!nick.ok() || nick.len == 0) nick = StrFromLiteral(kCredentialsFile);
    const std::string paths[] = {Text(ScriptFilePath(nick)),    Text(PublicKeyPath()),
                                 Text(ConfigFilePath()),        Text(LogFileName()),
                                 std::string(kSequenceFileName), std::string(kStateFileName),
                                 std::string(kReportFileName)};
    // The default identity's files as well: a later run without APNAME executes or trusts them.
    const StrRef identity = StrFromLiteral(kAppIdentifier);
    const StrRef plain = FieldRest(identity, ':');
    for (StrRef leaf : {plain, WithExtension(plain, StrFromLiteral(kPublicKeyExtension)), LogFileNameFor(identity)})
        leaves_.insert(FoldedName(Text(leaf)));
    AddFolder(Text(RunParam(kParamAppFolder)));
    for (const std::string& path : paths) {
        const auto [folder, leaf] = Split(path);
        if (leaf.empty()) continue;
        leaves_.insert(FoldedName(leaf));
        AddFolder(folder);
    }
    // Windows Installer's copy of the updater is the installer's to repair and upgrade (by
    // version): no update replaces it, whichever copy runs. A hand-made copy may update itself.
    const auto [msiFolder, msiProgram] = Split(InstallerOwnedProgram());
    FileIdentity msi;
    const bool owned = !msiProgram.empty() && FsIdentityOf(msiFolder.c_str(), &msi) == 0;
    if (owned) AddFolder(msiFolder);
    // The short names the disk keeps for the files that are there; a name that is not there yet
    // gets its short name when it is made, from its long one.
    for (Folder& f : folders_) {
        f.names = leaves_;
        if (owned && f.identity == msi) f.names.insert(FoldedName(msiProgram));
        for (const std::string& leaf : std::set<std::string>(f.names)) {
            std::string shortLeaf;
            if (FsShortLeaf(Join(f.path, leaf).c_str(), &shortLeaf) == 0 && !shortLeaf.empty())
                f.names.insert(FoldedName(shortLeaf));
        }
        any_.insert(f.names.begin(), f.names.end());
    }
}

void OwnFiles::AddFolder(const std::string& path) {
    if (path.empty()) return;
    FileIdentity id;
    if (FsIdentityOf(path.c_str(), &id) != 0) return;
    for (const Folder& f : folders_)
        if (f.identity == id) return;
    folders_.push_back({id, path, {}});
}

const std::set<std::string>& OwnFiles::NamesIn(const std::string& relative) const {
    const auto known = seen_.find(FoldedName(relative));
    if (known != seen_.end()) return *known->second;
    FileIdentity id;
    const ErrCode err = FsIdentityOf((relative == "." ? target_ : Join(target_, relative)).c_str(), &id);
    const std::set<std::string>* names = &kNone;
    if (err != 0 && err != kErrFileNotFound) {
        names = &any_;  // there, but no telling which folder it is: as if it were one of them
    } else if (err == 0) {
        for (const Folder& f : folders_)
            if (f.identity == id) names = &f.names;
    }
    seen_.emplace(FoldedName(relative), names);
    return *names;
}

bool OwnFiles::Holds(std::string_view name) const {
    const std::string folded = FoldedName(name);
    if (folded == kManifestName) return true;
    // Each step of the name: a folder named like an own file is the own file's place as surely.
    size_t at = 0;
    while (at < folded.size()) {
        size_t end = folded.find('\\', at);
        if (end == std::string::npos) end = folded.size();
        const std::string part = folded.substr(at, end - at);
        if (any_.count(part)) {
            // The folder the step is in, spelled as listed (a case-sensitive disk keeps it so).
            std::string folder(name.substr(0, at ? at - 1 : 0));
            for (char& c : folder)
                if (c == '/') c = '\\';
            if (NamesIn(folder.empty() ? "." : folder).count(part)) return true;
        }
        at = end + 1;
    }
    return false;
}

}  // namespace rt
