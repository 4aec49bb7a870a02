// The socket layer's own logic, the same on every platform: slots, start-up order, resolution,
// connect, send and receive retries, and the subcodes of socket errors.
#include "net/socket.h"

#include <cstdio>

#include "net/socket_sys.h"
#include "runtime/wait.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/streams.h"

namespace rt {
namespace {

// The handle of each slot that holds a socket; the stream table keeps only the tag.
SysSocket gHandles[kStreamSlots] = {
    kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket,
    kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket,
    kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket,
    kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket,
    kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket,
    kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket, kNoSysSocket,
};

// Per slot: whether the next receive should wait for data before it tries.
bool gWaitFirst[kStreamSlots] = {};

ErrCode gStartup = kErrDeviceIo;
bool gStarted = false;

SysSocket HandleOf(uint16_t slot) {
    if (slot >= kStreamSlots || StreamSlotTag(slot) != kSlotSocket) return kNoSysSocket;
    return gHandles[slot];
}

void Forget(uint16_t slot) {
    SysSocketClose(gHandles[slot]);
    gHandles[slot] = kNoSysSocket;
    StreamReleaseSlot(slot);
}

// Reports code with a formatted detail and records it at location.
ErrCode ReportAt(ErrCode code, uint32_t location, const char* text) {
    RecordError(code, location);
    uint16_t mark = PoolMark();
    ReportError(code, StrFromLiteral(text));
    PoolRelease(mark);
    return code;
}

bool OnlyAddressChars(StrRef s) {
    for (uint16_t i = 0; i < s.len; ++i) {
        char c = s.ptr[i];
        if (!((c >= '0' && c <= '9') || c == '.' || c == ':')) return false;
    }
    return true;
}

}  // namespace

uint16_t SocketSubcode(int wsaError) {
    switch (wsaError) {
        case kWsaEintr: return 1110;
        case kWsaEfault: return 1109;
        case kWsaEinval: return 1108;
        case kWsaEwouldblock: return 1111;
        case kWsaEinprogress: return 1107;
        case kWsaEnetdown: return 1102;
        case kWsaNotInitialised: return 1101;
        case kWsaHostNotFound: return 1103;
        case kWsaTryAgain: return 1104;
        case kWsaNoRecovery: return 1105;
        case kWsaNoData: return 1106;
        default: return static_cast<uint16_t>(wsaError & 0xFFFF);
    }
}

ErrCode SocketStartup() {
    if (gStarted) return gStartup;
    static const uint16_t kVersions[] = {0x0202, 0x0201, 0x0200, 0x0101};
    uint16_t granted = 0;
    for (uint16_t version : kVersions) {
        if (SysSocketStartup(version, &granted) == 0) {
            gStarted = true;
            gStartup = granted < 0x0202 ? kErrUndefWarning : kOk;
            return gStartup;
        }
    }
    SysSocketStartup(0x0100, &granted);
    return kErrDeviceIo;
}

PoolText SocketResolve(StrRef host) {
    if (!host.ok() || OnlyAddressChars(host)) return host;
    uint16_t mark = PoolMark();
    uint32_t address = 0;
    int err = SysResolveHost(CString(host), &address);
    PoolRelease(mark);
    if (err != 0) {
        char text[96];
        std::snprintf(text, sizeof text, "Orvik.subcode: %u, system code: %d",
                      static_cast<unsigned>(SocketSubcode(err)), err);
        ReportAt(kErrDeviceIo, kLocResolve, text);
        return host;
    }
    char dotted[16];
    SysFormatAddress(address, dotted);
    return PoolCopy(StrFromLiteral(dotted));
}

uint16_t SocketOpen(StrRef host, uint16_t port) {
    if (!host.ok()) return StrError(host);
    uint16_t slot = StreamClaimSlot(kSlotSocket);
    if (slot >= kStreamSlots) return slot;
    int err = 0;
    SysSocket s = SysSocketCreate(&err);
    // Slots keep 16-bit handles.
    if (s == kNoSysSocket || s > 0xFFFF) {
        if (s != kNoSysSocket) SysSocketClose(s);
        StreamReleaseSlot(slot);
        return kErrDeviceIo;
    }
    gHandles[slot] = s;

    PoolScope scope;
    StrRef name = KeepChars(host, StrMake(" ", 1), true);
    if (name.ok() && name.len > 0 && name.ptr[0] > '9') name = SocketResolve(name);
    uint32_t address = 0;
    bool connected = name.ok() && name.len > 0 && SysParseAddress(CString(name), &address) &&
                     SysSetNonBlocking(s) == 0;
    if (connected) {
        err = SysConnectStart(s, address, port);
        if (err == kWsaEwouldblock) {
            // Writable within the limit, and not because the attempt failed.
            connected = false;
            if (SysConnectWait(s, kConnectWaitMs, &connected) != 0) ReportAt(kErrNetAccess, kLocSelect, "");
        } else {
            connected = err == 0;
        }
    }
    if (!connected) {
        Forget(slot);
        RecordError(kErrNetAccess, 0);
        ReportError(kErrNetAccess, host);
        return kErrNetAccess;
    }
    return slot;
}

ErrCode SocketWait(uint16_t slot, bool write, uint32_t ms) {
    SysSocket s = HandleOf(slot);
    if (s == kNoSysSocket) return kErrBadFileNumber;
    bool ready = false;
    if (SysWaitReady(s, write, ms, &ready) != 0) return ReportAt(kErrNetAccess, kLocSelect, "");
    if (ready) return kOk;
    return write ? kErrDeviceTimeout : kErrOutOfData;
}

ErrCode SocketSend(uint16_t slot, StrRef data) {
    if (!data.ok()) return StrError(data);
    SysSocket s = HandleOf(slot);
    if (s == kNoSysSocket) return kErrBadFileNumber;
    uint32_t sent = 0;
    for (uint16_t attempt = 0; attempt < kSendAttempts && sent < data.len; ++attempt) {
        int err = 0;
        int32_t n = SysSend(s, data.ptr + sent, data.len - sent, &err);
        if (n >= 0) {
            // A partial send is progress, not a failure: the rest goes in the next attempt.
            sent += static_cast<uint32_t>(n);
            continue;
        }
        if (err != kWsaEwouldblock) break;
        ErrCode waited = SocketWait(slot, true, kSendRetryMs);
        if (waited == kErrNetAccess) return waited;
    }
    gWaitFirst[slot] = true;  // the answer takes the peer a moment
    if (sent == data.len) return kOk;
    RecordError(kErrNetAccess, kModNetSend);
    return kErrNetAccess;
}

ErrCode SocketReceiveNow(uint16_t slot, char* buffer, uint32_t size, uint32_t location, uint32_t* got) {
    *got = 0;
    SysSocket s = HandleOf(slot);
    if (s == kNoSysSocket) return kErrBadFileNumber;
    if (size == 0) return kErrBadInput;
    if (size > 0x7FFFFFFF) size = 0x7FFFFFFF;
    int err = 0;
    const int32_t n = SysRecv(s, buffer, size, &err);
    if (n > 0) {
        *got = static_cast<uint32_t>(n);
        return kOk;
    }
    if (n < 0 && err == kWsaEwouldblock) return kErrOutOfData;
    char text[64];
    std::snprintf(text, sizeof text, "sysError: %u, closed: %s", static_cast<unsigned>(SocketSubcode(err)), n == 0 ? "yes" : "no");
    return ReportAt(kErrNetAccess, location, text);
}

ErrCode SocketReceiveInto(uint16_t slot, char* buffer, uint32_t size, uint16_t count, uint32_t location,
                          uint32_t* got) {
    *got = 0;
    SysSocket s = HandleOf(slot);
    if (s == kNoSysSocket) return kErrBadFileNumber;
    if (size == 0) return kErrBadInput;
    if (size > 0x7FFFFFFF) size = 0x7FFFFFFF;  // what one receive can report
    if (count > kMaxReceiveRetries) count = kMaxReceiveRetries;
    // An answer that has not come yet costs a failed receive and a wait before the receive that
    // gets it; waiting first costs only the wait. That is the case after a send, and after a
    // receive that found nothing.
    if (gWaitFirst[slot] && SocketWait(slot, false, kReceiveFirstDelayMs) == kErrNetAccess) return kErrNetAccess;
    int err = 0;
    int32_t n = SysRecv(s, buffer, size, &err);
    const bool firstEmpty = n < 0;
    for (uint16_t retry = 0; n <= 0 && retry < count; ++retry) {
        ErrCode waited = SocketWait(slot, false, kReceiveFirstDelayMs << retry);
        if (waited == kErrNetAccess) return waited;
        err = 0;
        n = SysRecv(s, buffer, size, &err);
    }
    // A stream that had bytes waiting when asked will likely have more by the next call (the
    // caller spends the time writing them out); only one that made this call wait is waited on.
    gWaitFirst[slot] = firstEmpty;
    if (n > 0) {
        *got = static_cast<uint32_t>(n);
        return kOk;
    }
    char text[64];
    std::snprintf(text, sizeof text, "sysError: %u, retries: %u",
                  static_cast<unsigned>(SocketSubcode(err)), static_cast<unsigned>(count));
    return ReportAt(kErrNetAccess, location, text);
}

PoolText SocketReceive(uint16_t slot, uint16_t size, uint16_t count, uint32_t location) {
    if (HandleOf(slot) == kNoSysSocket) return StrErr(kErrBadFileNumber);
    if (size == 0) return StrErr(kErrBadInput);
    uint16_t mark = PoolMark();
    ErrCode perr = 0;
    char* buffer = PoolBuffer(size, &perr);
    if (!buffer) return StrErr(perr ? perr : kErrOutOfMemory);
    uint32_t got = 0;
    ErrCode err = SocketReceiveInto(slot, buffer, size, count, location, &got);
    if (err) {
        PoolRelease(mark);
        return StrErr(err);
    }
    return PoolShrinkTop(static_cast<uint16_t>(got));
}

void SocketClose(uint16_t slot) {
    if (HandleOf(slot) == kNoSysSocket) return;
    Forget(slot);
}

uint16_t SocketOpenCount() {
    uint16_t n = 0;
    for (uint16_t i = 0; i < kStreamSlots; ++i) {
        if (HandleOf(i) != kNoSysSocket) ++n;
    }
    return n;
}

}  // namespace rt
