// Where a request's folder and file lie below the server's root, refusing any way out of it.
#pragma once

#include <string>
#include <string_view>

#include "runtime/errcode.h"

namespace rt {

// The components of a relative path joined with '/'. Both '/' and '\' separate (the updater's
// download address turns one into the other); empty and "." components are dropped, so "app/"
// and "./app" name "app" and "" names the root itself. kErrBadInput for a leading separator (an
// absolute path), a ".." component, any ':' (a drive or a stream name) or a byte below 0x20 (NUL
// included).
ErrCode NormalizeRelative(std::string_view path, std::string* out);

// The real (symlink-free, absolute) path of an existing entry; kErrFileNotFound when it does not
// exist, kErrBadInput when it cannot be resolved otherwise.
ErrCode RealPath(const std::string& path, std::string* out);

// True when `path` is `root` or lies below it (both real paths).
bool IsInside(std::string_view root, std::string_view path);

// The part of `real` below the real root `root` (both as RealPath gives them, real inside root):
// "" for the root itself, else its components joined with '/', as NormalizeRelative gives them.
std::string RelativeToRoot(std::string_view root, std::string_view real);

// The folder part of a relative path ('/' separated): "" for a name at the top.
std::string_view FolderOf(std::string_view relative);

// The folder published as `path` below the real root `root`: its real path in *out. kErrBadInput for a
// path that NormalizeRelative refuses or whose real location (after symlinks) is outside the
// root; kErrFileNotFound when it does not exist or is not a folder.
ErrCode ResolveFolder(const std::string& root, std::string_view path, std::string* out);

// A file `name` (relative, '/' or '\' separated) of the real folder `folder`: its real path in
// *out. kErrBadInput for a name that the updater's file-name check refuses or whose real location
// is outside the root; kErrFileNotFound when it does not exist or is not a regular file.
ErrCode ResolveFile(const std::string& root, const std::string& folder, std::string_view name,
                   std::string* out);

}  // namespace rt
