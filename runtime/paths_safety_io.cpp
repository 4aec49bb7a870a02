// The file-permission check: confines reads and writes to the root folder and to the folders of
// the read and write lists when _SAFE switches it on.
#include <cstdio>
#include <cstring>

#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"

namespace rt {

namespace {

// The shared scratch folder that every program may use whatever its root.
const char kGlobalTemp[] = "W:\\0_global\\temp";

StrRef Lit(const char* s) { return StrFromLiteral(s); }

StrRef Decimal(const char* label, unsigned value) {
    char buf[48];
    int n = std::snprintf(buf, sizeof buf, "%s%u", label, value);
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(n)));
}

// True when a field of path, split at '\', is "..".
bool HasUpStep(StrRef path) {
    for (uint16_t i = 0; i + 1 < path.len; ++i) {
        if (path.ptr[i] != '.' || path.ptr[i + 1] != '.') continue;
        bool starts = i == 0 || path.ptr[i - 1] == '\\' || path.ptr[i - 1] == ':';
        bool ends = i + 2 == path.len || path.ptr[i + 2] == '\\';
        if (starts && ends) return true;
    }
    return false;
}

bool UnderRoot(StrRef path) {
    StrRef root = RunParam(kParamAppFolder);
    if (root.len == 0) return true;
    if (path.len == 0) return false;
    uint16_t mark = PoolMark();
    StrRef folder = PathPart(path, kPathFolder);
    bool ok = true;
    if (folder.len && (folder.ptr[0] == '\\' || folder.ptr[0] == '.')) {
        if (folder.ptr[0] == '.') path = PathResolve(CurrentFolder(), path);
        root = RunParam(kParamAppFolder);
        ok = path.ok() && path.len >= root.len && std::memcmp(path.ptr, root.ptr, root.len) == 0;
    }
    // A ".." left inside the path climbs out of whatever folder its start names.
    if (ok && path.ok() && HasUpStep(path)) ok = false;
    PoolRelease(mark);
    return ok;
}

// Whether the folder of path is a field of the list (1 readable, 2 writable) of parameter 4.
bool InList(StrRef path, int which) {
    StrRef lists = RunParam(kParamSafetyLists);
    const char* nul = static_cast<const char*>(std::memchr(lists.ptr, '\0', lists.len));
    StrRef list = which == 1 ? StrMake(lists.ptr, static_cast<uint16_t>(nul ? nul - lists.ptr : lists.len))
                             : (nul ? StrMake(nul + 1, static_cast<uint16_t>(lists.ptr + lists.len - nul - 1))
                                    : StrMake(lists.ptr, 0));
    uint16_t mark = PoolMark();
    bool found = ListIndex(list, PathPart(path, kPathDriveFolder), ',') != 0;
    PoolRelease(mark);
    return found;
}

ErrCode Check(uint16_t flags, StrRef path, uint16_t safe) {
    if (!(flags & (safe | kSafeReadList | kSafeWriteList))) {
        StrRef why = Join(Decimal("flag: ", flags), Lit(", "), Decimal("safetyIo: ", safe));
        ReportError(kErrPermission, why, true);
        return kErrPermission;
    }
    if ((flags & kSafeRoot) && !StrEq(PathPart(path, kPathDriveFolder), kGlobalTemp) && !UnderRoot(path)) {
        StrRef why = Concat(Lit("not chrooted to "), PathPart(path, kPathDriveFolder));
        ReportError(kErrPermission, why, true);
        return kErrPermission;
    }
    if ((flags & (kSafeRoot | kSafeReadList)) && RunParam(kParamSafetyLists).len) {
        if ((flags & kSafeReadList) && !InList(path, 1)) return kErrPermission;
        if ((flags & kSafeWriteList) && !InList(path, 2)) return kErrPermission;
    }
    return 0;
}

}  // namespace

ErrCode safetyIo(uint16_t flags, StrRef path) {
    const uint16_t safe = static_cast<uint16_t>(IntGet(kSysSafe));
    if (!(safe & kSafeOn)) return 0;
    if (!path.ok()) return StrError(path);
    uint16_t mark = PoolMark();
    const ErrCode result = Check(flags, path, safe);
    if (LogEnabled(result, kLogRuntime)) {
        StrRef before = PoolCopy(ErrorDetail());
        ReportError(result, path, true);
        StrRef resource = Join(Concat(Lit("resource: "), path), Lit(", "), before);
        Log(Concat(Lit("SafetyIoPermission: "), ErrorString(result, resource)));
    }
    PoolRelease(mark);
    return result;
}

}  // namespace rt
