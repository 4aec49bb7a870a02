// The update server's reading of a request's query (its decoding and parameters: url_query.h):
// request kind and the date and time that a status query carries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/errcode.h"

namespace rt {

// Longest query the server reads; anything longer is refused before it is decoded.
inline constexpr uint32_t kMaxQuery = 8192;

// The query as the server's log shows it: its passwords hidden as CredentialsHidden hides them in
// the updater's log, at most 200 bytes, bytes outside printable ASCII as '?'.
std::string QueryForLog(std::string_view query);

enum class RequestKind : uint8_t {
    kStatus,  // has anything changed since date and time?
    kList,    // the folder's file list
    kFile,    // one file's content
};

// The parameters of one request, decoded.
struct ServerQuery {
    RequestKind kind = RequestKind::kList;
    bool hasUser = false;
    bool hasPassw = false;
    std::string user;
    std::string passw;     // as the client stores it (scrambled)
    std::string path;      // the published folder, below the root
    std::string downfile;  // kFile: the name relative to the folder
    int32_t date = 0;      // kStatus: YYYYMMDD of the last update, 0 when there was none
    int32_t time = 0;      // kStatus: ms since midnight
};

// Reads a query. The kind: downfile "none" with a date is the status query, another downfile a
// file request (so a published file named "none" can still be fetched), no downfile the list.
// kErrBadInput for a query longer than kMaxQuery, a missing path, or a status query's date or time
// that does not read (see ReadStampDate and ReadStampTime).
ErrCode ParseServerQuery(std::string_view query, ServerQuery* out);

// A date as the state record keeps it: decimal digits YYYYMMDD, blanks around ignored; empty or
// "0" is 0 (no update yet). kErrBadInput for anything else, for a number of more than 8 digits or
// for a non-zero value that is not a valid calendar date.
ErrCode ReadStampDate(std::string_view text, int32_t* out);

// A time as the state record keeps it: the client's stamp writes "hh:mm:ss" (an optional ".fff"
// adds milliseconds; two fields "mm:ss" read as the run-time reads them), a fresh record sends
// 0; a plain decimal number is milliseconds since midnight. Blanks around are ignored and empty
// is 0. kErrBadInput for anything else or a value outside one day.
ErrCode ReadStampTime(std::string_view text, int32_t* out);

}  // namespace rt
