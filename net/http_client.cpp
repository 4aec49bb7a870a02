// The HTTP client's requests: one GET over a fresh connection into a file, the fetchers built on
// it, their temporary files, and the update server's short answers.
#include "net/http_client.h"

#include <string>

#include <cstring>

#include "net/http_request.h"
#include "net/http_response.h"
#include "net/path_kind.h"
#include "net/socket.h"
#include "runtime/wait.h"
#include "runtime/clock.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/temp_file.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

// Small pieces of a body are gathered into blocks of this size before they are written.
constexpr uint32_t kSinkBlock = 65536;
constexpr uint16_t kReceiveRetries = 5;
// After a receive gave up: how many more, and how long each waits for data first.
constexpr uint16_t kExtraReceives = 5;
constexpr uint32_t kExtraReceiveWaitMs = 500;
// The longest body a text value holds.
constexpr uint32_t kMaxStringBody = 0xFFFF;
// How much of an unrecognised answer goes into the error detail.
constexpr uint16_t kMaxAnswerInDetail = 384;

HttpSeams gSeams;

// Receives straight into the reader's buffer, as much as it has room for.
class SocketSource final : public ByteSource {
public:
    explicit SocketSource(uint16_t slot) : slot_(slot) {}
    ErrCode Read(char* dst, uint32_t cap, uint32_t* got) override {
        *got = 0;
        for (uint16_t extra = 0;; ++extra) {
            ErrCode err = SocketReceiveInto(slot_, dst, cap, kReceiveRetries, kModNetRecv, got);
            if (!err) {
                received_ += *got;
                if (gSeams.received) {
                    if (ErrCode stop = gSeams.received(received_)) {
                        *got = 0;
                        return stop;
                    }
                }
                return kOk;
            }
            if (err != kErrNetAccess || extra == kExtraReceives) return err;
            // Data that arrives during the pause ends it at once.
            ErrCode waited = SocketWait(slot_, false, kExtraReceiveWaitMs);
            if (waited == kErrNetAccess || waited == kErrBadFileNumber) return waited;
        }
    }
private:
    uint16_t slot_;
    uint64_t received_ = 0;
};

// Collects the body's pieces and writes them in large blocks; Flush writes the rest.
class FileSink final : public BodySink {
public:
    explicit FileSink(FsFile& file) : file_(file) {}
    ErrCode Write(const char* data, uint32_t n) override {
        if (used_ == 0 && n >= kSinkBlock) {
            // A whole read goes out as it is, without the copy.
            uint32_t put = 0;
            return file_.Write(data, n, &put);
        }
        while (n) {
            if (used_ == kSinkBlock) {
                if (ErrCode err = Flush()) return err;
            }
            uint32_t take = n < kSinkBlock - used_ ? n : kSinkBlock - used_;
            std::memcpy(block_ + used_, data, take);
            used_ += take;
            data += take;
            n -= take;
        }
        return kOk;
    }
    ErrCode Flush() {
        uint32_t put = 0;
        ErrCode err = used_ ? file_.Write(block_, used_, &put) : kOk;
        used_ = 0;
        return err;
    }
private:
    FsFile& file_;
    uint32_t used_ = 0;
    char block_[kSinkBlock];
};

// The socket's pieces until the request's deadline has passed.
class DeadlineSource final : public ByteSource {
public:
    DeadlineSource(ByteSource& inner, uint64_t deadlineMicros) : inner_(inner), deadline_(deadlineMicros) {}
    ErrCode Read(char* dst, uint32_t cap, uint32_t* got) override {
        *got = 0;
        if (ClockSteadyMicros() > deadline_) {
            RecordError(kErrNetAccess, kModNetRecv);
            ReportError(kErrNetAccess, StrFromLiteral("The answer took longer than its deadline"));
            return kErrNetAccess;
        }
        return inner_.Read(dst, cap, got);
    }
private:
    ByteSource& inner_;
    uint64_t deadline_;
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

// The address without its query, which may carry credentials.
StrRef WithoutQuery(StrRef address) {
    uint16_t i = 0;
    while (i < address.len && address.ptr[i] != '?') ++i;
    return StrMake(address.ptr, i);
}

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
        SocketSource socket(slot);
        DeadlineSource source(socket, deadline);
        LimitedSink sink(body, limits.maxBody);
        err = ReadResponse(source, sink);
    }
    SocketClose(slot);
    return err;
}

