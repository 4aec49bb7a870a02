// The standalone mode of the update server: a small HTTP/1.1 server on one listening socket that
// answers GET /cgi-bin/updater?<query>, one request per connection, one connection at a time.
#pragma once

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "runtime/errcode.h"
#include "server/answers.h"

namespace rt {

// The address the updater asks for, below the server's root.
inline constexpr char kUpdaterTarget[] = "/cgi-bin/updater";
// Longest request head read; a longer one is answered 431 and closed.
inline constexpr size_t kMaxRequestHead = 16384;
// A connection has this long to deliver its request head, and each send of the answer may wait
// this long, so a slow or silent client cannot hold the server.
inline constexpr int kReadDeadlineMs = 10000;
inline constexpr int kSendTimeoutMs = 30000;

// "HOST:PORT" (an IPv4 address or name and a decimal port 0..65535). kErrBadInput otherwise.
ErrCode ParseListenAddress(std::string_view text, std::string* host, uint16_t* port);

// The parts of a request head that matter. The target is everything between the method and the
// last blank of the first line: the updater does not encode blanks in file names, so a target
// may hold them.
struct RequestHead {
    std::string method;
    std::string target;
};

// Reads the first line of a complete head ("\r\n" or "\n" line ends). 0 on success, else the
// HTTP status to answer: 400 for a line without method, target and an HTTP/1.x version, 505 for
// another version.
int ParseRequestHead(std::string_view head, RequestHead* out);

// The query of a target addressed to the updater: the text after '?' when the path part (a
// scheme and host in front are allowed, "http://host/cgi-bin/updater") is kUpdaterTarget. False
// for any other path. A target without '?' gives the empty query.
bool UpdaterQuery(std::string_view target, std::string* query);

// Opens a listening TCP socket on host:port (port 0 lets the system choose); *bound receives the
// port in use. kErrNetAccess when the address does not resolve or cannot be bound.
ErrCode OpenListener(const std::string& host, uint16_t port, UniqueFd* out, uint16_t* bound);

// Reads one request from a connected socket and answers it; the connection is then closed by
// the caller. Problems of the connection end it quietly; they never stop the server.
void ServeConnection(int fd, const ServerConfig& config, FILE* log);

// Accepts and serves connections until *stop holds (checked at least every 200 ms) or, when
// stopSignal is given, until it becomes non-zero. kErrNetAccess when accepting fails for good.
ErrCode Serve(int listenFd, const ServerConfig& config, const std::atomic<bool>* stop,
              const volatile std::sig_atomic_t* stopSignal, FILE* log);

}  // namespace rt
