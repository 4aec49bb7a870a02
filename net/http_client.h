// The HTTP client: plain "http://" GET requests, one fresh connection each, whose bodies go to a
// file or a string, and the update server's short answers ("OK", "Fail", "Error #n.text").
//
// Addresses may carry credentials in their query, so kFetchNoLog keeps them out of the log.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

class BodySink;

// Fetch flags.
inline constexpr uint16_t kFetchNoLog = 1;  // do not write the addresses to the log

// What one fetch may cost, known before it starts. A body that passes maxBody stops the fetch at
// once with kErrDataOutBound; a request that is not answered whole within the deadline stops
// with kErrNetAccess. The deadline is baseMs plus the time maxBody takes at minimum bytes per
// second, so that a server trickling a byte now and then cannot hold a run for ever.
struct FetchLimits {
    uint64_t maxBody = kFetchLargestBody;
    uint32_t baseMs = 30000;
    uint32_t minimumRate = 64 * 1024;
    static constexpr uint64_t kFetchLargestBody = 0xFFFFFFFFull + 42;  // a file answer of 4 GiB
    uint64_t DeadlineMs() const { return baseMs + maxBody * 1000 / (minimumRate ? minimumRate : 1); }
};

// Fetches each address of the NUL-separated list in order and appends its body to output (which
// callers pass new or empty), with "\r\n" between two bodies. An address may name a port
// ("http://host:8080/path"); without one it is 80. The first failure ends the fetch:
//   kErrNetAccess        connection, receive or file failures
//   kErrDeviceIo         status other than 200 (reported with it)
//   kErrFeatureRemoved   an "https" address or a transfer coding other than chunked
//   kErrBadInput         no body length
//   kErrInternal         a chunk not followed by CR LF
//   kErrDataOutBound     a body longer than limits.maxBody (each address has the limits)
// A missing output is written directly and removed again on failure; otherwise each body first
// goes to a temporary file, deleted in every case.
ErrCode HttpFetchToFile(StrRef addresses, StrRef output, uint16_t flags, const FetchLimits& limits = {});

// The body of one address handed to sink piece by piece as it arrives, within the limits; nothing
// goes to disk on the way. The errors are those of HttpFetchToFile, and a sink's error ends the
// fetch with that code.
ErrCode HttpFetchToSink(StrRef address, uint16_t flags, BodySink& sink, const FetchLimits& limits = {});

// The body of one address as one pool entry, or the fetch's error; a body beyond 65535 bytes
// (or beyond the pool) gives kErrOutOfMemory, one beyond a smaller limits.maxBody
// kErrDataOutBound.
StrRef HttpFetchToString(StrRef address, uint16_t flags, const FetchLimits& limits = {0xFFFF});

// 0 when the body is exactly "OK"; "Fail" gives kErrUndefWarning; "Error #n.text" gives n, reported
// with "Server response: text"; any other body gives kErrNoCode, reported with "(address) body". A
// failing fetch gives its error.
ErrCode HttpFetchExpectOk(StrRef address, uint16_t flags);
// The most a short answer ("OK", "Fail", "Error #n.text") may take.
inline constexpr uint64_t kShortAnswerLimit = 4096;

// Watches the bodies as they arrive: received runs for every piece with the bytes of the answer
// read so far, and a non-zero answer ends the fetch with that code (kErrUserCanceled when the user cancelled),
// so that a long download keeps the windows alive and stops when asked. Null: nothing watches.
struct HttpSeams {
    ErrCode (*received)(uint64_t bytes) = nullptr;
};
void SetHttpSeams(const HttpSeams& seams);

// One GET of path from host at port into the file output (rewritten). kErrNetAccess when the
// connection or the file cannot be opened or the request cannot be sent; else the reader's result.
ErrCode HttpGet(StrRef host, StrRef path, uint16_t port, StrRef output);

}  // namespace rt
