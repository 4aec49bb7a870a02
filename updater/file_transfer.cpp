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
#include "runtime/streams.h"
#include "protocol/checksum.h"
#include "updater/server_protocol.h"
#include "protocol/transfer_header.h"

namespace rt {

namespace {

// Records code and sets the detail; with append the text is added to a detail already set.
ErrCode Report(ErrCode code, StrRef detail, bool append = false) {
    uint16_t mark = PoolMark();
    RecordError(code, kModStreams);
    ReportError(code, detail, append);
    PoolRelease(mark);
    return code;
}

// Writes the content to a new temporary file beside target, stamps and flushes it, and renames it
// over target. The temporary file is gone afterwards whatever happened.
ErrCode ReplaceTarget(FsFile& src, const TransferHeader& h, StrRef target) {
    PoolScope scope;
    StrRef folder = PathPart(target, kPathDriveFolder);
    // A listed file may lie in a subfolder the target does not have yet.
    if (folder.ok() && folder.len > 0 && PathExists(folder) != 0 && MakeDirs(folder) != 0) return kErrFileIo;
    ReplacementFile replacement;
    ErrCode err = replacement.Begin(target) == 0 ? 0 : kErrFileIo;
    if (!err) err = src.Seek(kTransferHeaderSize) == 0 ? FsCopyBlocks(src, replacement.file(), h.size) : kErrFileIo;
    if (!err) err = replacement.Finish() == 0 ? 0 : kErrFileIo;
    // Stamped before the rename, so that the target never shows the new content with an old time.
    if (!err) err = SetLastWriteTime(StrFromLiteral(replacement.path()), h.date, h.time);
    if (!err && replacement.Commit() != 0) err = kErrFileIo;
    return err;
}

}  // namespace

StrRef UpdatingText(StrRef name, StrRef note) {
    uint16_t mark = PoolMark();
    StrRef tmpl = Message(1004);
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

ErrCode InstallDownloadedFile(StrRef download, StrRef target, bool deleteDownload, const FileInfo* expected) {
    if (!download.ok()) return StrError(download);
    if (!target.ok()) return StrError(target);
    uint16_t mark = PoolMark();
    FsFile src;
    ErrCode err = src.Open(CString(download), kFsRead);
    if (err != 0) {
        PoolRelease(mark);
        Report(kErrFileNotFound, download);
        return Report(kErrFileNotFound, target, true);
    }
    char head[kTransferHeaderSize];
    uint32_t got = 0;
    if (src.Read(head, kTransferHeaderSize, &got) != 0) got = 0;
    TransferHeader h = ParseTransferHeader(head, got);
    if (h.error != 0) {
        Report(kErrTransUp, Concat(StrFromLiteral("Server response: "), StrMake(head, static_cast<uint16_t>(got))));
        PoolRelease(mark);
        return Report(kErrTransUp, target, true);
    }
    if (expected && (h.size != expected->size || h.date != expected->writeDate || h.time != expected->writeTime)) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "Transfer header does not match the list, File:%s, Header:%lu %ld %ld, List:%lu %ld %ld",
                      CString(download), static_cast<unsigned long>(h.size), static_cast<long>(h.date),
                      static_cast<long>(h.time), static_cast<unsigned long>(expected->size),
                      static_cast<long>(expected->writeDate), static_cast<long>(expected->writeTime));
        Report(kErrTransUp, StrFromLiteral(text));
        PoolRelease(mark);
        return Report(kErrTransUp, target, true);
    }
    uint32_t actual = ChecksumOfFile(download, kTransferHeaderSize, kChecksumToEnd);
    if (actual != h.checksum) {
        char text[160];
        std::snprintf(text, sizeof text, "Bad CRC, File:%s, Demanded CRC:%lu, actual CRC:%lu", CString(download),
                      static_cast<unsigned long>(h.checksum), static_cast<unsigned long>(actual));
        Report(kErrTransUp, StrFromLiteral(text));
        PoolRelease(mark);
        return Report(kErrTransUp, target, true);
    }
    uint64_t length = 0;
    if (src.Length(&length) != 0) length = 0;
    // A header that promises more than arrived must not install a short file as if it were whole.
    if (length < kTransferHeaderSize + static_cast<uint64_t>(h.size)) {
        char text[160];
        std::snprintf(text, sizeof text, "Short transfer, File:%s, Announced size:%lu, received:%lu", CString(download),
                      static_cast<unsigned long>(h.size),
                      static_cast<unsigned long>(length > kTransferHeaderSize ? length - kTransferHeaderSize : 0));
        Report(kErrTransUp, StrFromLiteral(text));
        PoolRelease(mark);
        return Report(kErrTransUp, target, true);
    }
    err = ReplaceTarget(src, h, target);
    src.Close();
    if (err != 0) {
        PoolRelease(mark);
        return Report(err, target);
    }
    if (deleteDownload) RemoveFile(download);
    PoolRelease(mark);
    return 0;
}

ErrCode TransferOneFile(StrRef listAddress, StrRef name, StrRef target, uint16_t flags, uint16_t verbosity,
                        TransferStatusFn status, const FileInfo* expected) {
    if (!listAddress.ok()) return StrError(listAddress);
    if (!name.ok()) return StrError(name);
    if (!target.ok()) return StrError(target);
    uint16_t mark = PoolMark();
    ErrCode err = 0;
    if (PathExists(target) == 0) {
        err = BackupBeforeOverwrite(target, flags);
        if (err != 0 && err != kErrFileNotFound) {
            PoolRelease(mark);
            return Report(err, target, true);
        }
    }
    if (verbosity > 1 && status) status(UpdatingText(name, StrEmpty()));
    PoolRelease(mark);
    StrRef address = DownloadAddress(listAddress, name);
    if (!address.ok()) {
        PoolRelease(mark);
        return Report(StrError(address), target, true);
    }
    char temp[kTempPathMax];
    err = CreateTempFile(StrEmpty(), "kvd", temp, sizeof temp);
    if (err == 0) {
        FetchToFileFn fetch = ServerSeamsInUse().fetchToFile ? ServerSeamsInUse().fetchToFile : HttpFetchToFile;
        // The address carries the credentials, so it stays out of the log.
        FetchLimits limits;
        if (expected) limits.maxBody = uint64_t{expected->size} + kTransferHeaderSize;
        err = fetch(address, StrFromLiteral(temp), kFetchNoLog, limits);
        if (err == 0) err = ServerAnswerInFile(StrFromLiteral(temp));
        if (err != 0) Report(err, target, true);
        if (err == 0) err = InstallDownloadedFile(StrFromLiteral(temp), target, true, expected);
        FsRemoveFile(temp);
    } else {
        Report(err, target);
    }
    PoolRelease(mark);
    return err;
}

}  // namespace rt
