// The standalone mode of the update server: a small HTTP/1.1 server on one listening socket that
// answers GET /cgi-bin/updater?<query>, one request per connection, many connections at once.
#pragma once

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "runtime/errcode.h"
#include "server/answers.h"
#include "server/http_connection.h"

namespace rt {

// How much the server takes on at once.
struct ServeLimits {
    ConnectionLimits connection;
    // Open connections; when they are all taken, the one that has waited longest for its request
    // head makes room for a new one.
    size_t maxConnections = 512;
    // Threads computing answers. More than the cores: a first checksum of a big file keeps its
    // thread for seconds, and the system's scheduler, not a queue, then shares the cores with
    // the short answers.
    int workers = 16;
};

// "HOST:PORT" (an IPv4 address or name and a decimal port 0..65535). kErrBadInput otherwise.
ErrCode ParseListenAddress(std::string_view text, std::string* host, uint16_t* port);

// Opens a listening TCP socket on host:port (port 0 lets the system choose); *bound receives the
// port in use. kErrNetAccess when the address does not resolve or cannot be bound.
ErrCode OpenListener(const std::string& host, uint16_t port, UniqueFd* out, uint16_t* bound);

// Accepts and serves connections until *stop holds (checked at least every 200 ms) or, when
// stopSignal is given, until it becomes non-zero. One thread runs every connection without
// blocking (see HttpConnection); answers are computed by limits.workers threads. Each answered
// request is logged to log (when given) with its credentials masked. The listening socket is made
// non-blocking. kErrNetAccess when waiting or accepting fails for good.
ErrCode Serve(int listenFd, const ServerConfig& config, const std::atomic<bool>* stop,
              const volatile std::sig_atomic_t* stopSignal, FILE* log,
              const ServeLimits& limits = ServeLimits());

}  // namespace rt
