// The updater's own files, which no update installs, whatever the source offers: the credentials
// file, the public key and the sequence file, the state record, the report file, config.txt and
// the log, of this run's identity and of the default one. A server that could replace them could
// switch updates off for good or plant statements in the credentials file. The signed manifest is
// never installed either.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/file_identity.h"
#include "runtime/strref.h"

namespace rt {

class OwnFiles {
public:
    // Takes the identity of targetFolder (opened once) and of every folder that holds own files:
    // the updater's folder, the working folder and the folders the files resolve to.
    explicit OwnFiles(StrRef targetFolder);
    // True when name (relative to the target, '\' or '/' separated, any case) or any folder on its
    // way is an own file: its parent is, whatever its spelling, a folder that holds own files and
    // its leaf names one there, long or short. True as well for the manifest at the top.
    bool Holds(std::string_view name) const;

private:
    struct Folder {
        FileIdentity identity;
        std::string path;             // as this run spells it
        std::set<std::string> names;  // folded, with the short names the disk keeps for them
    };
    void AddFolder(const std::string& path);
    // The own names in the folder at path (relative to the target, '\' separated): none for a
    // folder that is not there; every own name of any folder when it is there but cannot be told.
    const std::set<std::string>& NamesIn(const std::string& path) const;

    std::string target_;
    std::vector<Folder> folders_;
    std::set<std::string> leaves_;  // the own files' names, folded
    std::set<std::string> any_;     // every name of every folder, folded
    mutable std::map<std::string, const std::set<std::string>*> seen_;  // by folded relative path
};

}  // namespace rt
