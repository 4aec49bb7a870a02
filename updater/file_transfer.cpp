// Download, verification and one-step installation of one file of an HTTP update.
#include "updater/file_transfer.h"

#include <cstdio>
#include <cstring>

#include "net/http_client.h"
#include "runtime/catalogue.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/temp_file.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/dir_search.h"
#include "runtime/staged_update.h"
#include "runtime/streams.h"
#include "protocol/checksum.h"
#include "updater/file_answer.h"
#include "updater/server_protocol.h"
#include "updater/messages.h"
#include "protocol/transfer_header.h"

namespace rt {

PoolText UpdatingText(StrRef name, StrRef note) {
    uint16_t mark = PoolMark();
    StrRef tmpl = Message(kMsgUpdating);
    uint16_t at = FindStr(tmpl, StrFromLiteral("%s"), true);
    if (at == kNpos) return PoolReturn(mark, tmpl);
    StrRef head = Concat(SubStr(tmpl, 0, at), name);
    StrRef rest = SubStr(tmpl, at + 2, kNpos);
    uint16_t second = FindStr(rest, StrFromLiteral("%s"), true);
    if (second != kNpos) rest = Concat(Concat(SubStr(rest, 0, second), note), SubStr(rest, second + 2, kNpos));
    return PoolReturn(mark, Concat(head, rest));
}

ErrCode SetLastWriteTime(StrRef path, int32_t date, int32_t ms) {
    if (!path.ok()) return StrError(path);
    if (!StampPartsValid(date, ms)) return kErrBadInput;
    ErrCode err = SetFileWriteTimeLocal(path, date, ms - ms % 1000);
    if (err == 0 || err == kErrBadInput) return err;
    return kErrFileIo;
}

ErrCode TransferOneFile(StrRef listAddress, StrRef name, StrRef target, uint16_t flags, uint16_t verbosity,
                        TransferStatusFn status, const FileInfo* expected, const FileInfo* present) {
    if (!listAddress.ok()) return StrError(listAddress);
    if (!name.ok()) return StrError(name);
    if (!target.ok()) return StrError(target);
    ErrCode err = 0;
    {
        // The backup's and the status line's texts are gone before the download begins.
        PoolScope scope;
        // A rename would replace a read-only file where the platform allows it, and its read-only
        // bit with it: as for a folder source, such a target is not written. 131 lets a RUN
        // update ask for the elevated copy.
        const uint16_t attributes = present && present->status == 0 ? present->attributes : PathAttributes(target);
        if (attributes < 0x100 && (attributes & kAttrReadOnly)) return RecordAndReport(kErrFileIo, kModStreams, target, true);
        // Within an update made all at once, the backups are made when it is put in place.
        if (!StagedUpdate::Current() && (present ? present->status == 0 : PathExists(target) == 0)) {
            err = BackupBeforeOverwrite(target, flags);
            if (err != 0 && err != kErrFileNotFound) return RecordAndReport(err, kModStreams, target, true);
        }
        if (verbosity > 1 && status) status(UpdatingText(name, StrEmpty()));
    }
    PoolScope scope;
    StrRef address = DownloadAddress(listAddress, name);
    if (!address.ok()) return RecordAndReport(StrError(address), kModStreams, target, true);
    // The address carries the credentials, so it stays out of the log.
    FetchLimits limits;
    if (expected) limits.maxBody = uint64_t{expected->size} + kTransferHeaderSize;
    // Written once: straight from the socket into its place beside the target.
    FileAnswerInstaller installer(target, target, expected, true);
    if (present) installer.KnowTarget(present->status == 0);
    err = HttpFetchToSink(address, kFetchNoLog, installer, limits);
    if (err == 0) err = installer.Finish();
    if (installer.failed()) {
        installer.ReportFailure();
    } else if (err) {
        RecordAndReport(err, kModStreams, target, true);
    }
    return err;
}

}  // namespace rt
