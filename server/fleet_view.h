// The fleet view: each desktop's state for each published folder, judged from what it reported
// against what the server would answer now, and each folder's counts, signature and expiry.
//
// A desktop is, in this order: silent when not seen for silentDays; failing when its previous run
// ended with a code other than success (0), completion (120), nothing to do (122) or checked
// without changes (124); current when the list digest it reports equals the ListDigest of the list
// the server would answer its user now; else behind, since the newest file of the folder. No
// desktop clock is compared: a desktop whose clock is wrong is judged right. Without a root only
// silent and failing can be told; the rest is "seen".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/errcode.h"
#include "server/fleet_store.h"
#include "server/server_config.h"

namespace rt {

inline constexpr int kDefaultSilentDays = 7;
inline constexpr int kExpiryWarningDays = 14;

enum class DesktopState : uint8_t { kCurrent, kBehind, kFailing, kSilent, kSeen };
inline constexpr int kDesktopStates = 5;
const char* StateName(DesktopState state);

struct FleetRow {
    DesktopRow seen;
    DesktopState state = DesktopState::kSeen;
    int64_t behindSince = 0;   // kBehind: when the folder last changed (seconds since 1970)
    std::string exitText;      // kFailing: the catalogue's name of previousExit
    int64_t silentDays = 0;    // days since last seen
};

struct FolderSummary {
    std::string path;
    int counts[kDesktopStates] = {};
    bool published = false;    // the folder exists below the root
    int64_t changed = 0;       // its newest file's time
    bool isSigned = false;     // it holds a manifest that reads
    uint64_t sequence = 0;
    int32_t expires = 0;       // YYYYMMDD
    bool expiresSoon = false;  // within kExpiryWarningDays days, or past
};

struct FleetView {
    int64_t now = 0;
    int silentDays = kDefaultSilentDays;
    bool judged = false;  // a root was given
    std::vector<FleetRow> rows;
    std::vector<FolderSummary> folders;
};

// Builds the view from the store's desktops (config null: no root). kErrFileNotFound when the
// store file does not exist, the store's code otherwise; *why says what failed.
ErrCode BuildFleetView(FleetStore& store, const std::string& storePath, const ServerConfig* config,
                       int silentDays, int64_t now, FleetView* out, std::string* why);

}  // namespace rt
