// The TCP client layer: library start-up, name resolution, connect, send, receive and close,
// with sockets kept as numbered slots of the run-time's stream table.
//
// Every wait here watches the socket: a connect ends as soon as the connection stands (at most
// kConnectWaitMs), a receive retry as soon as data arrives (at most its delay). The limits are
// the layer's; nothing sleeps a fixed time when the peer is ready earlier.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {

// The stream-table tag of a socket slot.
inline constexpr int16_t kSlotSocket = 1;

// Locations recorded with the layer's errors (besides kModNetSend and kModNetRecv).
inline constexpr uint32_t kLocResolve = 1001;
inline constexpr uint32_t kLocSelect = 1002;

// Limits of the layer.
inline constexpr uint32_t kConnectWaitMs = 150;
inline constexpr uint16_t kSendAttempts = 20;
inline constexpr uint32_t kSendRetryMs = 10;
inline constexpr uint32_t kReceiveFirstDelayMs = 100;  // doubled after each retry
inline constexpr uint16_t kMaxReceiveRetries = 15;     // so that the doubled delay stays 32-bit

// Winsock error numbers the layer tells apart; other platforms report theirs in these numbers.
inline constexpr int kWsaEintr = 10004;
inline constexpr int kWsaEfault = 10014;
inline constexpr int kWsaEinval = 10022;
inline constexpr int kWsaEwouldblock = 10035;
inline constexpr int kWsaEinprogress = 10036;
inline constexpr int kWsaEnetdown = 10050;
inline constexpr int kWsaEconnrefused = 10061;
inline constexpr int kWsaEtimedout = 10060;
inline constexpr int kWsaNotInitialised = 10093;
inline constexpr int kWsaHostNotFound = 11001;
inline constexpr int kWsaTryAgain = 11002;
inline constexpr int kWsaNoRecovery = 11003;
inline constexpr int kWsaNoData = 11004;

// The 16-bit subcode of a Winsock error number as messages show it: the named errors have their
// own codes (1101..1111), every other number is itself, cut to 16 bits.
uint16_t SocketSubcode(int wsaError);

// Starts the socket library, asking for 2.2, 2.1, 2.0 and 1.1 in turn: 0 when 2.2 was granted,
// kErrUndefWarning for an older version (the layer is usable all the same), kErrDeviceIo when none
// was. Calling it again is harmless; the library stays started until the process ends.
ErrCode SocketStartup();

// The dotted IPv4 address of host. A text made only of "0123456789.:" comes back unchanged;
// when the lookup fails, kErrDeviceIo is reported at kLocResolve ("Orvik.subcode: <subcode>, system
// code: <error>") and host comes back unchanged as well. Otherwise one pool entry.
PoolText SocketResolve(StrRef host);

// Connects to host (blanks are ignored; a name is resolved first) at port and returns the slot
// number (3..39). kErrDataOutBound when every slot is taken (before a socket is made), kErrDeviceIo
// when no socket can be made, kErrNetAccess when the connection is not established within
// kConnectWaitMs. The socket is non-blocking from here on, so no receive time-out is set on it:
// the receives' own waits bound them.
uint16_t SocketOpen(StrRef host, uint16_t port);

// Sends every byte of data: up to kSendAttempts attempts, each after waiting at most
// kSendRetryMs for the socket to take data again. kErrNetAccess (recorded at kModNetSend) when the
// last attempt fails or another error occurs; kErrBadFileNumber for a slot that is not an open
// socket.
ErrCode SocketSend(uint16_t slot, StrRef data);

// Receives up to size bytes. The first call reads what is there; then up to count retries, the
// k-th (from 0) waiting at most kReceiveFirstDelayMs << k for data. The bytes as one pool entry,
// or when the retries are exhausted the error value kErrNetAccess, reported with the text
// "sysError: <subcode>, retries: <count>" and recorded at location. A peer that closed the
// connection reads as empty each time; its socket is readable, so those retries do not wait.
// kErrBadFileNumber for a slot that is not an open socket; the pool's code when no work buffer is
// left.
PoolText SocketReceive(uint16_t slot, uint16_t size, uint16_t count, uint32_t location);

// SocketReceive into the caller's buffer of size bytes (more than a text can hold, if it likes), for
// readers that keep their own: kOk with *got (at least 1) bytes, or the error SocketReceive gives
// (reported alike), *got then 0.
ErrCode SocketReceiveInto(uint16_t slot, char* buffer, uint32_t size, uint16_t count, uint32_t location,
                          uint32_t* got);

// One receive that does not wait, for readers with a waiting rule of their own: kOk with *got (at
// least 1) bytes; kErrOutOfData when nothing has arrived yet; otherwise (the peer closed, an error)
// kErrNetAccess reported with "sysError: <subcode>, closed: yes|no" and recorded at location.
ErrCode SocketReceiveNow(uint16_t slot, char* buffer, uint32_t size, uint32_t location, uint32_t* got);

// Waits at most ms for the slot's socket to become readable (write = false) or writable (true):
// 0 when it is, kErrOutOfData (read) or kErrDeviceTimeout (write) when it is not; kErrNetAccess
// reported at kLocSelect with an empty text when the wait itself fails.
ErrCode SocketWait(uint16_t slot, bool write, uint32_t ms);

// Closes the slot's socket and frees the slot; anything else is left alone.
void SocketClose(uint16_t slot);

// Open sockets, for tests and the shut-down check.
uint16_t SocketOpenCount();

}  // namespace rt
