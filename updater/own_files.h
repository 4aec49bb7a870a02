// The updater's own files, which no update installs where they live in its target, whatever the
// source offers: the credentials file, the public key and the sequence file, the state record and the report file,
// config.txt and the log. A server that could replace them could switch updates off for good or
// plant expressions in the credentials file. The signed manifest is never installed either.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/strref.h"

namespace rt {

class OwnFiles {
public:
    // Works out which of the files lie in targetFolder (or below it) as this run resolves them.
    explicit OwnFiles(StrRef targetFolder);
    // True when name (relative to the target, '\' or '/' separated, any case) is one of them, or
    // the manifest at the top of the folder.
    bool Holds(std::string_view name) const;

private:
    std::vector<std::string> names_;  // relative to the target, '\' separated, lower case
};

}  // namespace rt
