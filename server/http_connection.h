// One client connection of the standalone server, advanced by the event loop without ever
// blocking: its request head under a deadline, the wait for its answer, the answer sent at no
// less than a minimum rate, and a graceful close.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/answers.h"
#include "server/fleet_store.h"

namespace rt {

// The address the updater asks for, below the server's root.
inline constexpr char kUpdaterTarget[] = "/cgi-bin/updater";
// Longest request head read; a longer one is answered 431 and closed.
inline constexpr size_t kMaxRequestHead = 16384;

// What a connection is allowed before it is closed, so that idle and slow clients cost a
// descriptor and some memory for a bounded time and never hold anyone else.
struct ConnectionLimits {
    int headDeadlineMs = 10000;   // the whole request head must arrive within this
    uint32_t minSendRate = 4096;  // bytes per second the answer must move at least, ...
    int rateWindowMs = 10000;     // ... measured over windows this long
    int drainMs = 1000;           // reading away what the client still sends after the answer
};

// The parts of a request head that matter. The target is everything between the method and the
// last blank of the first line: the updater does not encode blanks in file names, so a target
// may hold them.
struct RequestHead {
    std::string method;
    std::string target;
    std::string authorization;  // the Authorization field's value, for the fleet page
    DesktopReport report;       // what the desktop told about itself
};

// Reads the first line of a complete head ("\r\n" or "\n" line ends), then its fields: the
// desktop's report headers and Authorization. 0 on success, else the HTTP status to answer: 400
// for a line without method, target and an HTTP/1.x version, 505 for another version.
int ParseRequestHead(std::string_view head, RequestHead* out);

// The query of a target addressed to the updater: the text after '?' when the path part (a
// scheme and host in front are allowed, "http://host/cgi-bin/updater") is kUpdaterTarget. False
// for any other path. A target without '?' gives the empty query.
bool UpdaterQuery(std::string_view target, std::string* query);

class HttpConnection {
public:
    enum class Phase : uint8_t {
        kHead,    // reading the request head
        kAnswer,  // waiting for the answer to query()
        kSend,    // sending the answer
        kDrain,   // answer sent; reading away the rest before closing
        kClosed,  // done; the descriptor is closed
    };

    // A connected, non-blocking socket accepted at nowMs.
    HttpConnection(UniqueFd socket, int64_t nowMs, const ConnectionLimits& limits);

    int fd() const { return socket_.get(); }
    Phase phase() const { return phase_; }
    int64_t acceptedAt() const { return acceptedAt_; }
    // The poll events awaited: POLLIN, POLLOUT, or 0 while the answer is computed.
    short Events() const;
    // When OnTime must next run; INT64_MAX when nothing is due.
    int64_t Deadline() const;

    // Reads or writes what the socket allows now; called when poll reports the awaited events
    // or an error. A complete head leads to kAnswer, or to kSend for a request refused at the
    // HTTP level (400, 404, 405, 431, 505).
    void OnReady(int64_t nowMs);
    // Called at or after Deadline(): a head not complete in time, or an answer that moved fewer
    // bytes in its window than the minimum rate asks, closes the connection without more ado.
    void OnTime(int64_t nowMs);

    // kAnswer: the request waiting for its answer: an updater's query, or the fleet page in
    // fleetFormat (empty for the updater's).
    const std::string& method() const { return method_; }
    const std::string& query() const { return query_; }
    const std::string& fleetFormat() const { return fleetFormat_; }
    const std::string& authorization() const { return authorization_; }
    const DesktopReport& report() const { return report_; }
    // The client's address, as the fleet store keeps it.
    const std::string& peer() const { return peer_; }
    void SetPeer(std::string peer) { peer_ = std::move(peer); }
    // kAnswer -> kSend: status 200 with the answer (its head only for a HEAD request).
    void TakeAnswer(Answer answer, int64_t nowMs);

private:
    void ReadHead(int64_t now);
    void TakeHead(std::string_view head, int64_t now);
    void Refuse(int status, int64_t now, const char* extra = "");
    void StartSending(std::string out, UniqueFd file, uint64_t fileBytes, int64_t now);
    void Send(int64_t now);
    void Drain();
    void Close();

    UniqueFd socket_;
    ConnectionLimits limits_;
    Phase phase_ = Phase::kHead;
    int64_t acceptedAt_;
    std::string in_;
    std::string method_;
    std::string query_;
    std::string fleetFormat_;
    std::string authorization_;
    DesktopReport report_;
    std::string peer_;
    std::string out_;
    size_t outSent_ = 0;
    UniqueFd file_;
    uint64_t fileOffset_ = 0;
    uint64_t fileLeft_ = 0;
    int64_t windowStart_ = 0;
    uint64_t windowBytes_ = 0;
    int64_t drainUntil_ = 0;
    size_t drained_ = 0;
};

}  // namespace rt
