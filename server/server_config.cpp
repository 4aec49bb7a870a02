// Loading the root and users of an update server.
#include "server/server_config.h"

#include <sys/stat.h>

#include <utility>

#include "runtime/whole_file.h"
#include "server/published_path.h"

namespace rt {

ErrCode LoadServerConfig(const char* root, const char* usersFile, ServerConfig* config,
                         std::string* why) {
    ServerConfig result;
    struct stat st;
    if (!root || !*root || RealPath(root, &result.root) != kOk ||
        stat(result.root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *why = std::string("root folder not found: ") + (root ? root : "(none)");
        return kErrFileNotFound;
    }
    if (usersFile && !*usersFile) {
        *why = "the users file is named but empty; leave it out to publish every folder";
        return kErrBadInput;
    }
    if (usersFile) {
        int line = 0;
        const ErrCode err = LoadUsersFile(usersFile, &result.users, &line);
        if (err == kErrFileNotFound) {
            *why = std::string("users file cannot be read: ") + usersFile;
            return err;
        }
        if (err && line == 0) {
            *why = std::string("users file too long: ") + usersFile;
            return err;
        }
        if (err) {
            *why = std::string("users file ") + usersFile + ", line " + std::to_string(line) +
                   ": not \"user:password:folders\" as described in the README";
            return err;
        }
    }
    *config = std::move(result);
    return kOk;
}

ErrCode LoadAdmins(const char* path, ServerConfig* config, std::string* why) {
    std::string text;
    if (ReadSmallFile(path, 65536, &text) != 0) {
        *why = std::string("administrators file cannot be read: ") + path;
        return kErrFileNotFound;
    }
    std::vector<std::string> admins;
    ErrCode err = kOk;
    ForEachLine(text, [&](std::string_view line) {
        std::string name(line);
        while (!name.empty() && (name.back() == '\r' || name.back() == ' ' || name.back() == '\t')) name.pop_back();
        name.erase(0, name.find_first_not_of(" \t"));
        if (name.empty() || name[0] == '#') return true;
        bool known = false;
        for (const UserEntry& u : config->users.users) known = known || u.name == name;
        if (!known) {
            *why = std::string("administrators file ") + path + ": " + name + " is no user of the users file";
            err = kErrBadInput;
            return false;
        }
        admins.push_back(std::move(name));
        return true;
    });
    if (err != kOk) return err;
    config->admins = std::move(admins);
    return kOk;
}

}  // namespace rt
