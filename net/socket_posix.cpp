// The socket layer's operating-system calls over BSD sockets, with errors in Winsock numbers.
#include "net/socket.h"
#include "net/socket_os.h"

#include <cstdio>
#include <cstring>

namespace rt {

int WsaFromErrno(int err) {
    switch (err) {
        case 0: return 0;
        case EINTR: return kWsaEintr;
        case EFAULT: return kWsaEfault;
        case EINVAL: return kWsaEinval;
        case EAGAIN: return kWsaEwouldblock;
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK: return kWsaEwouldblock;
#endif
        case EINPROGRESS: return kWsaEinprogress;
        case EALREADY: return 10037;
        case ENOTSOCK: return 10038;
        case EBADF: return 10038;
        case EMSGSIZE: return 10040;
        case EMFILE: return 10024;
        case EADDRINUSE: return 10048;
        case EADDRNOTAVAIL: return 10049;
        case ENETDOWN: return kWsaEnetdown;
        case ENETUNREACH: return 10051;
        case ECONNABORTED: return 10053;
        case ECONNRESET: return 10054;
        case ENOBUFS: return 10055;
        case EISCONN: return 10056;
        case ENOTCONN: return 10057;
        case EPIPE: return 10058;
        case ETIMEDOUT: return kWsaEtimedout;
        case ECONNREFUSED: return kWsaEconnrefused;
        case EHOSTUNREACH: return 10065;
        default: return err;
    }
}

int SysSocketStartup(uint16_t version, uint16_t* granted) {
    // BSD sockets need no start-up; they offer what Winsock 2.2 does.
    if (granted) *granted = version < 0x0202 ? version : 0x0202;
    return 0;
}

int SysResolveHost(const char* name, uint32_t* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(name, nullptr, &hints, &found);
    if (rc != 0 || !found) {
        if (found) freeaddrinfo(found);
        switch (rc) {
            case EAI_AGAIN: return kWsaTryAgain;
            case EAI_FAIL: return kWsaNoRecovery;
#ifdef EAI_NODATA
            case EAI_NODATA: return kWsaNoData;
#endif
            default: return kWsaHostNotFound;
        }
    }
    *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return 0;
}

bool SysParseAddress(const char* text, uint32_t* address) {
    in_addr a{};
    if (inet_pton(AF_INET, text, &a) != 1) return false;
    *address = a.s_addr;
    return true;
}

void SysFormatAddress(uint32_t address, char* out) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&address);
    std::snprintf(out, 16, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

SysSocket SysSocketCreate(int* error) {
    socket_t s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s == kInvalidSocket) *error = LastSocketError();
    return ToSys(s);
}

int SysSetNonBlocking(SysSocket s) {
    int flags = fcntl(FromSys(s), F_GETFL, 0);
    if (flags < 0 || fcntl(FromSys(s), F_SETFL, flags | O_NONBLOCK) < 0) return LastSocketError();
    return 0;
}

int SysConnectStart(SysSocket s, uint32_t address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    if (connect(FromSys(s), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return 0;
    // A non-blocking connect under way reads as Winsock's would-block.
    if (errno == EINPROGRESS) return kWsaEwouldblock;
    return LastSocketError();
}

int SysConnectWait(SysSocket s, uint32_t ms, bool* connected) {
    bool ready = false;
    if (int err = SysWaitReady(s, true, ms, &ready)) return err;
    // A failed connect shows as writable here: its outcome is the socket's error.
    int value = 0;
    sock_len_t len = sizeof value;
    if (ready && getsockopt(FromSys(s), SOL_SOCKET, SO_ERROR, &value, &len) != 0) return LastSocketError();
    *connected = ready && value == 0;
    return 0;
}

int SysWaitReady(SysSocket s, bool write, uint32_t ms, bool* ready) {
    // poll rather than select: a descriptor number above FD_SETSIZE must not overrun a set.
    pollfd p{};
    p.fd = FromSys(s);
    p.events = write ? POLLOUT : POLLIN;
    int timeout = ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
    int rc;
    do {
        rc = poll(&p, 1, timeout);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) return LastSocketError();
    // A closed or failed peer counts as ready: the next call reports what happened.
    *ready = rc > 0;
    return 0;
}

int32_t SysSend(SysSocket s, const char* data, uint32_t n, int* error) {
    // No SIGPIPE for a peer that has gone: the error is enough.
    ssize_t sent = send(FromSys(s), data, n, MSG_NOSIGNAL);
    if (sent < 0) {
        *error = LastSocketError();
        return -1;
    }
    return static_cast<int32_t>(sent);
}

int32_t SysRecv(SysSocket s, char* buffer, uint32_t n, int* error) {
    ssize_t got = recv(FromSys(s), buffer, n, 0);
    if (got < 0) {
        *error = LastSocketError();
        return -1;
    }
    return static_cast<int32_t>(got);
}

void SysSocketClose(SysSocket s) {
    if (s != kNoSysSocket) CloseSocketHandle(FromSys(s));
}

}  // namespace rt
