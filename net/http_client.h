// The HTTP client: plain "http://" GET requests, one fresh connection each, whose bodies go to a
// file or a string, and the update server's short answers ("OK", "Fail", "Error #n.text").
//
// Addresses may carry credentials in their query, so kFetchNoLog keeps them out of the log.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Fetch flags.
inline constexpr uint16_t kFetchNoLog = 1;  // do not write the addresses to the log

// Fetches each address of the NUL-separated list in order and appends its body to output (which
// callers pass new or empty), with "\r\n" between two bodies. An address may name a port
// ("http://host:8080/path"); without one it is 80. The first failure ends the fetch:
//   139 connection, receive or file failures   172 status other than 200 (reported with it)
//   148 an "https" address or a transfer coding other than chunked   163 no body length
//   141 a chunk not followed by CR LF
// Each body first goes to a temporary file, deleted in every case.
ErrCode HttpFetchToFile(StrRef addresses, StrRef output, uint16_t flags);

// The body of one address as one pool entry, or the fetch's error; a body beyond 65535 bytes
// (or beyond the pool) gives 145.
StrRef HttpFetchToString(StrRef address, uint16_t flags);

// 0 when the body is exactly "OK"; "Fail" gives 124; "Error #n.text" gives n, reported with
// "Server response: text"; any other body gives 0xFFFF, reported with "(address) body". A
// failing fetch gives its error.
ErrCode HttpFetchExpectOk(StrRef address, uint16_t flags);

// Watches the bodies as they arrive: received runs for every piece with the bytes of the answer
// read so far, and a non-zero answer ends the fetch with that code (122 when the user cancelled),
// so that a long download keeps the windows alive and stops when asked. Null: nothing watches.
struct HttpSeams {
    ErrCode (*received)(uint64_t bytes) = nullptr;
};
void SetHttpSeams(const HttpSeams& seams);

// One GET of path from host at port into the file output (rewritten). 139 when the connection
// or the file cannot be opened or the request cannot be sent; else the reader's result.
ErrCode HttpGet(StrRef host, StrRef path, uint16_t port, StrRef output);

}  // namespace rt
