// The folder comparison, the copy action and the share and folder updates.
#include "updater/folder_sync.h"

#include "net/file_copy.h"
#include "net/share.h"
#include "runtime/catalogue.h"
#include "runtime/error_record.h"
#include "protocol/file_name_check.h"
#include "runtime/errors.h"
#include "runtime/staged_update.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "updater/credentials.h"
#include "updater/run_ui.h"
#include "updater/startup.h"
#include "updater/messages.h"
#include "updater/own_files.h"
#include "updater/signed_source.h"

namespace rt {

namespace {

constexpr uint16_t kReportAgain = 121;
constexpr char kReasonFolderThere[] = "a folder of that name is there";

// Walks the NUL-separated names of a listing in order, one piece at a time.
class NameCursor {
public:
    explicit NameCursor(NameBlock names) : names_(names) {}
    StrRef Next() {
        uint32_t end = at_;
        while (end < names_.len && names_.ptr[end] != '\0') ++end;
        const uint32_t n = end - at_;
        StrRef name = n <= kMaxText ? StrMake(names_.ptr + at_, static_cast<uint16_t>(n)) : StrErr(kErrBadInput);
        at_ = end + 1;
        return name;
    }

private:
    NameBlock names_;
    uint32_t at_ = 0;
};

ErrCode KeepAlive(void*, uint64_t total, uint32_t) { return KeepWindowsAlive(total); }

// An empty listing that stands for a scan that failed.
FolderListing EmptyListing(StrRef root) {
    FolderListing l;
    l.folder = root;
    return l;
}

}  // namespace

SyncResult CompareAllOrNothing(const FolderListing& source, const FolderListing& target, uint16_t mask,
                               FileAction action, const SourceSignature* signature) {
    StagedUpdate update(target.folder, mask);
    if (signature && signature->active()) {
        if (ErrCode err = signature->CheckListing(source, target.folder)) return {err, 0};
        update.SetCheck([signature](const char* staged, std::string_view name, const uint8_t* sha256) {
            return signature->CheckStaged(staged, name, sha256);
        });
    }
    // Room for what will be staged, told before anything is fetched: the files the comparison
    // will let through, at the sizes the source lists (files it cannot place count as new).
    if (source.records) {
        const ListingLookup inTarget(target.names, target.count);
        NameCursor names(source.names);
        uint64_t needed = 0, backups = 0;
        for (uint16_t i = 0; i < source.count; ++i) {
            PoolScope scope;
            const StrRef name = names.Next();
            const uint16_t t = target.count ? inTarget.Find(name) : kNpos;
            FileInfo none;
            none.status = kErrFileNotFound;
            const FileInfo& there = (t != kNpos && target.records) ? target.records[t] : none;
            if (!MaskAllows(mask, ClassifyEntry(source.records[i], there, name, source.exclusions, kTimeTolerance)))
                continue;
            needed += source.records[i].size;
            // The file it replaces is copied to its backup first.
            if (there.status == 0 && !(mask & kBackupOff)) backups += there.size;
        }
        if (ErrCode err = update.CheckRoom(needed, backups)) return {err, 0};
    }
    SyncResult r;
    {
        StagingScope staging(update);
        r = CompareFolders(source, target, mask, kTimeTolerance, action);
    }
    // Nothing is put in place unless every file arrived whole and checked.
    if (r.code < kErrUserCanceled) {
        if (ErrCode err = update.Commit()) {
            r = {err, 0};
        } else if (signature) {
            signature->Remember();
        }
    }
    return r;
}

SyncResult CompareFolders(const FolderListing& source, const FolderListing& target, uint16_t mask,
                          int32_t tolerance, FileAction action) {
    if (!source.folder.ok() || !target.folder.ok() || source.folder.len == 0 || target.folder.len == 0)
        return {Fail(true, kModStreams, kErrBadInput, 0), 0};
    if (source.count && ListingIndex(source.names, StrFromLiteral(kLockFileName)) != kNpos) {
        RecordError(kErrPermission, kModStreams);
        // A server's listing folder is its request address, credentials and all: never shown.
        const bool address = FindChar(source.folder, 0, '?', true) != kNpos;
        ReportError(kErrPermission, address ? StrFromLiteral(kLockFileName)
                                            : PathJoin(source.folder, StrFromLiteral(kLockFileName)));
        return {kErrPermission, 0};
    }
    SyncResult result{0, 0};
    const OwnFiles own(target.folder);
    const ListingLookup inTarget(target.names, target.count);
    NameCursor names(source.names);
    ErrCode step = ProgressStart(source.count);
    for (uint16_t i = 0; i < source.count && result.code < kErrUserCanceled && step == 0; ++i) {
        PoolScope scope;
        StrRef name = names.Next();
        StrRef targetPath = PathJoin(target.folder, name);
        if (name.ok() && own.Holds(std::string_view(name.ptr, name.len))) {
            if (!StrEq(name, StrFromLiteral(kManifestName)))
                Log(Concat(StrFromLiteral("Not installed, the updater's own file: "), targetPath));
            step = ProgressAdvance();
            continue;
        }
        const uint16_t t = target.count ? inTarget.Find(name) : kNpos;
        const FileInfo sourceInfo = source.records ? source.records[i] : FileInfoOf(PathJoin(source.folder, name));
        FileInfo targetInfo;
        if (t != kNpos && target.records) {
            targetInfo = target.records[t];
        } else if (target.complete && (target.tree || FindAny(name, StrFromLiteral("\\/"), true) == kNpos)) {
            // Not in a listing of everything there: a look at the disk would only search the
            // folder again.
            targetInfo.status = kErrFileNotFound;
        } else {
            targetInfo = FileInfoOf(targetPath);
        }
        const int16_t c = ClassifyEntry(sourceInfo, targetInfo, name, source.exclusions, tolerance);
        if (c == kClassUnusable && (mask & kMaskDeleteTarget) && LogEnabled(0, kLogRuntime))
            Log(Concat(StrFromLiteral("DEL "), targetPath));
        if (MaskAllows(mask, c) && targetInfo.status == 0 && (targetInfo.attributes & kAttrFolder)) {
            // Said before anything is fetched: no rename can put a file where a folder stands.
            result.code = RecordAndReport(kErrFileIo, kModStreams, WithFailureReason(targetPath, kReasonFolderThere));
        } else if (MaskAllows(mask, c)) {
            result.code = action(source.folder, name, targetPath, mask, kActionVerbosity, ShowStep, &sourceInfo, &targetInfo);
            if (result.code == 0) ++result.count;
        }
        step = ProgressAdvance();
    }
    CloseProgressWindow();
    if (step && result.code == 0) result.code = step;
    return result;
}

ErrCode CopyAction(StrRef sourceRoot, StrRef name, StrRef target, uint16_t mask, uint16_t verbosity,
                   TransferStatusFn status, const FileInfo*, const FileInfo* present) {
    for (StrRef s : {sourceRoot, name, target})
        if (!s.ok()) return StrError(s);
    PoolScope scope;
    StrRef source = PathJoin(sourceRoot, name);
    // Within an update made all at once, the backups are made when it is put in place.
    ErrCode err = StagedUpdate::Current() ? 0 : BackupBeforeOverwrite(target, mask);
    if (err != 0 && err != kErrFileNotFound) return RecordAndReport(err, kModStreams, target, true);
    if (verbosity > 1 && status) status(UpdatingText(source, err ? ErrorText(err) : StrEmpty()));
    if (mask & kMaskDeleteTarget) {
        err = RemoveFile(target);
    } else if (mask & kMaskDeleteSource) {
        err = RemoveFile(source);
    } else {
        err = FileCopy(source, target, kCopyAlways, nullptr, present, KeepAlive, nullptr);
    }
    return err ? RecordAndReport(err, kModStreams, target, true) : 0;
}

// The action of a check: says what an update would copy and copies nothing.
ErrCode CheckAction(StrRef, StrRef, StrRef target, uint16_t, uint16_t, TransferStatusFn, const FileInfo*,
                    const FileInfo*) {
    PoolScope scope;
    Log(Concat(StrFromLiteral("Would update: "), target));
    return 0;
}

SyncResult SynchroniseFolders(StrRef source, StrRef target, uint16_t mask, bool apply) {
    if (!source.ok() || !target.ok() || source.len == 0 || target.len == 0)
        return {Fail(true, kModStreams, kErrBadInput, 0), 0};
    PoolScope scope;
    StrRef blanks = Repeat(StrFromLiteral(" "), 20);
    ShowStep(Concat(Concat(blanks, Message(kMsgReadingList)), blanks));
    // The whole tree, as a server's list names it: an application's subfolders come with it. A
    // source that cannot be listed (a mistyped path, a share that is not there) is no folder that
    // is up to date: the run ends with the listing's code, naming the source.
    FolderListing from = ScanFolderTree(source, kListArchive);
    if (from.status != 0) return {RecordAndReport(from.status, kModStreams, source), 0};
    // The names a server's list may hold, no other: one that the target would not keep as it is
    // (a device name, a trailing dot or blank) ends the update before anything is copied.
    NameCursor names(from.names);
    for (uint16_t i = 0; i < from.count; ++i) {
        const StrRef name = names.Next();
        if (CheckFileName(name) != 0) {
            // The name as listed: a join would tidy away the very dot or blank that is refused.
            const bool sep = source.len && (source.ptr[source.len - 1] == '\\' || source.ptr[source.len - 1] == '/');
            const StrRef shown = Concat(sep ? source : Concat(source, StrFromLiteral("\\")), name);
            return {RecordAndReport(kErrBadInput, kModStreams, Concat(shown, StrFromLiteral(": not a name the target may take"))),
                    0};
        }
    }
    // The target's every file: a name not in it is known missing without a look at the disk.
    FolderListing to = ScanFolderTree(target, kListEveryEntry);
    if (to.status != 0) {
        ShowStep(target);
        to = EmptyListing(target);
    } else {
        to.complete = true;
    }
    from.folder = source;
    to.folder = target;
    ShowStep(Message(kMsgReadingList));
    SourceSignature signature;
    if (apply) {
        ErrCode err = signature.Begin(source);
        if (err == 0 && signature.active()) err = signature.AcceptFromFolder(source);
        if (err) return {err, 0};
    }
    SyncResult r = apply ? CompareAllOrNothing(from, to, mask, CopyAction, &signature)
                         : CompareFolders(from, to, mask, kTimeTolerance, CheckAction);
    if (r.code) ReportError(kReportAgain, ErrorText(r.code), true);
    return r;
}

SyncResult ShareUpdate(StrRef source, StrRef target, uint16_t mask, bool apply) {
    if (!source.ok()) return {StrError(source), 0};
    PoolScope scope;
    const bool unc = source.len >= 2 && source.ptr[0] == '\\' && source.ptr[1] == '\\';
    if (unc) {
        StrRef credentials = NickCredentials(AppNick());
        if (!credentials.ok()) return {StrError(credentials), 0};
        if (credentials.len == 0) return {kErrUserCanceled, 0};
        ShowStep(Message(kMsgConnecting));
        StrRef password = CredentialPassword(credentials, false);
        if (!password.ok()) return {StrError(password), 0};
        if (ErrCode err = ConnectShare(source, CredentialUser(credentials), password, StrEmpty(), false))
            return {err, 0};
    }
    SyncResult r = SynchroniseFolders(source, target, mask, apply);
    if (unc && r.code != kErrUserCanceled) DisconnectShare(source, true);
    return r;
}

}  // namespace rt
