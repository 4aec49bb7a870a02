// Loading the root and users of an update server.
#include "server/server_config.h"

#include <sys/stat.h>

#include <cstdio>
#include <utility>

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
    FILE* f = std::fopen(path, "rb");
    std::string text(65537, '\0');
    text.resize(f ? std::fread(text.data(), 1, text.size(), f) : 0);
    if (f) std::fclose(f);
    if (!f || text.size() > 65536) {
        *why = std::string("administrators file cannot be read: ") + path;
        return kErrFileNotFound;
    }
    std::vector<std::string> admins;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string name = text.substr(at, end - at);
        at = end + 1;
        while (!name.empty() && (name.back() == '\r' || name.back() == ' ' || name.back() == '\t')) name.pop_back();
        name.erase(0, name.find_first_not_of(" \t"));
        if (name.empty() || name[0] == '#') continue;
        bool known = false;
        for (const UserEntry& u : config->users.users) known = known || u.name == name;
        if (!known) {
            *why = std::string("administrators file ") + path + ": " + name + " is no user of the users file";
            return kErrBadInput;
        }
        admins.push_back(std::move(name));
    }
    config->admins = std::move(admins);
    return kOk;
}

}  // namespace rt
