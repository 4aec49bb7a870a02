// Starting other programs on POSIX hosts: root counts as elevated, there is no shell verb, spawn
// is posix_spawn.
#include "ui/launch.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace rt {

bool OsIsElevated() { return geteuid() == 0; }

intptr_t OsShellExecute(const char*, const char*, const char*, uint32_t*) { return 0; }

intptr_t OsSpawn(bool wait, const char* program, const char* const* argv, int* err) {
    // No shell reads the arguments here, so their double quotes are taken off as a shell would.
    std::vector<std::string> words;
    for (const char* const* a = argv; *a; ++a) {
        std::string w(*a);
        if (w.size() >= 2 && w.front() == '"' && w.back() == '"') w = w.substr(1, w.size() - 2);
        words.push_back(w);
    }
    std::vector<char*> args;
    for (std::string& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program, nullptr, nullptr, args.data(), environ);
    if (rc != 0) {
        *err = rc;
        return -1;
    }
    if (!wait) return 0;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            *err = errno;
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace rt
