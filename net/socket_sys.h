// The operating system's part of the socket layer: the few socket calls it needs, with handles
// as integers and every error as its Winsock number, whatever the platform.
//
// socket_win.cpp implements these over Winsock 2, socket_posix.cpp over BSD sockets, so that
// the layer's own logic (slots, retries, subcodes) is the same code on both.
#pragma once

#include <cstdint>

namespace rt {

using SysSocket = intptr_t;
inline constexpr SysSocket kNoSysSocket = -1;

// Asks the library for version; 0 or the error. *granted receives the version word granted.
int SysSocketStartup(uint16_t version, uint16_t* granted);
// The IPv4 address of a host name in network order; 0 or the lookup's error (11001..11004).
int SysResolveHost(const char* name, uint32_t* address);
// A dotted address in network order; false when text is none.
bool SysParseAddress(const char* text, uint32_t* address);
// Writes the dotted text of address (network order) into out (at least 16 bytes).
void SysFormatAddress(uint32_t address, char* out);

// A new TCP stream socket, or kNoSysSocket with *error set.
SysSocket SysSocketCreate(int* error);
// Every call on the socket returns at once from here on.
int SysSetNonBlocking(SysSocket s);
// Starts a connect: 0 when it completed, kWsaEwouldblock while it is under way, or the error.
int SysConnectStart(SysSocket s, uint32_t address, uint16_t port);
// Waits at most ms for a connect under way: 0 with *connected set when it completed, false when it
// failed or the time ran out; or the wait's own error.
int SysConnectWait(SysSocket s, uint32_t ms, bool* connected);
// Waits at most ms for the socket to be readable or writable; 0 with *ready set, or the error.
int SysWaitReady(SysSocket s, bool write, uint32_t ms, bool* ready);
// Bytes sent, or -1 with *error set.
int32_t SysSend(SysSocket s, const char* data, uint32_t n, int* error);
// Bytes received, 0 when the peer closed, or -1 with *error set.
int32_t SysRecv(SysSocket s, char* buffer, uint32_t n, int* error);
void SysSocketClose(SysSocket s);

}  // namespace rt
