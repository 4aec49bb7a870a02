// %NAME% references against standard folders, the environment and the run-time parameters; the
// environment, temporary and working folders.
#include <cstring>

#include "runtime/fs.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {

const char kEnvironmentNames[] =
    "ALLUSERSPROFILE,APPDATA,ProgramData,CommonProgramFiles,HOMEDRIVE,HOMEPATH,ProgramFiles,"
    "ProgramFiles(x86),SYSTEMDRIVE,SystemRoot,TEMP,USERPROFILE";

namespace {

const char kLinuxRootName[] = "LINUX_ROOT";
const char kLinuxRootValue[] = "P:\\test\\Linux_root";

StrRef Lit(const char* s) { return StrFromLiteral(s); }

// Field number of name in the environment list: as written, then both sides lower-cased.
uint16_t EnvironmentIndex(StrRef name) {
    StrRef list = Lit(kEnvironmentNames);
    if (uint16_t k = ListIndex(list, name, ',')) return k;
    uint16_t mark = PoolMark();
    uint16_t k = ListIndex(Case(list, 2), Case(name, 2), ',');
    PoolRelease(mark);
    return k;
}

// The value of a reference name, or an error value when the name is none of the fixed ones.
StrRef FixedReference(StrRef name) {
    if (StrEq(name, kLinuxRootName)) return Lit(kLinuxRootValue);
    if (uint16_t k = ListIndex(Lit(kAppPathNames), name, ',')) return AppPath(static_cast<uint16_t>(1u << (k - 1)));
    if (uint16_t k = EnvironmentIndex(name)) {
        // The list's own spelling: the same variable on Windows, and the only one elsewhere.
        return EnvValue(Field(Lit(kEnvironmentNames), ',', k));
    }
    return StrErr(kErrOutOfData);
}

}  // namespace

StrRef EnvValue(StrRef name) {
    if (!name.ok()) return name;
    if (name.len == 0) return StrEmpty();
    uint16_t mark = PoolMark();
    return PoolReturn(mark, FsEnvironment(CString(name)));
}

StrRef TempFolder() { return EnvValue(Lit("TEMP")); }

StrRef CurrentFolder() {
    StrRef cwd = FsCurrentFolder(kMaxFolderText);
    return cwd.ok() ? cwd : StrEmpty();
}

StrRef TempTemplate(StrRef pattern) {
    if (!pattern.ok()) return pattern;
    PoolScope scope;
    if (pattern.len == 0) pattern = PathJoin(TempFolder(), Lit("%s"));
    if (!pattern.ok()) return pattern;
    if (pattern.len < 2 || pattern.ptr[pattern.len - 2] != '%' || pattern.ptr[pattern.len - 1] != 's')
        return StrErr(kErrBadInput);
    const uint32_t len = pattern.len - 2u + 6u + 1u;
    if (len > kMaxText) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* w = PoolBuffer(len, &err);
    if (!w) return StrErr(err ? err : kErrOutOfMemory);
    std::memcpy(w, pattern.ptr, pattern.len - 2u);
    std::memcpy(w + pattern.len - 2, "XXXXXX", 7);
    return scope.Return(StrMake(w, static_cast<uint16_t>(len)));
}

StrRef ExpandRefs(StrRef text) {
    if (!text.ok()) return text;
    uint16_t mark = PoolMark();
    // Each round removes at least one reference, unless a value brings it back; the bound ends
    // such a loop with the text as it then stands.
    for (uint16_t round = 0; round < kMaxRefRounds; ++round) {
        StrRef name = Between(text, '%', true);
        if (!name.ok()) return PoolReturn(mark, name);
        if (name.len == 0) break;
        StrRef value = FixedReference(name);
        StrRef next;
        if (value.ok()) {
            // The pair exactly as the text spells it.
            StrRef pair = StrMake(name.ptr - 1, static_cast<uint16_t>(name.len + 2));
            next = Replace(text, pair, value, true);
        } else {
            next = ExpandParams(text);
        }
        if (!next.ok()) return PoolReturn(mark, next);
        text = PoolReturn(mark, next);
    }
    return PoolReturn(mark, ExpandParams(text));
}

}  // namespace rt
