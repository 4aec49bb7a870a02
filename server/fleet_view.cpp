// Judging the fleet: the desktops' last reports against the lists the server answers now.
#include "server/fleet_view.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <utility>

#include "protocol/desktop_report.h"
#include "protocol/manifest.h"
#include "runtime/dir_search.h"
#include "server/answers.h"
#include "server/folder_walk.h"
#include "server/published_path.h"
#include "server/runtime_guard.h"

namespace rt {
namespace {

// What the server answers one user for one folder now.
struct FolderNow {
    bool published = false;
    std::string digest;
    int64_t changed = 0;
};

bool MayRead(const UsersTable& users, const std::string& user, std::string_view folder) {
    if (!users.restricted || FoldersCover(users.publicFolders, folder)) return true;
    for (const UserEntry& u : users.users)
        if (u.name == user) return FoldersCover(u.folders, folder);
    return false;
}

FolderNow ListNow(const ServerConfig& config, const std::string& path, const std::string& user) {
    FolderNow now;
    std::string folder;
    if (ResolveFolder(config.root, path, &folder) != kOk) return now;
    std::vector<PublishedFile> files;
    if (WalkFolder(config.root, folder, [&](std::string_view f) { return MayRead(config.users, user, f); }, &files) != kOk)
        return now;
    now.published = true;
    const Answer list = ListAnswer(files);
    now.digest = ListDigest(list.head.data(), list.head.size());
    for (const PublishedFile& f : files)
        now.changed = std::max(now.changed, LocalSeconds(f.info.writeDate, f.info.writeTime));
    return now;
}

bool ExitIsGood(int code) { return code < 0 || code == 0 || code == 120 || code == 122 || code == 124; }

int32_t DateIn(int64_t seconds, int days) {
    const time_t t = static_cast<time_t>(seconds + int64_t{days} * 86400);
    struct tm local = {};
    localtime_r(&t, &local);
    return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

void ReadManifest(const ServerConfig& config, FolderSummary* f, int64_t now) {
    std::string folder;
    if (ResolveFolder(config.root, f->path, &folder) != kOk) return;
    FILE* file = std::fopen((folder + "/" + kManifestName).c_str(), "rb");
    if (!file) return;
    std::string text(kMaxManifestBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    Manifest m;
    std::string why;
    if (text.size() > kMaxManifestBytes || ParseManifest(text.data(), text.size(), &m, &why) != kOk) return;
    f->isSigned = true;
    f->sequence = m.sequence;
    f->expires = m.expires;
    f->expiresSoon = m.expires <= DateIn(now, kExpiryWarningDays);
}

}  // namespace

const char* StateName(DesktopState state) {
    switch (state) {
        case DesktopState::kCurrent: return "current";
        case DesktopState::kBehind: return "behind";
        case DesktopState::kFailing: return "failing";
        case DesktopState::kSilent: return "silent";
        default: return "seen";
    }
}

ErrCode BuildFleetView(FleetStore& store, const std::string& storePath, const ServerConfig* config,
                       int silentDays, int64_t now, FleetView* out, std::string* why) {
    struct stat st;
    if (stat(storePath.c_str(), &st) != 0) {
        *why = "there is no fleet store " + storePath;
        return kErrFileNotFound;
    }
    std::vector<DesktopRow> rows;
    if (ErrCode err = store.ReadDesktops(&rows, why)) return err;
    out->now = now;
    out->silentDays = silentDays;
    out->judged = config != nullptr;
    std::map<std::pair<std::string, std::string>, FolderNow> lists;  // (path, user)
    std::map<std::string, FolderSummary> folders;
    std::map<int, std::string> names;
    for (DesktopRow& seen : rows) {
        FleetRow row;
        row.silentDays = (now - seen.lastSeen) / 86400;
        FolderSummary& folder = folders[seen.path];
        folder.path = seen.path;
        FolderNow* list = nullptr;
        if (config) {
            auto it = lists.find({seen.path, seen.user});
            if (it == lists.end()) it = lists.emplace(std::make_pair(seen.path, seen.user), ListNow(*config, seen.path, seen.user)).first;
            list = &it->second;
            folder.published = folder.published || list->published;
            folder.changed = std::max(folder.changed, list->changed);
        }
        if (now - seen.lastSeen >= int64_t{silentDays} * 86400) {
            row.state = DesktopState::kSilent;
        } else if (!ExitIsGood(seen.previousExit)) {
            row.state = DesktopState::kFailing;
            auto name = names.find(seen.previousExit);
            if (name == names.end())
                name = names.emplace(seen.previousExit, RuntimeGuard().CatalogueName(static_cast<ErrCode>(seen.previousExit))).first;
            row.exitText = name->second;
        } else if (list && list->published && !seen.list.empty() && seen.list == list->digest) {
            row.state = DesktopState::kCurrent;
        } else if (list) {
            row.state = DesktopState::kBehind;
            row.behindSince = list->changed;
        }
        ++folder.counts[static_cast<int>(row.state)];
        row.seen = std::move(seen);
        out->rows.push_back(std::move(row));
    }
    for (auto& [path, folder] : folders) {
        if (config) ReadManifest(*config, &folder, now);
        out->folders.push_back(std::move(folder));
    }
    return kOk;
}

}  // namespace rt
