// The publisher's tools: a key pair for signing folders, and the signed manifest of a folder.
// They run where the private key is kept; the server itself never needs it.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/errcode.h"

namespace rt {

// Writes a new P-256 private key to keyPath (PEM, readable by its owner only; an existing file is
// not replaced) and its public key, as the updater reads it, to keyPath + ".pub"; *publicText
// receives that text. kErrFileExist, or kErrFileIo / kErrInternal with *why.
ErrCode GenerateSigningKey(const std::string& keyPath, std::string* publicText, std::string* why);

struct SignOptions {
    std::string keyPath;
    std::string folder;
    int validDays = 90;
    // 0: one more than the folder's present manifest, and never less than the seconds since 1970,
    // so that a folder published afresh still outranks what desktops accepted before.
    uint64_t sequence = 0;
    // Where the folder is published, as many of its path's last names as the desktops are to
    // check ('/' between them); empty: the folder's own name.
    std::string path;
    // Signs with a sequence lower than the present manifest's, which every desktop that took that
    // one refuses (174) until the folder is signed above it again.
    bool force = false;
};

// Writes the folder's manifest (kManifestName in it, replaced in one step) for every file that
// the server would offer from it, signed with the key. *summary tells what was signed.
// kErrBadInput with *why for a path the manifest cannot hold or a sequence lower than the present
// manifest's without force.
ErrCode SignFolder(const SignOptions& options, std::string* summary, std::string* why);

}  // namespace rt
