// The HTTP client's requests: one GET over a fresh connection into a body sink, under the fetch's
// one wait rule, and the update server's short answers.
#include "net/http_client.h"

#include <algorithm>
#include <string>

#include "net/http_request.h"
#include "net/http_response.h"
#include "net/path_kind.h"
#include "net/socket.h"
#include "runtime/clock.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/url_text.h"
#include "runtime/log.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

// The longest body a text value holds.
constexpr uint32_t kMaxStringBody = 0xFFFF;
// How much of an unrecognised answer goes into the error detail.
constexpr uint16_t kMaxAnswerInDetail = 384;

HttpSeams gSeams;

// The socket's bytes straight into the reader's buffer, under the fetch's wait rule: a read takes
// what has arrived, and only when nothing has does it wait, at most silenceMs and never past the
// deadline. Right after the request nothing has arrived yet, so the first read waits first.
class SocketSource final : public ByteSource {
public:
    SocketSource(uint16_t slot, uint32_t silenceMs, uint64_t deadlineMicros)
        : slot_(slot), silenceMs_(silenceMs), deadline_(deadlineMicros) {}
    ErrCode Read(char* dst, uint32_t cap, uint32_t* got) override {
        *got = 0;
        for (bool wait = waitFirst_;; wait = true) {
            waitFirst_ = false;
            if (wait) {
                const uint64_t now = ClockSteadyMicros();
                if (now > deadline_) return Late("The answer took longer than its deadline");
                const uint64_t leftMs = (deadline_ - now) / 1000 + 1;
                const uint32_t waitMs = leftMs < silenceMs_ ? static_cast<uint32_t>(leftMs) : silenceMs_;
                const ErrCode waited = SocketWait(slot_, false, waitMs);
                if (waited == kErrOutOfData) {
                    return Late(waitMs == silenceMs_ ? "The server sent nothing within the wait"
                                                     : "The answer took longer than its deadline");
                }
                if (waited) return waited;
            }
            const ErrCode err = SocketReceiveNow(slot_, dst, cap, kModNetRecv, got);
            if (err == kErrOutOfData) continue;
            if (err) return err;
            break;
        }
        received_ += *got;
        if (gSeams.received) {
            if (ErrCode stop = gSeams.received(received_)) {
                *got = 0;
                return stop;
            }
        }
        return kOk;
    }
private:
    static ErrCode Late(const char* why) {
        RecordError(kErrNetAccess, kModNetRecv);
        return ReportError(kErrNetAccess, StrFromLiteral(why));
    }
    uint16_t slot_;
    uint32_t silenceMs_;
    uint64_t deadline_;
    uint64_t received_ = 0;
    bool waitFirst_ = true;
};

// The body's bytes up to the limit the caller knew before the fetch; one byte more ends it.
class LimitedSink final : public BodySink {
public:
    LimitedSink(BodySink& inner, uint64_t limit) : inner_(inner), limit_(limit) {}
    ErrCode Write(const char* data, uint32_t n) override {
        if (n > limit_ - total_) {
            RecordError(kErrDataOutBound, kModNetRecv);
            return ReportError(kErrDataOutBound, StrFromLiteral("The answer is longer than expected"));
        }
        total_ += n;
        return inner_.Write(data, n);
    }
private:
    BodySink& inner_;
    uint64_t limit_;
    uint64_t total_ = 0;
};

// One GET whose body goes to sink within the limits.
ErrCode GetInto(StrRef host, StrRef path, uint16_t port, BodySink& body, const FetchLimits& limits) {
    PoolScope scope;
    const uint64_t deadline = ClockSteadyMicros() + limits.DeadlineMs() * 1000;
    SocketStartup();
    uint16_t slot = SocketOpen(host, port);
    if (slot >= kFirstSerious) return kErrNetAccess;
    // The Host header names the port when it is not the usual one.
    StrRef hostField = host;
    if (port != 80) {
        char digits[8];
        uint16_t n = 0;
        char rev[8];
        uint16_t r = 0;
        for (uint32_t p = port; p; p /= 10) rev[r++] = static_cast<char>('0' + p % 10);
        digits[n++] = ':';
        while (r) digits[n++] = rev[--r];
        hostField = Concat(host, StrMake(digits, n));
    }
    StrRef request = BuildRequest(path, hostField);
    ErrCode err = request.ok() ? SocketSend(slot, request) : Fail(true, 0, StrError(request), 0);
    if (!err) {
        SocketSource source(slot, limits.silenceMs, deadline);
        LimitedSink sink(body, limits.maxBody);
        err = ReadResponse(source, sink);
    }
    SocketClose(slot);
    return err;
}

