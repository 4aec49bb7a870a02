// Texts of error codes for the user, the detail text of the last error and the "Error #" form.
#include "runtime/errors.h"

#include <cstdio>
#include <cstring>

#include "runtime/catalogue.h"
#include "runtime/error_record.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

// Catalogue messages used here.
constexpr uint16_t kMsgSuccess = 5;
constexpr uint16_t kMsgWarning = 8;
constexpr uint16_t kMsgError = 9;
constexpr uint16_t kMsgLowCodeNames = 23;

// Appending stops short of this many characters; a longer detail is replaced instead.
constexpr uint32_t kDetailLimit = 1024;

constexpr char kServerPrefix[] = "Error #";
constexpr uint16_t kServerPrefixLen = sizeof(kServerPrefix) - 1;

StrRef Lit(const char* text) { return StrFromLiteral(text); }

// Decimal text of n as a new pool entry.
StrRef Decimal(uint32_t n) {
    char buf[16];
    int len = std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(n));
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(len)));
}

}  // namespace

StrRef ErrorDetail() { return StoreGet(kGroupSystem, kItemErrorDetail); }

StrRef ErrorText(ErrCode code) {
    if (code == kErrNoCode) {
        code = LastError().code;
        if (code == 0) code = kErrNoCode;
    }
    if (code == kOk || code == kCompletion) return Message(kMsgSuccess);
    if (code < kCompletion) {
        uint16_t mark = PoolMark();
        StrRef text = Join(Message(kMsgWarning), Lit(":"), MessageField(kMsgLowCodeNames, code));
        return PoolReturn(mark, text);
    }
    if (code == 121 || code == kErrBadUserData) {
        StrRef detail = ErrorDetail();
        // A copy: the detail is a view into the store, which moves on its next change.
        if (detail.ok() && detail.len > 0) return PoolCopy(detail);
    }
    return ErrorName(code);
}

StrRef ErrorMessage(ErrCode code) {
    uint16_t mark = PoolMark();
    StrRef text = ErrorText(code);
    if (code <= kErrUserCanceled || code == kErrBadUserData || !text.ok()) {
        return PoolReturn(mark, text);
    }
    StrRef head = Message(kMsgError);
    StrRef msg = head.ok() ? Concat(head, text) : ErrorString(code, text);
    ErrorRecord rec = LastError();
    if (rec.module != 0) {
        StrRef name = ModuleName(rec.module);
        if (name.ok() && name.len == 0) name = Decimal(rec.module);
        msg = Concat(msg, Concat(Lit("("), Concat(name, Lit(")"))));
    }
    StrRef detail = ErrorDetail();
    if (detail.ok() && detail.len > 0) msg = Join(msg, Lit(": "), detail);
    return PoolReturn(mark, msg);
}

ErrCode ReportError(ErrCode code, StrRef text, bool append) {
    PoolScope scope;
    StrRef detail = ErrorDetail();
    // A detail ending in NUL has been locked by whoever wrote it.
    if (detail.ok() && detail.len > 0 && detail.ptr[detail.len - 1] == '\0') return code;
    if (!text.ok()) {
        // An error value as the text still says what went wrong, rather than keeping a stale detail.
        text = ErrorCodeText(StrError(text));
        if (!text.ok()) text = StrEmpty();
    }
    StrRef next = text;
    if (append && detail.ok() && detail.len > 0 &&
        uint32_t{detail.len} + text.len + 2 < kDetailLimit) {
        next = Join(detail, Lit("\r\n"), text);
        if (!next.ok()) next = text;
    }
    StoreSet(kGroupSystem, kItemErrorDetail, next);
    return code;
}

StrRef WithFailureReason(StrRef subject, const char* reason) {
    if (!reason || !*reason) return subject;
    return Concat(subject, Concat(Lit(" ("), Concat(StrMake(reason, static_cast<uint16_t>(std::strlen(reason))), Lit(")"))));
}

StrRef ErrorCodeText(ErrCode code) {
    char buf[16];
    int len = std::snprintf(buf, sizeof buf, "%s%u", kServerPrefix, static_cast<unsigned>(code));
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(len)));
}

StrRef ErrorString(ErrCode code, StrRef detail) {
    if (code == 0) code = StrError(detail);
    if (!detail.ok()) detail = ErrorDetail();
    if (code == 0) return detail;
    uint16_t mark = PoolMark();
    StrRef text = Join(ErrorCodeText(code), Lit("."), detail);
    return PoolReturn(mark, text);
}

ErrCode ParseServerError(StrRef reply) {
    if (!reply.ok()) return StrError(reply);
    if (StrEq(reply, "Fail")) return kErrUndefWarning;
    if (reply.len < kServerPrefixLen || std::memcmp(reply.ptr, kServerPrefix, kServerPrefixLen) != 0) {
        return kOk;
    }
    uint16_t mark = PoolMark();
    ErrCode code = static_cast<ErrCode>(ToInt(SubStr(reply, kServerPrefixLen, kNpos)));
    if (code == 0) code = kErrNoCode;
    // The server's text is everything after the first point: it is ErrorString's detail, and
    // server texts carry file names ("setup.exe") and apostrophes that must come through whole.
    uint16_t dot = FindChar(reply, 0, '.', true);
    StrRef text = dot == kNpos ? StrEmpty() : SubStr(reply, dot + 1, kNpos);
    StrRef detail = Concat(Lit("Server response: "), text);
    ReportError(code, detail, false);
    PoolRelease(mark);
    return code;
}

ErrCode RecordAndReport(ErrCode code, uint32_t module, StrRef detail, bool append) {
    PoolScope scope;
    RecordError(code, module);
    ReportError(code, detail, append);
    return code;
}

}  // namespace rt
