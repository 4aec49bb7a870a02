// kelvane-server: the reference update server, as a CGI program or as a standalone HTTP server.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "server/cgi.h"
#include "server/credentials_tool.h"
#include "server/fleet_render.h"
#include "server/fleet_store.h"
#include "server/fleet_view.h"
#include "server/http_listener.h"
#include "server/runtime_guard.h"
#include "server/server_config.h"
#include "server/signing.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnStopSignal(int) { gStop = 1; }

const char kUsage[] =
    "usage: kelvane-server --listen HOST:PORT --root DIR [--users FILE] [--fleet FILE [--admins FILE]]\n"
    "       kelvane-server [--root DIR] [--users FILE] [--fleet FILE]   (as a CGI program)\n"
    "       kelvane-server fleet --fleet FILE [--root DIR] [--users FILE] [--silent-days N] [--csv | --json]\n"
    "       kelvane-server keygen --key PRIVATE.pem\n"
    "       kelvane-server sign --key PRIVATE.pem FOLDER [--path SHOP/APP] [--valid-days N] [--sequence N [--force]]\n"
    "       kelvane-server credentials --user NAME [--password-file FILE] [--out FILE]\n"
    "As a CGI program the root, users file and fleet store may also come from the environment\n"
    "variables KELVANE_ROOT, KELVANE_USERS and KELVANE_FLEET. Port 0 picks a free port; the address\n"
    "in use is printed as \"listening on HOST:PORT\".\n"
    "--fleet records every answered request in an SQLite file; --admins names the users (of the\n"
    "users file) who may open the page /fleet (and /fleet.csv, /fleet.json) with HTTP Basic.\n"
    "fleet prints each desktop's state (current, behind, failing, silent after N days: 7).\n"
    "keygen writes a P-256 key pair: PRIVATE.pem and PRIVATE.pem.pub, the public key that goes\n"
    "beside the updater. sign writes FOLDER/kelvane.manifest, good for N days (90), binding the\n"
    "folder to the last names of the path it is published at (--path; its own name by default).\n"
    "A sequence lower than the present manifest's is refused unless --force.\n"
    "credentials writes the credentials file kelvaner.exe reads (to FILE, else standard output),\n"
    "the password taken from the first line of the password file, or of standard input without\n"
    "one or with \"-\"; never from the command line.\n";

struct Options {
    const char* listen = nullptr;
    const char* root = nullptr;
    const char* users = nullptr;
    const char* fleet = nullptr;
    const char* admins = nullptr;
};

bool ParseOptions(int argc, char** argv, Options* out) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char** slot = nullptr;
        if (std::strcmp(arg, "--listen") == 0) slot = &out->listen;
        if (std::strcmp(arg, "--root") == 0) slot = &out->root;
        if (std::strcmp(arg, "--users") == 0) slot = &out->users;
        if (std::strcmp(arg, "--fleet") == 0) slot = &out->fleet;
        if (std::strcmp(arg, "--admins") == 0) slot = &out->admins;
        if (!slot || i + 1 >= argc) return false;
        *slot = argv[++i];
    }
    return true;
}

void InstallSignals() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    // A peer that goes away while an answer is written must not end the server.
    signal(SIGPIPE, SIG_IGN);
}

int RunCgi(const Options& options) {
    const char* root = options.root ? options.root : std::getenv("KELVANE_ROOT");
    const char* users = options.users ? options.users : std::getenv("KELVANE_USERS");
    const char* fleet = options.fleet ? options.fleet : std::getenv("KELVANE_FLEET");
    rt::ServerConfig config;
    std::string why;
    if (rt::LoadServerConfig(root, users, &config, &why) != rt::kOk) {
        std::fprintf(stderr, "kelvane-server: %s\n", why.c_str());
        rt::WriteCgiFailure(STDOUT_FILENO, "The update server is not configured.");
        return 1;
    }
    std::unique_ptr<rt::FleetStore> store;
    if (fleet && *fleet) {
        store = std::make_unique<rt::FleetStore>(fleet, stderr);
        config.fleet = store.get();
        config.fleetPath = fleet;
    }
    return rt::RunCgiRequest(config, std::getenv("REQUEST_METHOD"), std::getenv("QUERY_STRING"),
                             STDOUT_FILENO) == rt::kOk ? 0 : 1;
}

