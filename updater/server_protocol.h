// The client side of the update-server protocol: request addresses, the status query, the list
// request and the download address of one file.
//
// The server program lives at "cgi-bin/updater" below the server's root. Every request is one
// HTTP GET whose query carries view=12, the credentials, the source path and, for a file or the
// status query, downfile (and date and time). The fetchers, the credentials and the password reset
// are seams so that tests can supply them.
#pragma once

#include <cstdint>
#include <string>

#include "net/http_client.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "runtime/temp_file.h"
#include "runtime/file_info.h"

namespace rt {

// Longest request address.
inline constexpr uint16_t kMaxRequestAddress = 1024;
// How much of a fetched answer is looked at for a "Fail" or "Error #" text.
inline constexpr uint16_t kServerAnswerProbe = 384;
// Attempts of the status query when the server refuses access and the password is reset.
inline constexpr int kStatusAttempts = 3;

// ---- seams ------------------------------------------------------------------------------------
using FetchExpectOkFn = ErrCode (*)(StrRef address, uint16_t flags);
// The password reset for a credentials file with a preselected server (empty for none): 0 when a
// password was cleared (the next credentials ask for it), kErrUserCanceled when the user declined.
using PasswordResetFn = ErrCode (*)(StrRef credentialsFile, StrRef server);
// The credentials value of an application nick: user, NUL, encoded password; the empty text
// when there are none; an error value passes.
using CredentialsFn = StrRef (*)(StrRef nick);

struct ServerSeams {
    FetchExpectOkFn fetchExpectOk = nullptr;  // default: HttpFetchExpectOk
    PasswordResetFn passwordReset = nullptr;  // default: PasswordReset (updater/credentials.h)
    CredentialsFn credentials = nullptr;      // default: NickCredentials
};
// Installs the seams; a null member means the default, so SetServerSeams({}) restores them all.
void SetServerSeams(const ServerSeams& seams);
const ServerSeams& ServerSeamsInUse();
// The credentials value of nick through the seam.
PoolText ServerCredentials(StrRef nick);

// ---- request addresses ------------------------------------------------------------------------
// The request address for source and credentials (user NUL encoded password):
//   a source that contains "?" is used unchanged (no credentials needed);
//   a source without a fourth "/"-separated field (scheme, "", host, path) gives kErrBadInput,
//   reported against the source; an error value as credentials comes back unchanged, empty
//   credentials give kErrUserCanceled; otherwise
//   "<scheme>//<host>/cgi-bin/updater?view=12&user=U&passw=P&path=<path>".
// The user and path are sent as they are, except that bytes which would break the request line
// or the query (controls, blank, '"', '#', '%', '&', 0x7F) travel as %XX, which the server
// decodes. kErrStringTooLong beyond 1024 characters. One pool entry (or the source itself).
PoolText BuildRequestAddress(StrRef source, StrRef credentials);
// Whether the request address of source carries credentials: not for a source with its own query,
// nor for one without a path (refused first). Nobody is asked for a password the run will not use.
bool NeedsCredentials(StrRef source);

// The status query's address: the request address with "&downfile=none&date=D&time=T"; an
// empty date or time is sent as 0.
PoolText StatusQueryAddress(StrRef requestAddress, StrRef lastDate, StrRef lastTime);

// The download address of a listed file: listAddress, "/", "&downfile=", name, then every "\"
// turned into "/". The name is escaped like the path. One pool entry; kErrStringTooLong beyond
// 32764 bytes.
PoolText DownloadAddress(StrRef listAddress, StrRef name);

// ---- status query -----------------------------------------------------------------------------
// Has anything changed since the last update? 0 when the server answered "OK" (nothing changed),
// kErrUndefWarning for "Fail" (changes exist), the server's code n for "Error #n.text", kErrNoCode
// for any other answer, or the error of building the address or fetching. kErrPermission (access
// refused) opens the password reset for the credentials file "Kelvane"; when it clears a password
// the query runs again with the credentials seam's new value, at most kStatusAttempts times in all;
// a declined reset ends the query with kErrPermission.
ErrCode StatusQuery(StrRef source, StrRef credentials, StrRef lastDate, StrRef lastTime, StrRef nick);

// ---- answers ----------------------------------------------------------------------------------
// The code of a server text answer at the start of a fetched answer of n bytes: it must be longer
// than "Error #" and its first 384 bytes must read as "Fail" (kErrUndefWarning) or "Error #n..."
// (n, reported); otherwise 0.
ErrCode ServerAnswerIn(const char* answer, uint32_t n);

// ---- list request -----------------------------------------------------------------------------
// Reads a list answer (a transfer header, not checked, then the list body) into listing (see
// ParseFileList). On success the listing's folder is set to listAddress.
ErrCode ReadListAnswer(const char* answer, uint32_t n, StrRef listAddress, FolderListing* listing);

// Fetches the list of listAddress (not logged) into memory, at most the longest list the parser
// takes, ends with a server answer found in it, else parses it into listing: no file is written.
// kErrPermission from the server hides the status window, opens the password reset for the nick's
// credentials file and ends with kErrPermission. listDigest, when given, receives the ListDigest
// of the answer that was parsed.
ErrCode FetchServerList(StrRef listAddress, StrRef nick, FolderListing* listing, std::string* listDigest = nullptr);

// The signed manifest of the list's folder (protocol/manifest.h), fetched as a file of it:
// 0 with its bytes in *text, or with *text empty when the server answers that it has none; the
// transfer's code otherwise (kErrTransUp for an answer cut short).
ErrCode FetchManifestText(StrRef listAddress, std::string* text);

}  // namespace rt
