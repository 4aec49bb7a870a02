// The HTTP update: its checks, the list request, the comparison and the state record's stamp.
#include "updater/http_update.h"

#include "net/file_copy.h"
#include "net/http_client.h"
#include "net/http_request.h"
#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/log.h"
#include "runtime/temp_file.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "updater/copy_decision.h"
#include "updater/desktop_report.h"
#include "updater/file_transfer.h"
#include "updater/run_ui.h"
#include "updater/server_protocol.h"
#include "updater/startup.h"
#include "updater/state_record.h"
#include "updater/update_options.h"
#include "updater/messages.h"
#include "updater/signed_source.h"

namespace rt {

namespace {


// Only a field 1 of "0" switches updates off. A record in the other layout (the preferences of no
// program put a folder there) must not silently stop every RUN update; such a run says in the log
// why it did nothing.
bool UpdatesOff(StrRef record) {
    StrRef check = Trim(Field(record, ',', kStateCheckUpdates), kTrimStart | kTrimEnd);
    return check.ok() && StrEq(check, "0");
}

// The checks a run makes before it touches the target: 0 to go on.
ErrCode Checks(StrRef source, StrRef target, RunFlags flags, StrRef record) {
    PoolScope scope;
    if (flags & RunFlag::AskServer) {
        StrRef nick = AppNick();
        const ErrCode status = StatusQuery(source, NeedsCredentials(source) ? ServerCredentials(nick) : StrEmpty(),
                                           Field(record, ',', kStateLastDate),
                                           Field(record, ',', kStateLastTime), nick);
        if (status == 0) return kErrUserCanceled;
        if (status != kErrUndefWarning) return status;
    }
    // Only a check (DPATH) asks to confirm, and it changes nothing: with nobody there to ask, its
    // confirmation counts as yes.
    if ((flags & RunFlag::Confirm) && CurrentRunUi().Attended() && !ConfirmTarget(target)) return kErrUserCanceled;
    if (FolderWritable(target) != 0)
        return RecordAndReport((flags & RunFlag::Apply) ? kErrFileIo : kErrTypeWarning, kModStreams, target);
    return 0;
}

}  // namespace

ErrCode FolderWritable(StrRef folder) {
    char probe[kTempPathMax];
    ErrCode err = CreateTempFile(folder, kProbePrefix, probe, sizeof probe);
    if (err == 0) err = FsRemoveFile(probe);
    return err;
}

SyncResult HttpUpdateFlow(StrRef source, StrRef target, uint16_t mask, std::string* listDigest) {
    PoolScope scope;
    StrRef nick = AppNick();
    StrRef address = BuildRequestAddress(source, NeedsCredentials(source) ? ServerCredentials(nick) : StrEmpty());
    if (!address.ok()) return {StrError(address), 0};
    ShowStep(Message(kMsgConnecting));
    FolderListing list;
    ErrCode err = FetchServerList(address, nick, &list, listDigest);
    SourceSignature signature;
    if (err == 0) err = signature.Begin(source);
    if (err == 0 && signature.active()) {
        std::string manifest;
        err = FetchManifestText(address, &manifest);
        if (err == 0) err = signature.Accept(manifest);
    }
    HideStep();
    if (err) return {err, 0};
    ShowStep(Message(kMsgReadingList));
    // Every entry, so that a name missing from the listing is known to be missing.
    FolderListing here = ScanFolder(target, kListEveryEntry, nullptr);
    if (here.status == kErrFileNotFound) {
        here = FolderListing{};
    } else if (here.status != 0) {
        return {here.status, 0};
    }
    here.folder = target;
    here.complete = true;
    return CompareAllOrNothing(list, here, mask, TransferOneFile, &signature);
}

SyncResult HttpUpdate(StrRef source, StrRef target, RunFlags flags) {
    PoolScope scope;
    // Before anything asks for a password the address could never carry.
    if (ErrCode bad = CheckServerAddress(source)) return {bad, 0};
    SetRequestExtraHeaders(ReportHeaders(source));
    StrRef record = ReadStateRecord(flags, StrEmpty());
    if (!record.ok()) return {StrError(record), 0};
    if (UpdatesOff(record)) {
        PoolScope scope;
        Log(Concat(StrFromLiteral("Updates are switched off in kelvane.dat: "), target));
        return {kErrUndefWarning, 0};
    }
    // The elevated copy was started because the run before it made the checks and found the
    // target not writable; anyone else asks, also a run that happens to be elevated (a scheduled
    // task as SYSTEM, an administrator's prompt).
    if (!(flags & RunFlag::Relaunched)) {
        if (ErrCode err = Checks(source, target, flags, record)) return {err, 0};
    }
    if (!(flags & RunFlag::Apply)) return {kErrUndefWarning, 0};
    std::string listDigest;
    SyncResult r = HttpUpdateFlow(source, target, TransferMask(flags, UpdateSource::Http), &listDigest);
    if (r.code == 0) {
        if (ErrCode stamped = StampStateRecord(flags, StrEmpty())) r.code = stamped;
    }
    if (r.code == 0) RememberInstalledList(source, listDigest);
    return r;
}

}  // namespace rt
