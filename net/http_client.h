// The HTTP client: plain "http://" GET requests, one fresh connection each, whose bodies go to a
// sink or a string, and the update server's short answers ("OK", "Fail", "Error #n.text").
//
// Addresses may carry credentials in their query, so kFetchNoLog keeps them out of the log.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {

class BodySink;

// text (an address, a command line) with its passwords hidden by CredentialsHidden's rule, as a new
// pool entry, for a message or the log; an error passes through.
StrRef PasswordsHidden(StrRef text);

// Fetch flags.
inline constexpr uint16_t kFetchNoLog = 1;  // do not write the addresses to the log

// What one fetch may cost, known before it starts, and the one rule by which it waits. A body
// that passes maxBody stops the fetch at once with kErrDataOutBound. The server may send nothing
// for at most silenceMs at a time, and the whole answer must be in by the deadline: baseMs plus
// the time maxBody takes at minimumRate bytes per second, so that a server trickling a byte now
// and then cannot hold a run for ever. Either wait ends the fetch with kErrNetAccess.
struct FetchLimits {
    uint64_t maxBody = kFetchLargestBody;
    uint32_t baseMs = 30000;
    uint32_t minimumRate = 64 * 1024;
    uint32_t silenceMs = 20000;
    static constexpr uint64_t kFetchLargestBody = 0xFFFFFFFFull + 42;  // a file answer of 4 GiB
    uint64_t DeadlineMs() const { return baseMs + maxBody * 1000 / (minimumRate ? minimumRate : 1); }
};

// The body of one address handed to sink piece by piece as it arrives, within the limits; nothing
// goes to disk on the way. An address may name a port ("http://host:8080/path"); without one it
// is 80. The first failure ends the fetch:
//   kErrNetAccess        connection or receive failures, or a wait of the limits passed
//   kErrDeviceIo         status other than 200 (reported with it)
//   kErrFeatureRemoved   an "https" address or a transfer coding other than chunked
//   kErrBadInput         no body length
//   kErrInternal         a chunk not followed by CR LF
//   kErrDataOutBound     a body longer than limits.maxBody
// and a sink's error ends the fetch with that code.
ErrCode HttpFetchToSink(StrRef address, uint16_t flags, BodySink& sink, const FetchLimits& limits = {});

// 0 when address can be fetched: a plain "http://" address with a host and a usable port. Else
// kErrFeatureRemoved for "https" (reported "https://"), or kErrBadInput (or the split's code)
// reported as "Not a usable server address: <address without its query>". Fetching checks the
// same; a caller checks first to ask nobody for credentials an address could never carry.
ErrCode CheckServerAddress(StrRef address);

// The body of one address as one pool entry, or the fetch's error; a body beyond 65535 bytes
// (or beyond the pool) gives kErrOutOfMemory, one beyond a smaller limits.maxBody
// kErrDataOutBound.
PoolText HttpFetchToString(StrRef address, uint16_t flags, const FetchLimits& limits = {0xFFFF});

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

}  // namespace rt
