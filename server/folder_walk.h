// The files a published folder offers: a walk through the folder and its subfolders with the
// local last-write date and time of each file, as the updater's listings carry them.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/errcode.h"
#include "runtime/file_info.h"

namespace rt {

// One offered file.
struct PublishedFile {
    std::string name;  // relative to the folder, subfolders separated by '\'
    FileInfo info;     // status 0, size, attributes (archive), write date and time; the rest 0
};

// Subfolders deeper than this are not offered (a guard against pathological trees).
inline constexpr int kMaxWalkDepth = 32;
// A walk that finds more files than this, or longer names in all, gives up: no list could
// carry them, and a folder cut short would answer a status query wrongly.
inline constexpr size_t kMaxWalkFiles = 65535;
inline constexpr size_t kMaxWalkNameBytes = 1 << 20;

// Whether the request may read a folder, given relative to the root ('/' separated, "" for the
// root itself).
using MayReadFn = std::function<bool(std::string_view folder)>;

// The files below the real folder `folder`, sorted by name in byte order. Regular files are
// offered; a symbolic link only when it resolves to a regular file inside the real root `root`
// whose folder the request may read (mayRead), so that a link cannot show a private file; linked
// folders are not entered (no cycles, no way out). Names that the updater's file-name check would
// refuse (and folders with such names) are left out, as are files of 4 GiB or more, which the
// transfer header cannot announce. kErrFileNotFound when the folder cannot be read, kErrOutOfMemory
// past kMaxWalkFiles or kMaxWalkNameBytes.
ErrCode WalkFolder(const std::string& root, const std::string& folder, const MayReadFn& mayRead,
                   std::vector<PublishedFile>* out);

// True when the write date and time of any file is later than (date, ms).
bool AnyNewer(const std::vector<PublishedFile>& files, int32_t date, int32_t ms);

}  // namespace rt
