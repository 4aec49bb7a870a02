// Request addresses, the status query and the list request of the update-server protocol.
#include "updater/server_protocol.h"

#include "protocol/desktop_report.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "net/http_client.h"
#include "net/http_response.h"
#include "runtime/dates.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/whole_file.h"
#include "protocol/file_list.h"
#include "protocol/manifest.h"
#include "protocol/transfer_header.h"
#include "updater/credentials.h"
#include "updater/run_ui.h"

namespace rt {

namespace {

ServerSeams gSeams{};

FetchExpectOkFn FetchExpectOk() { return gSeams.fetchExpectOk ? gSeams.fetchExpectOk : HttpFetchExpectOk; }
PasswordResetFn ResetSeam() { return gSeams.passwordReset ? gSeams.passwordReset : PasswordReset; }
CredentialsFn CredentialsSeam() { return gSeams.credentials ? gSeams.credentials : NickCredentials; }

// Bytes that may not travel raw in a query value: they would end the request line, start a new
// parameter or a fragment, or read as an escape on the server.
bool NeedsEscape(unsigned char c) {
    return c <= 0x20 || c == 0x7F || c == '"' || c == '#' || c == '%' || c == '&';
}

// Appends s to buf (at *used, capacity cap) with the bytes above as %XX. False when it does not fit.
bool AppendEscaped(char* buf, uint32_t cap, uint32_t* used, StrRef s) {
    static const char kHex[] = "0123456789ABCDEF";
    for (uint16_t i = 0; i < s.len; ++i) {
        auto c = static_cast<unsigned char>(s.ptr[i]);
        uint32_t need = NeedsEscape(c) ? 3 : 1;
        if (*used + need > cap) return false;
        if (need == 3) {
            buf[(*used)++] = '%';
            buf[(*used)++] = kHex[c >> 4];
            buf[(*used)++] = kHex[c & 15];
        } else {
            buf[(*used)++] = static_cast<char>(c);
        }
    }
    return true;
}

bool AppendRaw(char* buf, uint32_t cap, uint32_t* used, const char* s, uint32_t n) {
    if (*used + n > cap) return false;
    std::memcpy(buf + *used, s, n);
    *used += n;
    return true;
}
bool AppendRaw(char* buf, uint32_t cap, uint32_t* used, const char* lit) {
    return AppendRaw(buf, cap, used, lit, static_cast<uint32_t>(std::strlen(lit)));
}

// Position just after the third '/', where the fourth "/"-separated field starts; kNpos when the
// text has fewer than three.
uint16_t FourthFieldStart(StrRef s) {
    int slashes = 0;
    for (uint16_t i = 0; i < s.len; ++i)
        if (s.ptr[i] == '/' && ++slashes == 3) return static_cast<uint16_t>(i + 1);
    return kNpos;
}

StrRef OrZero(StrRef s) { return (s.ok() && s.len > 0) ? s : StrFromLiteral("0"); }

}  // namespace

void SetServerSeams(const ServerSeams& seams) { gSeams = seams; }
const ServerSeams& ServerSeamsInUse() { return gSeams; }
PoolText ServerCredentials(StrRef nick) { return CredentialsSeam()(nick); }

bool NeedsCredentials(StrRef source) {
    return source.ok() && FindChar(source, 0, '?', true) == kNpos && FourthFieldStart(source) != kNpos;
}

PoolText BuildRequestAddress(StrRef source, StrRef credentials) {
    if (!source.ok()) return source;
    if (FindChar(source, 0, '?', true) != kNpos) return source;
    uint16_t pathAt = FourthFieldStart(source);
    if (pathAt == kNpos) return StrErr(RecordAndReport(kErrBadInput, kModNetSend, source));
    if (!credentials.ok()) return credentials;
    if (credentials.len == 0) return StrErr(kErrUserCanceled);
    uint16_t nul = 0;
    while (nul < credentials.len && credentials.ptr[nul] != '\0') ++nul;
    StrRef user = StrMake(credentials.ptr, nul);
    StrRef passw = nul < credentials.len ? StrMake(credentials.ptr + nul + 1, static_cast<uint16_t>(credentials.len - nul - 1))
                                         : StrEmpty();
    char buf[kMaxRequestAddress];
    uint32_t used = 0;
    const uint32_t cap = kMaxRequestAddress;
    bool ok = AppendRaw(buf, cap, &used, source.ptr, pathAt) &&
              AppendRaw(buf, cap, &used, "cgi-bin/updater?view=12&user=") && AppendEscaped(buf, cap, &used, user) &&
              AppendRaw(buf, cap, &used, "&passw=") && AppendEscaped(buf, cap, &used, passw) &&
              AppendRaw(buf, cap, &used, "&path=") &&
              AppendEscaped(buf, cap, &used, StrMake(source.ptr + pathAt, static_cast<uint16_t>(source.len - pathAt)));
    if (!ok) return StrErr(RecordAndReport(kErrStringTooLong, kModFormatStrings, source));
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(used)));
}

namespace {

// The state record keeps the time of the last update as a typed time ("10:00:00"); the request
// sends it as a number of milliseconds since midnight. A time that does not read counts as none.
StrRef TimeInMilliseconds(StrRef time) {
    if (!time.ok() || time.len == 0 || FindChar(time, 0, ':', false) == kNpos) return time;
    int64_t ms = 0;
    if (ReadTime(time, &ms) != 0 || ms < 0) return StrEmpty();
    return Format(16, "%lld", static_cast<long long>(ms));
}

}  // namespace