// One address's body into sink.
ErrCode FetchAddress(StrRef address, uint16_t flags, BodySink& target, const FetchLimits& limits) {
    uint16_t mark = PoolMark();
    if (!(flags & kFetchNoLog) && LogEnabled(0, kLogRuntime)) Log(address);
    ErrCode err = kOk;
    if (PathKind(address) == kPathHttps) {
        RecordError(kErrFeatureRemoved, 0);
        err = ReportError(kErrFeatureRemoved, StrFromLiteral("https://"));
    } else {
        StrRef split = SplitAddress(address, kSplitFetch);
        if (!split.ok()) {
            err = StrError(split);
        } else {
            uint16_t nul = 0;
            while (split.ptr[nul] != '\0') ++nul;
            StrRef host = StrMake(split.ptr, nul);
            StrRef path = StrMake(split.ptr + nul + 1, static_cast<uint16_t>(split.len - nul - 1));
            HostPort hp = SplitHostPort(host);
            err = hp.error ? Fail(true, 0, hp.error, 0) : GetInto(hp.name, path, hp.port, target, limits);
        }
    }
    PoolRelease(mark);
    return err;
}

// One address into the open, empty file: written in large blocks, the last one when the body ends.
ErrCode FetchIntoFile(StrRef address, uint16_t flags, FsFile& file, const FetchLimits& limits) {
    FileSink sink(file);
    ErrCode err = FetchAddress(address, flags, sink, limits);
    const ErrCode flushed = sink.Flush();
    return err ? err : flushed;
}

// HttpGet's one request into the open file.
ErrCode GetIntoFile(StrRef host, StrRef path, uint16_t port, FsFile& file) {
    FileSink sink(file);
    ErrCode err = GetInto(host, path, port, sink, FetchLimits{});
    const ErrCode flushed = sink.Flush();
    return err ? err : flushed;
}

// True when the file is missing or holds nothing.
bool OutputIsEmpty(StrRef output) {
    uint64_t length = 0;
    return FsFileSize(CString(output), &length) != kOk || length == 0;
}

// Appends source to the open output.
ErrCode AppendFile(FsFile& output, const char* source) {
    FsFile in;
    ErrCode err = in.Open(source, kFsRead);
    return err ? err : FsCopyBlocks(in, output, kCopyToEnd);
}

// One body appended to the output through a temporary file: nothing reaches the output unless
// the whole body arrived. Nothing to append to: the body becomes the output in one step. A rename
// cannot cross volumes (the temporary folder and the output may lie on different drives); then
// the body is copied like any other.
ErrCode AppendBody(StrRef address, StrRef output, uint16_t flags, const FetchLimits& limits, bool first) {
    FsFile body;
    char temp[kTempPathMax];
    if (ErrCode made = CreateTempFile(StrEmpty(), "kvh", temp, sizeof temp, &body)) return made;
    ErrCode err = FetchIntoFile(address, flags, body, limits);
    ErrCode closed = body.Close();
    if (!err) err = closed;
    bool moved = !err && first && OutputIsEmpty(output) && FsReplaceFile(temp, CString(output)) == kOk;
    if (!err && !moved) {
        FsFile out;
        err = out.Open(CString(output), kFsWrite | kFsCreate | kFsAppend);
        uint32_t put = 0;
        if (!err && !first) err = out.Write("\r\n", 2, &put);
        if (!err) err = AppendFile(out, temp);
        ErrCode outClosed = out.Close();
        if (!err) err = outClosed;
    }
    if (!moved) FsRemoveFile(temp);
    return err;
}

}  // namespace

void SetHttpSeams(const HttpSeams& seams) { gSeams = seams; }

