// The update server's users file: who may read which published folders, and the check of a
// request's credentials against it.
//
// One entry per line, "user:password:folders"; blank lines and lines starting with '#' are
// skipped, blanks around the fields are dropped. The password is the user's plain password, or,
// after a leading '~', the scrambled form the updater stores and sends (its credentials file's
// PASSW$). Folders is a comma list of folders below the root; a user may read those folders and
// every folder below them; "*" or "." is every folder. The user "*" (password left empty) names
// the folders published without users.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/errcode.h"

namespace rt {

struct UserEntry {
    std::string name;
    std::string scrambled;             // lower case: what the updater sends for this user
    std::vector<std::string> folders;  // normalised; "" is every folder
};

struct UsersTable {
    // False when the server runs without a users file: every folder is then public.
    bool restricted = false;
    std::vector<UserEntry> users;
    std::vector<std::string> publicFolders;  // normalised, as UserEntry::folders
};

// Reads the text of a users file. kErrBadInput for a line without two ':', an empty user name or
// password, a scrambled password that is not base-32 digits in pairs, a user named twice, a
// password given for "*", or a folder that NormalizeRelative refuses; *badLine then holds the
// 1-based line number. kErrOutOfMemory when a password cannot be scrambled (the pool is exhausted
// or it is too long). On success the table is restricted.
ErrCode ParseUsers(std::string_view text, UsersTable* table, int* badLine);

// ParseUsers on the contents of a file; kErrFileNotFound when it cannot be read (a file over 1 MiB
// is refused with kErrBadInput, line 0).
ErrCode LoadUsersFile(const char* path, UsersTable* table, int* badLine);

// True when one of `folders` (normalised) covers the normalised folder.
bool FoldersCover(const std::vector<std::string>& folders, std::string_view folder);

// 0 when the request may read the normalised folder: the table is not restricted, the folder is
// public, or the user exists, its password matches (base-32 letters in either case) and its
// folders cover the folder. Otherwise kErrPermission.
ErrCode CheckAccess(const UsersTable& table, bool hasUser, const std::string& user,
                    bool hasPassw, const std::string& passw, std::string_view folder);

}  // namespace rt
