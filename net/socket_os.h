// The one place that names the platform's socket headers, handle type and close call, and the
// owner of one socket handle. Included only by the platform files and the tests' fake servers.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "net/socket_sys.h"

namespace rt {

#ifdef _WIN32
using socket_t = SOCKET;
using sock_len_t = int;
inline const socket_t kInvalidSocket = INVALID_SOCKET;
inline int CloseSocketHandle(socket_t s) { return closesocket(s); }
inline int LastSocketError() { return WSAGetLastError(); }
#else
using socket_t = int;
using sock_len_t = socklen_t;
inline constexpr socket_t kInvalidSocket = -1;
inline int CloseSocketHandle(socket_t s) { return close(s); }
// errno in Winsock numbers, so that subcodes and messages read the same on every platform.
int WsaFromErrno(int err);
inline int LastSocketError() { return WsaFromErrno(errno); }
#endif

inline SysSocket ToSys(socket_t s) { return s == kInvalidSocket ? kNoSysSocket : static_cast<SysSocket>(s); }
inline socket_t FromSys(SysSocket s) { return s == kNoSysSocket ? kInvalidSocket : static_cast<socket_t>(s); }

// Owns one socket handle and closes it when it goes.
class ScopedSocket {
public:
    ScopedSocket() = default;
    explicit ScopedSocket(socket_t s) : s_(s) {}
    ~ScopedSocket() { Reset(); }
    ScopedSocket(const ScopedSocket&) = delete;
    ScopedSocket& operator=(const ScopedSocket&) = delete;
    ScopedSocket(ScopedSocket&& other) noexcept : s_(other.Release()) {}
    ScopedSocket& operator=(ScopedSocket&& other) noexcept {
        if (this != &other) { Reset(); s_ = other.Release(); }
        return *this;
    }
    socket_t get() const { return s_; }
    bool valid() const { return s_ != kInvalidSocket; }
    socket_t Release() { socket_t s = s_; s_ = kInvalidSocket; return s; }
    void Reset() {
        if (s_ != kInvalidSocket) CloseSocketHandle(s_);
        s_ = kInvalidSocket;
    }
private:
    socket_t s_ = kInvalidSocket;
};

}  // namespace rt