int RunStandalone(const Options& options) {
    std::string host;
    uint16_t port = 0;
    if (rt::ParseListenAddress(options.listen, &host, &port) != rt::kOk) {
        std::fprintf(stderr, "kelvane-server: --listen wants HOST:PORT, not %s\n", options.listen);
        return 2;
    }
    rt::ServerConfig config;
    std::string why;
    if (options.admins && (!options.fleet || !options.users)) {
        std::fputs("kelvane-server: --admins needs --fleet and --users\n", stderr);
        return 2;
    }
    if (rt::LoadServerConfig(options.root, options.users, &config, &why) != rt::kOk ||
        (options.admins && rt::LoadAdmins(options.admins, &config, &why) != rt::kOk)) {
        std::fprintf(stderr, "kelvane-server: %s\n", why.c_str());
        return 2;
    }
    std::unique_ptr<rt::FleetStore> store;
    if (options.fleet) {
        store = std::make_unique<rt::FleetStore>(options.fleet, stderr);
        store->StartBackground();
        config.fleet = store.get();
        config.fleetPath = options.fleet;
    }
    rt::UniqueFd listener;
    uint16_t bound = 0;
    if (rt::OpenListener(host, port, &listener, &bound) != rt::kOk) {
        std::fprintf(stderr, "kelvane-server: cannot listen on %s\n", options.listen);
        return 1;
    }
    std::printf("listening on %s:%u\n", host.c_str(), static_cast<unsigned>(bound));
    std::fflush(stdout);
    const rt::ErrCode err = rt::Serve(listener.get(), config, nullptr, &gStop, stderr);
    if (err) std::fprintf(stderr, "kelvane-server: accepting connections failed (%u)\n", err);
    return err ? 1 : 0;
}

