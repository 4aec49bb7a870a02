// A publisher's signed manifest of a folder: the files it offers with their sizes, write times
// and SHA-256 digests, a sequence number that only grows and an expiry date, then an ECDSA P-256
// signature over all of it. The signing tool writes it, the updater checks it; any server of the
// protocol serves it as an ordinary file of the folder under kManifestName.
//
// Text, one field per line, LF line ends:
//   kelvane-manifest 1
//   folder <where the folder is published: its name, or the last components of its path
//           joined by '/' (shop/app), as many as the publisher chose to bind>
//   sequence <decimal, up to 18 digits>
//   expires <YYYYMMDD, the last day it is good for>
//   file <size> <date YYYYMMDD> <ms since midnight> <64 hex digits> <name, subfolders with '/'>
//   ... one line per file ...
//   signature <hex of the DER-encoded ECDSA signature over every byte before this line>
// The signature's DER form is what `openssl dgst -sha256 -sign` writes, so that tool can sign
// a manifest too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/crypto.h"
#include "runtime/errcode.h"

namespace rt {

inline constexpr char kManifestName[] = "kelvane.manifest";
inline constexpr char kManifestMagic[] = "kelvane-manifest 1";
// No folder a list can carry needs more (names and about 110 bytes a file).
inline constexpr size_t kMaxManifestBytes = 16u << 20;
inline constexpr uint64_t kMaxManifestSequence = 999999999999999999ull;

struct ManifestEntry {
    std::string name;  // subfolders separated by '\', as listings name them
    uint64_t size = 0;
    int32_t date = 0;  // YYYYMMDD
    int32_t ms = 0;    // since midnight
    uint8_t sha256[kSha256Size] = {};
};

struct Manifest {
    std::string folder;  // as written: ValidManifestFolder
    uint64_t sequence = 0;
    int32_t expires = 0;
    std::vector<ManifestEntry> files;
    // Parsed only: the bytes the signature covers and the signature as r and s.
    size_t signedLength = 0;
    uint8_t signature[kP256SignatureSize] = {};

    // The entry of name ('\' or '/' separated, any case), or nullptr.
    const ManifestEntry* Find(std::string_view name) const;
    // Builds Find's index (ParseManifest calls it); false when a name is there twice.
    bool Index();

private:
    std::unordered_map<std::string, size_t> index_;
};

// The manifest's text without its signature line: what is signed.
std::string FormatManifestBody(const Manifest& m);
// The last line of the manifest for a DER-encoded signature.
std::string ManifestSignatureLine(const uint8_t* der, size_t n);

// A manifest's folder: 1 to 255 bytes, names joined by '/', none empty, "." or "..", holding a
// '\' or a control byte. A folder's name alone, as every manifest before paths had, is one.
bool ValidManifestFolder(std::string_view folder);

// True when the folder names the end of path: its names, folded as Windows compares them, are
// path's last ones (path's names separated by '\' or '/', ".." and "." already resolved).
bool ManifestFolderEnds(std::string_view folder, std::string_view path);

// Reads a manifest of len bytes. kErrUserCheck with *why naming the fault (the line) when the text
// is not a well-formed manifest: an unknown first line, a field missing, out of order or out of
// range, a folder ValidManifestFolder refuses, a name CheckFileName refuses or given twice, no
// signature line, or bytes after it. The signature is not checked here (VerifyManifest).
ErrCode ParseManifest(const char* text, size_t len, Manifest* out, std::string* why);

// 0 when the parsed manifest's signature verifies with key over text; kErrUserCheck when it does
// not; kErrInternal when the platform's crypto failed.
ErrCode VerifyManifest(const Manifest& m, const char* text, const uint8_t key[kP256PublicKeySize]);

// A DER ECDSA-Sig-Value as r and s of 32 bytes each; false when it is not one for P-256.
bool DerToRawSignature(const uint8_t* der, size_t n, uint8_t out[kP256SignatureSize]);

// A public key file's text: one key or more (kMaxPublicKeys), one a line, each the 130 hex digits of
// an uncompressed point (04, X, Y); blanks, CR and empty lines allowed, nothing else. Two keys let
// desktops trust a new key before the folders are signed with it. Empty when any line is no key.
inline constexpr size_t kMaxPublicKeys = 8;
using PublicKey = std::array<uint8_t, kP256PublicKeySize>;
std::vector<PublicKey> ParsePublicKeys(std::string_view text);

// A relative name as Windows compares names: '/' as '\', the letters of Windows-1252 in lower case.
std::string FoldedName(std::string_view name);

// Lower-case hex of n bytes.
std::string HexText(const uint8_t* p, size_t n);

}  // namespace rt
