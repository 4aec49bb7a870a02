// What one update server publishes: its root folder and its users.
#pragma once

#include <string>
#include <vector>

#include "runtime/errcode.h"
#include "server/users.h"

namespace rt {

class FleetStore;

struct ServerConfig {
    std::string root;  // real path of the root folder (no symlinks, no trailing '/' but for "/")
    UsersTable users;  // not restricted when there is no users file
    FleetStore* fleet = nullptr;      // where answered requests are recorded; null: nowhere
    std::string fleetPath;            // its file
    std::vector<std::string> admins;  // users of the users file who may open the fleet page
};

// Fills config from a root folder and an optional users file (null: none, every folder public). A
// users file that is named but empty ("") is a mistake, not a wish to publish everything:
// kErrBadInput. kErrFileNotFound when the root is no existing folder or the users file cannot be
// read, kErrBadInput (or kErrOutOfMemory) for a users file that does not parse; *why then says what
// and where.
ErrCode LoadServerConfig(const char* root, const char* usersFile, ServerConfig* config,
                         std::string* why);

// Reads the administrators file: one user name a line, blank lines and lines starting with '#'
// skipped. Each must be a user of config->users (kErrBadInput otherwise, *why naming it); the file
// unreadable or over 64 KiB: kErrFileNotFound.
ErrCode LoadAdmins(const char* path, ServerConfig* config, std::string* why);

}  // namespace rt