ErrCode HttpGet(StrRef host, StrRef path, uint16_t port, StrRef output) {
    if (!host.ok()) return StrError(host);
    if (!path.ok()) return StrError(path);
    if (!output.ok()) return StrError(output);
    uint16_t mark = PoolMark();
    FsFile file;
    ErrCode err = file.Open(CString(output), kFsWrite | kFsCreate | kFsTruncate) != kOk
                      ? Fail(true, 0, kErrNetAccess, 0)
                      : GetIntoFile(host, path, port, file);
    ErrCode closed = file.Close();
    if (!err) err = closed;
    PoolRelease(mark);
    return err;
}

ErrCode HttpFetchToFile(StrRef addresses, StrRef output, uint16_t flags, const FetchLimits& limits) {
    if (!addresses.ok()) return StrError(addresses);
    if (!output.ok()) return StrError(output);
    uint16_t start = 0;
    bool first = true;
    while (start <= addresses.len) {
        uint16_t end = start;
        while (end < addresses.len && addresses.ptr[end] != '\0') ++end;
        StrRef address = StrMake(addresses.ptr + start, static_cast<uint16_t>(end - start));
        PoolScope scope;
        ErrCode err = 0;
        FsFile direct;
        // An output that does not exist yet is written directly, once; made here, it is removed
        // again when the fetch fails, so that a failure leaves nothing either way.
        if (first && direct.Open(CString(output), kFsWrite | kFsCreate | kFsExclusive) == kOk) {
            err = FetchIntoFile(address, flags, direct, limits);
            ErrCode closed = direct.Close();
            if (!err) err = closed;
            if (err) FsRemoveFile(CString(output));
        } else {
            err = AppendBody(address, output, flags, limits, first);
        }
        if (err) return err;
        first = false;
        if (end == addresses.len) break;
        start = static_cast<uint16_t>(end + 1);
    }
    return kOk;
}

ErrCode HttpFetchToSink(StrRef address, uint16_t flags, BodySink& sink, const FetchLimits& limits) {
    if (!address.ok()) return StrError(address);
    return FetchAddress(address, flags, sink, limits);
}

namespace {

// A short answer kept in memory as it arrives; the fetch's limit bounds it.
class TextSink final : public BodySink {
public:
    ErrCode Write(const char* data, uint32_t n) override {
        bytes_.append(data, n);
        return kOk;
    }
    const std::string& bytes() const { return bytes_; }
private:
    std::string bytes_;
};

}  // namespace

StrRef HttpFetchToString(StrRef address, uint16_t flags, const FetchLimits& limits) {
    if (!address.ok()) return address;
    // No text holds more than kMaxStringBody bytes: a longer body is the text's limit (145)
    // whatever the caller allowed.
    FetchLimits bounded = limits;
    const bool textBound = bounded.maxBody >= kMaxStringBody;
    if (textBound) bounded.maxBody = kMaxStringBody;
    TextSink sink;
    ErrCode err = FetchAddress(address, flags, sink, bounded);
    if (err == kErrDataOutBound && textBound) err = kErrOutOfMemory;
    if (err) return StrErr(err);
    const std::string& body = sink.bytes();
    // The answer goes to the pool only once it is whole, so a fetch made while the caller holds
    // texts does not need the pool's room for its pieces.
    if (body.size() > kMaxStringBody || body.size() > PoolFreeBytes()) return FailStr(true, 0, kErrOutOfMemory, StrErr(0));
    return PoolCopy(StrMake(body.data(), static_cast<uint16_t>(body.size())));
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
            // The query may carry credentials; the answer may be a whole page.
            StrRef shown = (flags & kFetchNoLog) ? WithoutQuery(address) : address;
            StrRef answer = body.len > kMaxAnswerInDetail ? StrMake(body.ptr, kMaxAnswerInDetail) : body;
            ReportError(code, Concat(Concat(StrMake("(", 1), shown), Concat(StrMake(") ", 2), answer)));
        }
        RecordError(code, 0);
    }
    PoolRelease(mark);
    return code;
}

}  // namespace rt
