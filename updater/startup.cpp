// The updater's start-up: everything between the process entry and the choice of run mode.
#include "updater/startup.h"

#include <cstring>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/file_info.h"
#include "runtime/fs.h"
#include "runtime/log.h"
#include "runtime/options.h"
#include "runtime/paths.h"
#include "runtime/params.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "ui/font_stack.h"
#include "ui/window_start.h"
#include "updater/command_words.h"
#include "updater/version.h"

namespace rt {
namespace {

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

// DPATH names the program to check; its folder is the application's, where a RUN of the same
// program finds the credentials too. A value that is a folder stays as it is.
StrRef DPathFolder(StrRef dpath) {
    if (!dpath.ok() || dpath.len == 0 || IsFolder(dpath)) return dpath;
    const bool program = (dpath.len > 4 && CompareFold(SubStr(dpath, -4, 4), StrFromLiteral(".exe"), true) == 0) ||
                         PathExists(dpath) == 0;
    return program ? PathPart(dpath, kPathDriveFolder) : dpath;
}

ErrCode SetFolders() {
    PoolScope scope;
    StrRef folder = DPathFolder(OptionValue(kOptDPath));
    if (folder.ok() && folder.len == 0) folder = AppPath(kAppPathRunPath);
    if (folder.ok() && folder.len == 0) folder = StrFromLiteral(kFallbackAppFolder);
    if (ErrCode code = SetIfEmpty(kParamAppFolder, folder)) return code;
    // Read after parameter 5 is settled: the help folder is found from it.
    return SetIfEmpty(kParamHelpFolder, AppPath(kAppPathHelp));
}

// APSTART names the working folder, where config.txt, kelvane.dat and the log are: the elevated
// copy, which the shell starts in a folder of its own choosing, gets it from the relaunch. A
// folder that cannot be entered ends the start-up rather than let the run act on another one.
ErrCode SetWorkingFolder() {
    PoolScope scope;
    const StrRef folder = OptionValue(kOptApStart);
    if (!folder.ok()) return StrError(folder);
    if (folder.len == 0 || FsSetCurrentFolder(CString(folder)) == 0) return 0;
    return RecordAndReport(kErrFileNotFound, kModAuxParam, Concat(StrFromLiteral("APSTART:"), folder));
}

}  // namespace

PoolText AppNick() { return FieldRest(RunParam(kParamAppName), ':'); }

ErrCode StartUpSettings(RunPlan* plan) {
    if (const ErrCode loaded = LoadDateMessage()) return loaded;  // before any date or box is shown
    std::vector<std::string> stray;
    ErrCode code = TidyCommandWords(&stray);
    if (!code) code = SetWorkingFolder();
    if (!code) code = SetTraceLevel();
    if (!code) code = SetIdentity();
    if (!code) code = SetFolders();
    if (code) return code;
    // Which build ran: after a self-update or an MSI upgrade the log tells the versions apart.
    {
        PoolScope scope;
        Log(Concat(Concat(StrFromLiteral(kAppDescription), StrFromLiteral(" ")), StrFromLiteral(kUpdaterVersion)));
    }
    for (const std::string& word : stray) {
        PoolScope scope;
        Log(Concat(StrFromLiteral("Ignored, neither an option nor a known switch: "), StrMake(word.data(), static_cast<uint16_t>(word.size()))));
    }
    const RunPlan chosen = PlanRunFromOptions();
    if (chosen.code) {
        // No window is up yet and none will be: the log says why the run ended here.
        PoolScope scope;
        Log(ErrorMessage(chosen.code));
        return chosen.code;
    }
    if (plan) *plan = chosen;
    return 0;
}

ErrCode StartUp(void* instance, const char* commandLine, RunPlan* plan) {
    // Every window is sized in cells of the top font; without this one the layer would fall back
    // to the OEM cell, in which the forms' labels run under their fields.
    PushFont(kStartupFont.height, kStartupFont.width, kStartupFont.attrs, kStartupFont.face);
    if (ErrCode code = WindowLayerStart(instance, commandLine, SystemVarsInit)) return code;
    return StartUpSettings(plan);
}

}  // namespace rt