PoolText StatusQueryAddress(StrRef requestAddress, StrRef lastDate, StrRef lastTime) {
    if (!requestAddress.ok()) return requestAddress;
    PoolScope scope;
    lastTime = TimeInMilliseconds(lastTime);
    char buf[kMaxRequestAddress + 64];
    uint32_t used = 0;
    const uint32_t cap = sizeof buf;
    bool ok = AppendRaw(buf, cap, &used, requestAddress.ptr, requestAddress.len) &&
              AppendRaw(buf, cap, &used, "&downfile=none&date=") && AppendEscaped(buf, cap, &used, OrZero(lastDate)) &&
              AppendRaw(buf, cap, &used, "&time=") && AppendEscaped(buf, cap, &used, OrZero(lastTime));
    if (!ok) return StrErr(RecordAndReport(kErrStringTooLong, kModFormatStrings, requestAddress));
    return scope.Return(PoolCopy(StrMake(buf, static_cast<uint16_t>(used))));
}

PoolText DownloadAddress(StrRef listAddress, StrRef name) {
    if (!listAddress.ok()) return listAddress;
    if (!name.ok()) return name;
    uint32_t cap = static_cast<uint32_t>(listAddress.len) + 11 + 3u * name.len;
    if (cap > kMaxText) cap = kMaxText;
    uint16_t mark = PoolMark();
    ErrCode err = 0;
    char* buf = PoolBuffer(cap, &err);
    if (!buf) return StrErr(err ? err : kErrOutOfMemory);
    uint32_t used = 0;
    bool ok = AppendRaw(buf, cap, &used, listAddress.ptr, listAddress.len) &&
              AppendRaw(buf, cap, &used, "/&downfile=") && AppendEscaped(buf, cap, &used, name);
    if (!ok) {
        PoolRelease(mark);
        return StrErr(RecordAndReport(kErrStringTooLong, kModFormatStrings, name));
    }
    for (uint32_t i = 0; i < used; ++i)
        if (buf[i] == '\\') buf[i] = '/';
    return PoolShrinkTop(static_cast<uint16_t>(used));
}

ErrCode StatusQuery(StrRef source, StrRef credentials, StrRef lastDate, StrRef lastTime, StrRef nick) {
    ErrCode result = kErrPermission;
    for (int attempt = 1; attempt <= kStatusAttempts; ++attempt) {
        uint16_t mark = PoolMark();
        StrRef address = StatusQueryAddress(BuildRequestAddress(source, credentials), lastDate, lastTime);
        // The address carries the credentials, so it stays out of the log.
        result = address.ok() ? FetchExpectOk()(address, kFetchNoLog) : StrError(address);
        PoolRelease(mark);
        if (result != kErrPermission || attempt == kStatusAttempts) break;
        if (ResetSeam()(StrFromLiteral("Kelvane"), StrEmpty()) != 0) break;
        credentials = CredentialsSeam()(nick);
    }
    return result;
}

ErrCode ServerAnswerIn(const char* answer, uint32_t n) {
    if (n <= 7) return 0;
    uint16_t mark = PoolMark();
    const ErrCode code = ParseServerError(StrMake(answer, static_cast<uint16_t>(n < kServerAnswerProbe ? n : kServerAnswerProbe)));
    if (code != 0) RecordError(code, kModNetRecv);
    PoolRelease(mark);
    return code;
}

ErrCode ReadListAnswer(const char* answer, uint32_t n, StrRef listAddress, FolderListing* listing) {
    // The transfer header is not checked; what follows it is the list body.
    const uint32_t bodyLen = n > kTransferHeaderSize ? n - kTransferHeaderSize : 0;
    FolderListing parsed;
    const ErrCode err = ParseFileList(bodyLen ? answer + kTransferHeaderSize : "", bodyLen, &parsed);
    if (err != 0) return err;
    parsed.folder = listAddress;
    *listing = std::move(parsed);
    return 0;
}

ErrCode FetchServerList(StrRef listAddress, StrRef nick, FolderListing* listing, std::string* listDigest) {
    if (!listAddress.ok()) return StrError(listAddress);
    // The longest list answer the parser would take; anything longer is refused at its first
    // byte beyond.
    FetchLimits limits;
    limits.maxBody = kTransferHeaderSize + kMaxListBody + 2;
    BufferSink answer;
    ErrCode err = HttpFetchToSink(listAddress, kFetchNoLog, answer, limits);
    if (err == 0) err = ServerAnswerIn(answer.data(), answer.size());
    if (err == 0) err = ReadListAnswer(answer.data(), answer.size(), listAddress, listing);
    if (err == 0 && listDigest) *listDigest = ListDigest(answer.data(), answer.size());
    if (err == kErrPermission) {
        // The reset's list must not sit behind the status window.
        HideStep();
        ResetSeam()(nick, StrEmpty());
    }
    return err;
}

ErrCode FetchManifestText(StrRef listAddress, std::string* text) {
    text->clear();
    PoolScope scope;
    StrRef address = DownloadAddress(listAddress, StrFromLiteral(kManifestName));
    if (!address.ok()) return StrError(address);
    FetchLimits limits;
    limits.maxBody = kTransferHeaderSize + kMaxManifestBytes;
    BufferSink answer;
    if (ErrCode err = HttpFetchToSink(address, kFetchNoLog, answer, limits)) return err;
    // An error answer is a folder without a manifest: the signature check says so.
    if (ServerAnswerIn(answer.data(), answer.size()) != 0) return 0;
    const TransferHeader header = ParseTransferHeader(answer.data(), answer.size());
    if (header.error || header.size != answer.size() - kTransferHeaderSize)
        return RecordAndReport(kErrTransUp, kModNetRecv, StrFromLiteral(kManifestName));
    text->assign(answer.data() + kTransferHeaderSize, header.size);
    return 0;
}

}  // namespace rt
