// Connections to Windows network shares with explicit credentials, through the multiple-provider
// router, and the mapping of the router's answers to the run-time's codes.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// What the router's answer means to the updater: the code and, for a few answers, the text it is
// reported with ("ERROR_SESSION_CREDENTIAL_CONFLICT", or the answer's number for an unknown one).
struct ShareAnswer {
    ErrCode code;
    const char* text;  // null: reported with the remote name alone
};
// 0 -> 0; refusals (5, 86, 170, 1205, 1223) and 1219 -> 175; bad names or paths (53, 66, 67, 85,
// 87, 487, 1200, 1204, 1206, 2202) -> 163; the network missing or refusing (1202, 1203, 1208,
// 1222, 1326) -> 130; any other answer -> 130 with its decimal number as text (in buffer, which
// must hold 12 bytes).
ShareAnswer MapShareAnswer(uint32_t answer, char* buffer);

// Connects remote ("\\server\share") as a disk resource with user and password, to local (a
// drive such as "X:") when not empty, remembered in the user's profile when remember is set. 0
// or the mapped code, reported against the remote name.
ErrCode ConnectShare(StrRef remote, StrRef user, StrRef password, StrRef local, bool remember);
// Cancels the connection to remote (or to a local drive name), forced when force is set,
// forgetting it in the profile. 0, or 0xFFFF when the router refuses.
ErrCode DisconnectShare(StrRef remote, bool force);

// The router behind the calls above; tests replace it (Wine has no network provider and answers
// every connection with 1222). Null members are the real router.
struct ShareSeams {
    uint32_t (*addConnection)(const char* remote, const char* local, const char* password, const char* user,
                              uint32_t flags) = nullptr;
    uint32_t (*cancelConnection)(const char* name, uint32_t flags, bool force) = nullptr;
};
void SetShareSeams(const ShareSeams& seams);

// Flag of both calls: remember (or forget) the connection in the user's profile.
inline constexpr uint32_t kShareUpdateProfile = 1;

// The real router (share_win.cpp); elsewhere there is none and every connection answers 1222.
uint32_t OsAddConnection(const char* remote, const char* local, const char* password, const char* user,
                         uint32_t flags);
uint32_t OsCancelConnection(const char* name, uint32_t flags, bool force);

}  // namespace rt