// The fleet command: 0 printed, 1 the store could not be read, 2 misused.
int RunFleetCommand(int argc, char** argv) {
    const char* fleet = nullptr;
    const char* root = nullptr;
    const char* users = nullptr;
    const char* format = "text";
    int silentDays = rt::kDefaultSilentDays;
    for (int i = 2; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        char* end = nullptr;
        if (std::strcmp(argv[i], "--fleet") == 0 && hasValue) {
            fleet = argv[++i];
        } else if (std::strcmp(argv[i], "--root") == 0 && hasValue) {
            root = argv[++i];
        } else if (std::strcmp(argv[i], "--users") == 0 && hasValue) {
            users = argv[++i];
        } else if (std::strcmp(argv[i], "--silent-days") == 0 && hasValue) {
            silentDays = static_cast<int>(std::strtol(argv[++i], &end, 10));
            if (*end != '\0' || silentDays < 1) fleet = nullptr, i = argc;
        } else if (std::strcmp(argv[i], "--csv") == 0 || std::strcmp(argv[i], "--json") == 0) {
            format = argv[i] + 2;
        } else {
            fleet = nullptr;
            break;
        }
    }
    if (!fleet) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    rt::ServerConfig config;
    std::string why;
    if (root && rt::LoadServerConfig(root, users, &config, &why) != rt::kOk) {
        std::fprintf(stderr, "kelvane-server fleet: %s\n", why.c_str());
        return 2;
    }
    rt::FleetStore store(fleet, stderr);
    rt::FleetView view;
    if (rt::BuildFleetView(store, fleet, root ? &config : nullptr, silentDays, static_cast<int64_t>(std::time(nullptr)), &view,
                           &why) != rt::kOk) {
        std::fprintf(stderr, "kelvane-server fleet: %s\n", why.c_str());
        return 1;
    }
    rt::SelectRows(rt::FleetSelection{}, &view);
    const std::string out = std::strcmp(format, "csv") == 0    ? rt::FleetCsv(view)
                            : std::strcmp(format, "json") == 0 ? rt::FleetJson(view)
                                                               : rt::FleetText(view);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

// The publisher's commands: 0 done, 1 failed, 2 misused.
int RunPublisherCommand(int argc, char** argv) {
    const bool sign = std::strcmp(argv[1], "sign") == 0;
    rt::SignOptions options;
    bool misused = false;
    for (int i = 2; i < argc && !misused; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        char* end = nullptr;
        if (std::strcmp(arg, "--key") == 0 && hasValue) {
            options.keyPath = argv[++i];
        } else if (sign && std::strcmp(arg, "--valid-days") == 0 && hasValue) {
            options.validDays = static_cast<int>(std::strtol(argv[++i], &end, 10));
            misused = *end != '\0';
        } else if (sign && std::strcmp(arg, "--path") == 0 && hasValue) {
            options.path = argv[++i];
        } else if (sign && std::strcmp(arg, "--force") == 0) {
            options.force = true;
        } else if (sign && std::strcmp(arg, "--sequence") == 0 && hasValue) {
            options.sequence = std::strtoull(argv[++i], &end, 10);
            misused = *end != '\0' || options.sequence == 0;
        } else if (sign && arg[0] != '-' && options.folder.empty()) {
            options.folder = arg;
        } else {
            misused = true;
        }
    }
    if (misused || options.keyPath.empty() || (sign && options.folder.empty())) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string out, why;
    const rt::ErrCode err = sign ? rt::SignFolder(options, &out, &why)
                                 : rt::GenerateSigningKey(options.keyPath, &out, &why);
    if (err) {
        std::fprintf(stderr, "kelvane-server %s: %s\n", argv[1], why.c_str());
        return err == rt::kErrBadInput ? 2 : 1;
    }
    std::printf(sign ? "signed %s: %s\n" : "%s%s", sign ? options.folder.c_str() : "", out.c_str());
    return 0;
}

// Reads at most kMaxPasswordInput bytes of a file, "-" or none being standard input. False when
// it cannot be read or is longer.
bool ReadPasswordInput(const char* path, std::string* text) {
    const bool stdinput = !path || std::strcmp(path, "-") == 0;
    FILE* f = stdinput ? stdin : std::fopen(path, "rb");
    if (!f) return false;
    char buf[rt::kMaxPasswordInput + 1];
    const size_t n = std::fread(buf, 1, sizeof buf, f);
    const bool failed = std::ferror(f) != 0;
    if (!stdinput) std::fclose(f);
    if (failed || n > rt::kMaxPasswordInput) return false;
    text->assign(buf, n);
    return true;
}

// The credentials command: 0 written, 1 failed, 2 misused or refused.
int RunCredentialsCommand(int argc, char** argv) {
    const char* user = nullptr;
    const char* passwordFile = nullptr;
    const char* out = nullptr;
    for (int i = 2; i < argc; ++i) {
        const char** slot = nullptr;
        if (std::strcmp(argv[i], "--user") == 0) slot = &user;
        if (std::strcmp(argv[i], "--password-file") == 0) slot = &passwordFile;
        if (std::strcmp(argv[i], "--out") == 0) slot = &out;
        if (!slot || i + 1 >= argc) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        *slot = argv[++i];
    }
    if (!user) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string input, text, why;
    if (!ReadPasswordInput(passwordFile, &input)) {
        std::fprintf(stderr, "kelvane-server credentials: the password cannot be read from %s (at most %zu bytes)\n",
                     passwordFile ? passwordFile : "standard input", rt::kMaxPasswordInput);
        return 1;
    }
    if (const rt::ErrCode err = rt::CredentialsFileText(user, rt::PasswordLine(input), &text, &why)) {
        std::fprintf(stderr, "kelvane-server credentials: %s\n", why.c_str());
        return err == rt::kErrBadInput ? 2 : 1;
    }
    // The file holds a password scrambled, not encrypted: only its owner reads it.
    const int fd = out ? open(out, O_WRONLY | O_CREAT | O_TRUNC, 0600) : STDOUT_FILENO;
    bool written = fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (out && fd >= 0) written = close(fd) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "kelvane-server credentials: cannot write %s\n", out ? out : "standard output");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "credentials") == 0) {
        if (rt::RuntimeGuard::StartContext() != rt::kOk) return 1;
        return RunCredentialsCommand(argc, argv);
    }
    const bool publisher = argc > 1 && (std::strcmp(argv[1], "sign") == 0 || std::strcmp(argv[1], "keygen") == 0);
    const bool fleet = argc > 1 && std::strcmp(argv[1], "fleet") == 0;
    if (publisher || fleet) {
        if (rt::RuntimeGuard::StartContext() != rt::kOk) return 1;
        return fleet ? RunFleetCommand(argc, argv) : RunPublisherCommand(argc, argv);
    }
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    InstallSignals();
    if (rt::RuntimeGuard::StartContext() != rt::kOk) {
        std::fprintf(stderr, "kelvane-server: the run-time did not start\n");
        return 1;
    }
    if (options.listen) return RunStandalone(options);
    if (!std::getenv("GATEWAY_INTERFACE")) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return RunCgi(options);
}
