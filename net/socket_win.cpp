// The socket layer's operating-system calls over Winsock 2.
#include "net/socket.h"
#include "net/socket_os.h"

#include <cstdio>
#include <cstring>

namespace rt {

int SysSocketStartup(uint16_t version, uint16_t* granted) {
    WSADATA data;
    std::memset(&data, 0, sizeof data);
    int rc = WSAStartup(version, &data);
    if (granted) *granted = data.wVersion;
    return rc;
}

int SysResolveHost(const char* name, uint32_t* address) {
    hostent* found = gethostbyname(name);
    if (!found || found->h_addrtype != AF_INET || !found->h_addr_list || !found->h_addr_list[0]) {
        int err = WSAGetLastError();
        return err ? err : kWsaHostNotFound;
    }
    std::memcpy(address, found->h_addr_list[0], sizeof *address);
    return 0;
}

bool SysParseAddress(const char* text, uint32_t* address) {
    unsigned long a = inet_addr(text);
    if (a == INADDR_NONE) return false;
    *address = static_cast<uint32_t>(a);
    return true;
}

void SysFormatAddress(uint32_t address, char* out) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&address);
    std::snprintf(out, 16, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

SysSocket SysSocketCreate(int* error) {
    socket_t s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kInvalidSocket) {
        *error = LastSocketError();
        return kNoSysSocket;
    }
    return ToSys(s);
}

int SysSetNonBlocking(SysSocket s) {
    u_long on = 1;
    return ioctlsocket(FromSys(s), FIONBIO, &on) == 0 ? 0 : LastSocketError();
}

int SysConnectStart(SysSocket s, uint32_t address, uint16_t port) {
    sockaddr_in to;
    std::memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    if (connect(FromSys(s), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return 0;
    return LastSocketError();
}

namespace {

// One select on the socket for reading or writing and for exceptions, at most ms long: rc as
// select gives it, and whether the socket came back in each set.
struct Selected {
    int rc;
    bool wanted;
    bool failed;
};
Selected SelectOne(SysSocket s, bool write, uint32_t ms) {
    fd_set wanted;
    fd_set failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(FromSys(s), &wanted);
    FD_SET(FromSys(s), &failed);
    timeval tv;
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    int rc = select(0, write ? nullptr : &wanted, write ? &wanted : nullptr, &failed, &tv);
    if (rc == SOCKET_ERROR) return {rc, false, false};
    return {rc, FD_ISSET(FromSys(s), &wanted) != 0, FD_ISSET(FromSys(s), &failed) != 0};
}

}  // namespace

int SysConnectWait(SysSocket s, uint32_t ms, bool* connected) {
    // Winsock reports a failed connect in the exception set, so one select tells both outcomes.
    const Selected r = SelectOne(s, true, ms);
    if (r.rc == SOCKET_ERROR) return LastSocketError();
    *connected = r.wanted && !r.failed;
    return 0;
}

int SysWaitReady(SysSocket s, bool write, uint32_t ms, bool* ready) {
    // A failed connect shows in the exception set, not the write set: it counts as ready so that
    // the caller learns the outcome at once instead of after the whole wait.
    const Selected r = SelectOne(s, write, ms);
    if (r.rc == SOCKET_ERROR) return LastSocketError();
    *ready = r.rc > 0;
    return 0;
}

int32_t SysSend(SysSocket s, const char* data, uint32_t n, int* error) {
    int sent = send(FromSys(s), data, static_cast<int>(n), 0);
    if (sent == SOCKET_ERROR) {
        *error = LastSocketError();
        return -1;
    }
    return sent;
}

int32_t SysRecv(SysSocket s, char* buffer, uint32_t n, int* error) {
    int got = recv(FromSys(s), buffer, static_cast<int>(n), 0);
    if (got == SOCKET_ERROR) {
        *error = LastSocketError();
        return -1;
    }
    return got;
}

void SysSocketClose(SysSocket s) {
    if (s != kNoSysSocket) CloseSocketHandle(FromSys(s));
}

}  // namespace rt
