// What one update server publishes: its root folder and its users.
#pragma once

#include <string>

#include "runtime/errcode.h"
#include "server/users.h"

namespace rt {

struct ServerConfig {
    std::string root;  // real path of the root folder (no symlinks, no trailing '/' but for "/")
    UsersTable users;  // not restricted when there is no users file
};

// Fills config from a root folder and an optional users file (null: none, every folder public). A
// users file that is named but empty ("") is a mistake, not a wish to publish everything:
// kErrBadInput. kErrFileNotFound when the root is no existing folder or the users file cannot be
// read, kErrBadInput (or kErrOutOfMemory) for a users file that does not parse; *why then says what
// and where.
ErrCode LoadServerConfig(const char* root, const char* usersFile, ServerConfig* config,
                         std::string* why);

}  // namespace rt
