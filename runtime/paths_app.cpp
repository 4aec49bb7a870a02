// The application's standard folders (AppPath, AppPaths, InAppPath) and the kept folder list.
#include "runtime/paths.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"

namespace rt {

const char kAppPathNames[] =
    "APPPATH_RUNPATH,APPPATH_DEFAULT,APPPATH_DATA,APPPATH_DOCS,APPPATH_HELP,APPPATH_BACKUP,APPPATH_BACKREL";

namespace {

constexpr uint16_t kAuxStatLists = 0x4000;  // data lives in "lists" beside the base, not "..\data"

// The program file is the first word of the command line; a quoted first word holds its
// blanks, as every field of a blank-separated list does.
StrRef RunPath() {
    StrRef line = Trim(RunParam(kParamCommandLine), kTrimStart | kTrimEnd);
    StrRef word = Unquote(Trim(Field(line, ' ', 1), kTrimStart | kTrimEnd));
    return PathPart(word, kPathDriveFolder);
}

StrRef DocsPath() {
    StrRef docs = RunParam(kParamDocsFolder);
    return docs.len ? PoolCopy(docs) : CurrentFolder();
}

StrRef DataPath() {
    uint16_t mark = PoolMark();
    StrRef drive = PathPart(RunPath(), kPathDrive);
    // Drives past E: are network or removable drives that carry the application's own folder.
    StrRef base = drive.ok() && drive.len && drive.at(0) > 'E' ? PoolCopy(RunParam(kParamAppFolder)) : DocsPath();
    StrRef rel = FlagTest(kSysAuxStat, kAuxStatLists) ? StrFromLiteral("lists") : StrFromLiteral("..\\data");
    return PoolReturn(mark, PathResolve(base, rel));
}

StrRef BackRelPath() {
    uint16_t mark = PoolMark();
    StrRef db = RunParam(kParamDatabase);
    StrRef host = TrimUnquote(Field(db, ',', 1));
    StrRef name = TrimUnquote(Field(db, ',', 2));
    StrRef path = PathJoin(CurrentFolder(), StrFromLiteral("Backups"));
    path = PathJoin(path, host);
    path = PathJoin(path, name);
    return PoolReturn(mark, path);
}

}  // namespace

StrRef AppPath(uint16_t bit) {
    uint16_t mark = PoolMark();
    StrRef out;
    switch (bit) {
        case kAppPathRunPath: out = RunPath(); break;
        case kAppPathDefault: out = RunParam(kParamAppFolder); break;
        case kAppPathData: out = DataPath(); break;
        case kAppPathDocs: out = DocsPath(); break;
        case kAppPathHelp: {
            StrRef help = RunParam(kParamHelpFolder);
            out = help.len ? help : PathResolve(RunParam(kParamAppFolder), StrFromLiteral("Help"));
            break;
        }
        case kAppPathBackup: out = PathResolve(RunParam(kParamDocsFolder), StrFromLiteral("Backups")); break;
        case kAppPathBackRel: out = BackRelPath(); break;
        default: out = StrEmpty(); break;
    }
    // Views into the store do not survive its next change: callers get their own copy.
    return PoolReturn(mark, out);
}

StrRef AppPaths(uint16_t bits) {
    uint16_t mark = PoolMark();
    StrRef all = StrEmpty();
    for (uint16_t k = 0; k < 16 && all.ok(); ++k) {
        const uint16_t bit = static_cast<uint16_t>(1u << k);
        if (!(bits & bit)) continue;
        all = Join(all, StrFromLiteral(","), AppPath(bit));
    }
    return PoolReturn(mark, all);
}

StrRef InAppPath(StrRef name, uint16_t bits) {
    if (!name.ok()) return name;
    uint16_t mark = PoolMark();
    return PoolReturn(mark, PathJoin(AppPaths(bits), name));
}

StrRef KeptList(uint16_t n) {
    StrRef list = StoreGet(kGroupSystem, kItemPathList);
    return PoolCopy(n == 0 ? list : Field(list, ',', n));
}

StrRef KeptList(uint16_t n, StrRef value) {
    if (!value.ok()) return value;
    uint16_t mark = PoolMark();
    StrRef list = n == 0 ? value : SetField(PoolCopy(StoreGet(kGroupSystem, kItemPathList)), value, ',', n);
    if (!list.ok()) return PoolReturn(mark, list);
    if (ErrCode err = StoreSet(kGroupSystem, kItemPathList, list)) {
        PoolRelease(mark);
        return StrErr(err);
    }
    PoolRelease(mark);
    return KeptList(n);
}

}  // namespace rt