// The host, port and path of a fetch address; the address's fault, reported, when it has one.
ErrCode SplitForFetch(StrRef address, HostPort* hp, StrRef* path) {
    if (PathKind(address) == kPathHttps) {
        RecordError(kErrFeatureRemoved, 0);
        return ReportError(kErrFeatureRemoved, StrFromLiteral("https://"));
    }
    StrRef split = SplitAddress(address, kSplitFetch);
    if (split.ok()) {
        uint16_t nul = 0;
        while (split.ptr[nul] != '\0') ++nul;
        *hp = SplitHostPort(StrMake(split.ptr, nul));
        *path = StrMake(split.ptr + nul + 1, static_cast<uint16_t>(split.len - nul - 1));
    }
    if (split.ok() && !hp->error) return kOk;
    return RecordAndReport(split.ok() ? hp->error : StrError(split), kModNetSend,
                           Concat(StrFromLiteral("Not a usable server address: "), PasswordsHidden(address)));
}

// One address's body into sink.
ErrCode FetchAddress(StrRef address, uint16_t flags, BodySink& target, const FetchLimits& limits) {
    PoolScope scope;
    if (!(flags & kFetchNoLog) && LogEnabled(0, kLogRuntime)) Log(PasswordsHidden(address));
    HostPort hp;
    StrRef path;
    const ErrCode err = SplitForFetch(address, &hp, &path);
    return err ? err : GetInto(hp.name, path, hp.port, target, limits);
}

}  // namespace

StrRef PasswordsHidden(StrRef text) {
    if (!text.ok()) return text;
    const std::string shown = CredentialsHidden(std::string_view(text.ptr, text.len));
    return PoolCopy(StrMake(shown.data(), static_cast<uint16_t>(std::min<size_t>(shown.size(), 0xFFFF))));
}

void SetHttpSeams(const HttpSeams& seams) { gSeams = seams; }

ErrCode CheckServerAddress(StrRef address) {
    if (!address.ok()) return StrError(address);
    PoolScope scope;
    HostPort hp;
    StrRef path;
    return SplitForFetch(address, &hp, &path);
}

ErrCode HttpFetchToSink(StrRef address, uint16_t flags, BodySink& sink, const FetchLimits& limits) {
    if (!address.ok()) return StrError(address);
    return FetchAddress(address, flags, sink, limits);
}

PoolText HttpFetchToString(StrRef address, uint16_t flags, const FetchLimits& limits) {
    if (!address.ok()) return address;
    // No text holds more than kMaxStringBody bytes: a longer body is the text's limit (145)
    // whatever the caller allowed.
    FetchLimits bounded = limits;
    const bool textBound = bounded.maxBody >= kMaxStringBody;
    if (textBound) bounded.maxBody = kMaxStringBody;
    BufferSink sink;
    ErrCode err = FetchAddress(address, flags, sink, bounded);
    if (err == kErrDataOutBound && textBound) err = kErrOutOfMemory;
    if (err) return StrErr(err);
    // The answer goes to the pool only once it is whole, so a fetch made while the caller holds
    // texts does not need the pool's room for its pieces.
    if (sink.size() > kMaxStringBody || sink.size() > PoolFreeBytes()) return FailStr(true, 0, kErrOutOfMemory, StrErr(0));
    return PoolCopy(StrMake(sink.data(), static_cast<uint16_t>(sink.size())));
}

ErrCode HttpFetchExpectOk(StrRef address, uint16_t flags) {
    if (!address.ok()) return StrError(address);
    uint16_t mark = PoolMark();
    StrRef body = HttpFetchToString(address, flags, FetchLimits{kShortAnswerLimit});
    ErrCode code = StrError(body);
    if (!code && !StrEq(body, "OK")) {
        code = ParseServerError(body);
        if (code == kOk) {
            code = kErrNoCode;
            // The answer may be a whole page.
            StrRef shown = PasswordsHidden(address);
            StrRef answer = body.len > kMaxAnswerInDetail ? StrMake(body.ptr, kMaxAnswerInDetail) : body;
            ReportError(code, Concat(Concat(StrMake("(", 1), shown), Concat(StrMake(") ", 2), answer)));
        }
        RecordError(code, 0);
    }
    PoolRelease(mark);
    return code;
}

}  // namespace rt
