// Share connections: the router's answers turned into codes and reported once, here.
#include "net/share.h"

#include <cstdio>
#include <initializer_list>

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {

namespace {

ShareSeams gSeams;

bool In(uint32_t v, std::initializer_list<uint32_t> set) {
    for (uint32_t s : set)
        if (s == v) return true;
    return false;
}

}  // namespace

void SetShareSeams(const ShareSeams& seams) { gSeams = seams; }

ShareAnswer MapShareAnswer(uint32_t answer, char* buffer) {
    if (answer == 0) return {0, nullptr};
    if (answer == 1219) return {kErrPermission, "ERROR_SESSION_CREDENTIAL_CONFLICT"};
    if (In(answer, {5, 86, 170, 1205, 1223})) return {kErrPermission, nullptr};
    if (In(answer, {53, 66, 67, 85, 87, 487, 1200, 1204, 1206, 2202})) return {kErrBadInput, nullptr};
    if (In(answer, {1202, 1203, 1208, 1222, 1326})) return {kErrDiskIo, nullptr};
    std::snprintf(buffer, 12, "%lu", static_cast<unsigned long>(answer));
    return {kErrDiskIo, buffer};
}

ErrCode ConnectShare(StrRef remote, StrRef user, StrRef password, StrRef local, bool remember) {
    for (StrRef s : {remote, user, password, local})
        if (!s.ok()) return StrError(s);
    PoolScope scope;
    const char* localName = local.len ? CString(local) : nullptr;
    const uint32_t flags = remember ? kShareUpdateProfile : 0;
    const uint32_t answer = (gSeams.addConnection ? gSeams.addConnection : OsAddConnection)(
        CString(remote), localName, CString(password), CString(user), flags);
    char number[12];
    const ShareAnswer mapped = MapShareAnswer(answer, number);
    if (mapped.code == 0) return 0;
    RecordError(mapped.code, kModDevices);
    ReportError(mapped.code, remote);
    if (mapped.text) ReportError(mapped.code, StrFromLiteral(mapped.text), true);
    return mapped.code;
}

ErrCode DisconnectShare(StrRef remote, bool force) {
    if (!remote.ok()) return StrError(remote);
    PoolScope scope;
    const uint32_t answer = (gSeams.cancelConnection ? gSeams.cancelConnection : OsCancelConnection)(
        CString(remote), kShareUpdateProfile, force);
    return answer == 0 ? 0 : kErrNoCode;
}

}  // namespace rt
