// The run modes and what ends a run: completion, relaunch, the program's start, the error box.
#include "updater/run_modes.h"

#include <string>

#include "net/http_client.h"
#include "net/path_kind.h"
#include "runtime/catalogue.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/log.h"
#include "runtime/options.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/staged_update.h"
#include "runtime/temp_file.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "ui/launch.h"
#include "updater/command_words.h"
#include "updater/config_editor.h"
#include "updater/copy_decision.h"
#include "updater/config_file.h"
#include "updater/credentials.h"
#include "updater/http_update.h"
#include "updater/preferences.h"
#include "updater/run_ui.h"
#include "updater/startup.h"
#include "updater/update_options.h"
#include "updater/messages.h"

namespace rt {

namespace {

// How long a new updater waits for the old one to end before it gives up (the next start of the
// old one starts it again).
constexpr uint32_t kFinishWaitMs = 30000;
// Set once an update run wrote its report line.
bool gReported = false;
// The serious result a program run showed, so that the run's end does not show it again.
ErrCode gShownCode = 0;
// Set once an elevated copy ran to its end: it showed what there was to show, and its exit code
// is this run's result.
bool gHandedOver = false;

// The report line; a run that got as far as choosing its folder names it at the end, so that the
// lines of a batch run over config.txt tell which application each belongs to.
void WriteReport(ErrCode code, const std::string& folder = std::string()) {
    PoolScope scope;
    StrRef line = Concat(Concat(StrFromLiteral("Update Report: "), ErrorText(code)), StrFromLiteral(" CommandLine: "));
    line = Concat(line, PasswordsHidden(RunParam(kParamCommandLine)));
    if (!folder.empty())
        line = Concat(Concat(line, StrFromLiteral(" Folder: ")), StrMake(folder.data(), static_cast<uint16_t>(folder.size())));
    Log(line);
    gReported = true;
}

SyncResult Update(RunFlags flags, StrRef host, uint16_t application, std::string* folder) {
    PoolScope scope;
    StrRef pair = UpdateOptions(flags, host, application);
    if (!pair.ok()) return {StrError(pair), 0};
    if (pair.len == 0) return {kErrUserCanceled, 0};
    // A target confirmed when the pair was chosen is not asked about again by the HTTP checks.
    if (ConfirmSwitch()) flags &= static_cast<RunFlags>(~RunFlag::Confirm);
    StrRef source = PairSource(pair);
    StrRef target = PairTarget(pair);
    if (target.ok()) folder->assign(target.ptr, target.len);
    if (!target.ok() || target.len == 0 || PathExists(target) != 0 || !IsFolder(target)) {
        RecordAndReport(kErrBadInput, kModStreams, target.ok() ? target : StrEmpty());
        return {kErrBadInput, 0};
    }
    // One update of a folder at a time; before it, what a killed run left there is finished and
    // its leftovers go, without the network. An update left unfinished (a file held open) is
    // finished before any other: a new commit would write its journal over the one still needed.
    FolderLock lock(target);
    if (lock.error()) return {lock.error(), 0};
    if (ErrCode err = RecoverFolder(target)) return {err, 0};
    // The new updater waits to take its name: it finishes first, the next run updates.
    if (ProgramDeferred()) return {0, 0};
    RemoveStaleTempFiles(TempFolder(), kStaleTempSeconds);
    if (IsWebSource(source)) return HttpUpdate(source, target, flags);
    // A check (DPATH) says what an update would copy and copies nothing, whatever the source.
    const bool apply = (flags & RunFlag::Apply) != 0;
    SyncResult r = ShareUpdate(source, target, TransferMask(flags, UpdateSource::ShareOrFolder), apply);
    if (!apply && r.code == 0) r.code = r.count ? kErrUndefWarning : kErrUserCanceled;
    return r;
}

// 131 asks for the elevated copy, unless nobody may be asked: a batch run ends with 131 and says
// why in the log.
ErrCode AfterNotWritable(ErrCode result) {
    if (result != kErrFileIo) return result;
    PoolScope scope;
    // A full disk is no matter of rights: no administrator's copy would find more room.
    if (FindStr(ErrorDetail(), StrFromLiteral(kFsReasonDiskFull), true) != kNpos) {
        Log(Concat(StrFromLiteral("No room: "), ErrorDetail()));
        return result;
    }
    if (CurrentRunUi().Attended()) return ElevatedRelaunch();
    Log(Concat(StrFromLiteral("Not writable; a batch run does not ask to run as administrator: "), ErrorDetail()));
    return result;
}

// The completion of an update run, unless the elevated copy already showed its own.
ErrCode Completion(SyncResult r) { return gHandedOver ? r.code : ShowCompletion(r.code, r.count); }

}  // namespace

// The new updater that waits to take the running one's name starts once this run has released
// the folder, and takes it when this run has ended.
void FinishSelfUpdateLater() {
    const std::string staged = TakeDeferredProgram();
    if (staged.empty()) return;
    PoolScope scope;
    const StrRef quoted = Concat(Concat(StrFromLiteral("\""), StrMake(staged.data(), static_cast<uint16_t>(staged.size()))),
                                 StrFromLiteral("\""));
    if (Spawn(Concat(Concat(quoted, StrFromLiteral(" ")), Concat(quoted, StrFromLiteral(" /MODE:FINISH"))), 0) != 0)
        Log(Concat(StrFromLiteral("Not started, the new updater: "), quoted));
}

SyncResult UpdateRun(RunFlags flags, StrRef host, uint16_t application) {
    std::string folder;
    SyncResult r = Update(flags, host, application, &folder);
    FinishSelfUpdateLater();
    HideStep();
    // The report carries the run's final code: after a relaunch, its code and its own detail.
    r.code = AfterNotWritable(r.code);
    WriteReport(r.code, folder);
    return r;
}

ErrCode AdministrationMenu(RunFlags flags, StrRef host) {
    // One menu window serves the whole loop; the forms open over it.
    for (MenuUse use = MenuUse::Open;; use = MenuUse::Again) {
        PoolScope scope;
        StrRef items = Join(Join(MessageField(kMsgAdminItems, 1), StrFromLiteral(","), Message(kMsgConfiguration)),
                            StrFromLiteral(","), MessageField(kMsgAdminItems, 2));
        const uint16_t choice = ChooseOne(Message(kMsgChoose), items, use);
        if (choice == 0) break;
        ErrCode done = 0;
        if (choice == 1) {
            done = StrError(GetCredentials(kCredentialsAsk, AppNick(), StrFromLiteral(kUserVariable),
                                           StrFromLiteral(kPasswordVariable)));
        } else if (choice == 2) {
            done = ConfigurationEditor(host);
        } else if (choice == 3) {
            done = PreferencesPanel(flags & ~RunFlag::ProgramGiven, StrEmpty());
        }
        // The menu stays; what went wrong is said before it comes back.
        if (done >= kFirstSerious) ShowResult(done);
    }
    return AskUser(Message(kMsgContinue)) ? 0 : kErrUserCanceled;
}

PoolText RelaunchParameters() {
    PoolScope scope;
    // What decides what is updated from where, and where the run's own files are.
    static constexpr Option kPassed[] = {kOptRun, kOptInput, kOptOutput, kOptHost, kOptApName, kOptTrace};
    // The switch tells the copy that it is one: it skips the checks this run made and leaves the
    // program to this run, which starts it as the user once the copy has ended.
    StrRef parameters = Concat(Concat(StrFromLiteral("/"), StrFromLiteral(kRelaunchedSwitch)),
                               Concat(StrFromLiteral(" APSTART:"), Quote(CurrentFolder(), '\'')));
    for (Option option : kPassed) {
        const StrRef value = OptionValue(option);
        if (!value.ok() || value.len == 0) {
            if (!value.ok()) return value;
            continue;
        }
        const StrRef quoted = Quote(value, '\'');
        if (!quoted.ok()) return quoted;
        parameters = Concat(Concat(parameters, StrFromLiteral(" ")), Concat(Concat(OptionName(option), StrFromLiteral(":")), quoted));
    }
    return scope.Return(parameters);
}

ErrCode ElevatedRelaunch() {
    PoolScope scope;
    // The copy a relaunch started never starts another, elevated or not.
    if (IsElevated() || RelaunchedCopy()) {
        return RecordAndReport(kErrInternal, kModStreams,
                               Concat(StrFromLiteral("Not writable even as administrator: "), ErrorDetail()));
    }
    StrRef parameters = RelaunchParameters();
    if (!parameters.ok()) return StrError(parameters);
    StrRef self = FirstWord(RunParam(kParamCommandLine));
    uint32_t copyExit = kExitUnknown;
    if (const ErrCode err = RunElevated(self, parameters, PathExists, &copyExit)) return err;
    gHandedOver = true;
    // A shell that started the copy without giving its process: the copy goes on alone. What the
    // copy ended with, it has shown.
    gShownCode = copyExit > 0xFFFFu ? kErrUndefWarning : static_cast<ErrCode>(copyExit);
    return gShownCode;
}

ErrCode StartProgram(StrRef program) {
    if (!program.ok()) return StrError(program);
    PoolScope scope;
    if (CompareFold(PathPart(program, kPathFileName), StrFromLiteral("NONE"), true) == 0) return 0;
    // The elevated copy would start it as the administrator: the run that started the copy
    // starts it, as the user, once the copy has ended.
    if (RelaunchedCopy()) return 0;
    StrRef quoted = Concat(Concat(StrFromLiteral("\""), program), StrFromLiteral("\""));
    StrRef command = Concat(Concat(quoted, StrFromLiteral(" ")), quoted);
    if (Spawn(command, 0) == 0) return 0;
    return RecordAndReport(kErrFileNotFound, kModStreams, program);
}

ErrCode PlainRun(RunFlags flags, StrRef host) {
    ErrCode result = 0;
    if (flags & RunFlag::AdminMode) {
        result = AdministrationMenu(flags, host);
        // "¿Continuar?" answered no: the person chose not to update, so there is no update to
        // report.
        if (result == kErrUserCanceled) gReported = true;
    }
    // Nobody is there to choose among the applications of config.txt: a batch run updates each in
    // turn, with a report line each, and ends with the first serious code (else the first other).
    const uint16_t applications = CurrentRunUi().Attended() ? 0 : ApplicationsToChoose();
    if (result == 0 && applications > 1) {
        ErrCode serious = 0, other = 0;
        for (uint16_t k = 1; k <= applications; ++k) {
            SyncResult r = UpdateRun(flags, host, k);
            const ErrCode code = Completion(r);
            if (code >= kFirstSerious && !serious) serious = code;
            if (code && !other) other = code;
        }
        result = serious ? serious : other;
    } else if (result == 0) {
        SyncResult r = UpdateRun(flags, host);
        result = Completion(r);
        if (gHandedOver) {
            // The copy opened what its result called for.
        } else if (result == kErrFileNotFound && CurrentRunUi().Attended()) {
            result = ConfigurationEditor(host);
        } else if (result == kErrBadInput && CurrentRunUi().Attended()) {
            PoolScope scope;
            StrRef question = Concat(Concat(ErrorText(kErrBadInput), StrFromLiteral("\r\n")), Message(kMsgConfiguration));
            question = Concat(Concat(question, StrFromLiteral(".")), Message(kMsgContinue));
            if (AskUser(question)) result = ConfigurationEditor(host);
        }
    }
    return result;
}

ErrCode ProgramRun(RunFlags flags, StrRef program, StrRef host) {
    ErrCode result = 0;
    if (flags & RunFlag::AdminMode) {
        PoolScope scope;
        StrRef pair = OptionsForFolder(PathPart(program, kPathDriveFolder), RunFlag::Apply, host);
        result = AfterNotWritable(pair.ok() ? PreferencesPanel(flags, pair) : StrError(pair));
    } else {
        SyncResult r = UpdateRun(flags, host);
        result = Completion(r);
    }
    // The program is started even after a serious error. Showing it clears it to 0 for the
    // person who saw it; a batch run's caller has only the exit code, which keeps it. An elevated
    // copy's code was shown by the copy and is kept.
    const bool serious = result >= kFirstSerious;
    if (serious && !gHandedOver) {
        const ErrCode shown = ShowResult(result);
        gShownCode = result;
        if (CurrentRunUi().Attended()) result = shown;
    }
    if (result == 0 || serious) {
        const ErrCode started = StartProgram(program);
        if (result == 0) result = started;
    }
    return result;
}

ErrCode RunUpdater(const RunPlan& plan, RunUi& attended) {
    // The one place that decides what the run shows: nothing at all in a batch run.
    UseRunUi(plan.batch ? BatchRunUi() : attended);
    gReported = false;
    gShownCode = 0;
    gHandedOver = false;
    PoolScope scope;
    StrRef host = DefaultServerHost();
    ErrCode result;
    if (plan.mode == RunMode::Finish) {
        result = FinishDeferred(kFinishWaitMs);
    } else if (plan.mode == RunMode::Program || plan.mode == RunMode::Preferences) {
        StrRef program = OptionValue(plan.programOption);
        result = program.ok() ? ProgramRun(plan.flags, program, host) : StrError(program);
    } else {
        result = PlainRun(plan.flags, host);
    }
    // Every run leaves its line, also one that never reached an update.
    if (!gReported) WriteReport(result);
    if (result >= kFirstSerious && result != gShownCode) ShowResult(result);
    return result;
}

}  // namespace rt
