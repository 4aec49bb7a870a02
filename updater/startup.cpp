// The updater's start-up: everything between the process entry and the choice of run mode.
#include "updater/startup.h"

#include <cstring>

#include "runtime/options.h"
#include "runtime/params.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"

namespace rt {
namespace {

bool IsPathSeparator(char c) { return c == '\\' || c == ':'; }

// "Help" inside folder: separators normalised to '\', one added unless the folder already ends
// with a colon or a separator. A new pool entry.
StrRef HelpFolderIn(StrRef folder) {
    const StrRef base = Replace(folder, StrFromLiteral("/"), StrFromLiteral("\\"), true);
    if (!base.ok()) return base;
    const bool needSep = base.len && !IsPathSeparator(base.ptr[base.len - 1]);
    return Concat(base, StrFromLiteral(needSep ? "\\Help" : "Help"));
}

ErrCode SetIfEmpty(uint16_t item, StrRef value) {
    if (!value.ok()) return StrError(value);
    if (RunParam(item).len) return 0;
    return SetRunParam(item, value);
}

ErrCode SetTraceLevel() {
    const uint16_t mark = PoolMark();
    const StrRef v = OptionValue(kOptTrace);
    const ErrCode code = StrError(v);
    const int16_t level = code ? 0 : ToInt(v);
    PoolRelease(mark);
    if (code) return code;
    return level ? IntSet(kSysTrace, level) : 0;
}

ErrCode SetIdentity() {
    const uint16_t mark = PoolMark();
    const StrRef apname = OptionValue(kOptApName);
    ErrCode code = SetRunParam(kParamAppName, (apname.ok() && apname.len == 0) ? StrFromLiteral(kAppIdentifier) : apname);
    if (!code) code = SetRunParam(kParamAppDescrip, StrFromLiteral(kAppDescription));
    PoolRelease(mark);
    return code;
}

ErrCode SetFolders() {
    const uint16_t mark = PoolMark();
    StrRef folder = OptionValue(kOptDPath);
    if (folder.ok() && folder.len == 0) folder = ProgramFolder(RunParam(kParamCommandLine));
    if (folder.ok() && folder.len == 0) folder = StrFromLiteral(kFallbackAppFolder);
    ErrCode code = SetIfEmpty(kParamAppFolder, folder);
    if (!code && RunParam(kParamHelpFolder).len == 0) {
        // Parameter 5 is read back: it may have been set before start-up.
        code = SetIfEmpty(kParamHelpFolder, HelpFolderIn(RunParam(kParamAppFolder)));
    }
    PoolRelease(mark);
    return code;
}

}  // namespace

StrRef ProgramFolder(StrRef commandLine) {
    if (!commandLine.ok()) return commandLine;
    const StrRef path = Unquote(Trim(Field(commandLine, ' ', 1), kTrimStart | kTrimEnd));
    uint16_t colon = kNpos;
    uint16_t last = kNpos;
    for (uint16_t i = 0; i < path.len; ++i) {
        if (path.ptr[i] == ':' && colon == kNpos) colon = i;
        if (IsPathSeparator(path.ptr[i])) last = i;
    }
    if (last == kNpos) return StrMake(path.ptr, 0);
    // "C:\k.exe" and "\k.exe": the folder is the single separator after the drive.
    const bool rootFolder = path.ptr[last] == '\\' && (last == 0 || last == colon + 1);
    return StrMake(path.ptr, static_cast<uint16_t>(rootFolder ? last + 1 : last == colon ? last + 1 : last));
}

StrRef AppNick() { return FieldRest(RunParam(kParamAppName), ':'); }

ErrCode StartUpSettings(const char* commandLine, RunPlan* plan) {
    if (const ErrCode loaded = LoadDateMessage()) return loaded;  // before any date or box is shown
    ErrCode code = SetCommandLine(commandLine);
    if (!code) code = SetTraceLevel();
    if (!code) code = SetIdentity();
    if (!code) code = SetFolders();
    if (code) return code;
    const RunPlan chosen = PlanRunFromOptions();
    if (chosen.code) return chosen.code;
    if (plan) *plan = chosen;
    return 0;
}

ErrCode StartUp(const char* commandLine, RunPlan* plan) {
    const ErrCode code = SystemVarsInit();
    if (code) return code;
    return StartUpSettings(commandLine, plan);
}

}  // namespace rt
