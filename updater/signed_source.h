// The publisher's signature over what a source offers. With a public key file beside the
// updater, an update requires the source's signed manifest: its signature good for the key, not
// expired, its folder the end of the source's path, its sequence number no lower than the highest
// one accepted for that folder under the key file's keys; every entry of the source's list in it
// with the same size, date and time, and every file it names listed or already in the target with
// its bytes; and every staged file's SHA-256 the manifest's, checked before anything is put in
// place. Without a key file a source is taken as it is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/manifest.h"
#include "updater/accepted_sequence.h"
#include "runtime/file_info.h"
#include "runtime/strref.h"

namespace rt {

// The key file: the credentials file's name (the application's nick, in the application folder)
// with this extension.
inline constexpr char kPublicKeyExtension[] = "pub";
// The path of the public key file (a pool text).
StrRef PublicKeyPath();

class SourceSignature {
public:
    // Looks for the key file. None: the source is taken as it is (active() is false). One that
    // cannot be read or holds no P-256 key refuses, so that a damaged key never switches the
    // check off.
    ErrCode Begin(StrRef source);
    bool active() const { return active_; }
    // The manifest as the source gave it (empty: it gave none): parsed and checked as above.
    ErrCode Accept(std::string_view text);
    // Accept with the manifest file of a share or folder source.
    ErrCode AcceptFromFolder(StrRef folder);
    // Every listed file (but the manifest itself) is in the manifest with the same size and time,
    // and every file of the manifest is listed or already in the target folder with its bytes: a
    // source that withholds a signed file would leave an older one among the new.
    ErrCode CheckListing(const FolderListing& list, StrRef target) const;
    // The staged file's bytes are those the manifest names for name (relative to the target):
    // by the stager's digest when it made one, else read again.
    ErrCode CheckStaged(const char* stagedPath, std::string_view name, const uint8_t* sha256 = nullptr) const;
    // Keeps the accepted sequence number for the next run; after the update is in place, so a
    // failure to keep it is only logged.
    void Remember() const;

private:
    ErrCode Refuse(const std::string& why) const;

    bool active_ = false;
    std::vector<PublicKey> keys_;
    std::string source_;
    Manifest manifest_;
    size_t signer_ = 0;  // the key of keys_ that verified the manifest
};

}  // namespace rt
