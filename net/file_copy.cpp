// The file copy of share and folder updates: comparison, copy through a replacement file, retry.
#include "net/file_copy.h"

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/staged_update.h"
#include "runtime/streams.h"
#include "runtime/system_vars.h"
#include "runtime/temp_file.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "runtime/wait.h"
#include "runtime/whole_file.h"

namespace rt {

namespace {

constexpr uint16_t kMaxMarker = 0xFFFF;
constexpr uint32_t kInUseRetryMs = 500;

void Count(uint16_t var) { IntSet(var, static_cast<int16_t>(IntGet(var) + 1)); }

// The comparison's verdict: 0 copy, 124 same file, 127 not copied.
ErrCode CompareRecords(const FileInfo& s, const FileInfo& t, uint16_t flags) {
    if (s.status != 0) return kErrOutOfData;
    if (t.status != 0) return (flags & kCopyNoCreate) ? kErrOutOfData : 0;
    switch (CompareStamps(s.writeDate, s.writeTime, t.writeDate, t.writeTime, kTimeTolerance)) {
        case StampOrder::SourceNewer: return 0;
        case StampOrder::Equal: return s.size == t.size ? kErrUndefWarning : 0;
        case StampOrder::TargetNewer: break;
    }
    return kErrOutOfData;
}

// The marker's verdict for source: its name listed and the source not newer than the marker gives
// 124; a name not listed 127 with kCopyNoCreate; otherwise 0 (copy).
ErrCode CompareMarker(StrRef source, uint16_t flags) {
    PoolScope scope;
    StrRef marker = SyncMarkerPath(PathPart(source, kPathDriveFolder));
    StrRef names = FileLength(marker) ? ReadBytes(marker, 0, kMaxMarker) : StrEmpty();
    if (!names.ok() || names.len == 0) return 0;
    if (ListingIndex(names, PathPart(source, kPathFileName)) == kNpos)
        return (flags & kCopyNoCreate) ? kErrOutOfData : 0;
    const FileInfo s = FileInfoOf(source);
    const FileInfo m = FileInfoOf(marker);
    if (s.status == 0 && m.status == 0 &&
        CompareStamps(s.writeDate, s.writeTime, m.writeDate, m.writeTime, kTimeTolerance) == StampOrder::SourceNewer)
        return 0;
    return kErrUndefWarning;
}

ErrCode CopyOnce(const char* source, StrRef target, FsCopyProgress progress, void* arg, int targetExists) {
    FsFile in;
    if (ErrCode err = in.Open(source, kFsRead)) return err == kErrFileNotFound ? err : kErrPermission;
    // A rename would replace a read-only file where the platform allows it; the copy must not. A
    // target the comparison saw missing needs no look.
    const uint16_t attributes = targetExists == 0 ? 0 : PathAttributes(target);
    if (attributes < 0x100 && (attributes & kAttrReadOnly)) return kErrPermission;
    ReplacementFile out;
    if (ErrCode err = BeginStaged(out, target, kCopyPrefix)) {
        PoolScope scope;
        return IsFolder(PathPart(target, kPathDriveFolder)) ? err : kErrFileNotFound;
    }
    uint64_t copied = 0;
    ErrCode err = FsCopyBlocks(in, out.file(), kCopyToEnd, progress, arg, &copied, kCopyChunk);
    // The comparison of the next run reads this time: it must be the source's, as a system copy
    // keeps it. Set through the open files, after the last write.
    if (!err) err = OsCopyWriteTime(in, out.file());
    if (!err) err = out.Finish();
    if (!err) err = StageOrCommit(out, targetExists, copied);
    return err;
}

}  // namespace

PoolText SyncMarkerPath(StrRef sourceFolder) {
    if (!sourceFolder.ok()) return sourceFolder;
    uint16_t mark = PoolMark();
    StrRef mangled = Replace(Replace(sourceFolder, StrFromLiteral("\\"), StrFromLiteral("_"), true),
                             StrFromLiteral(":"), StrEmpty(), true);
    return PoolReturn(mark, PathJoin(StrFromLiteral(kSyncMarkerFolder), mangled));
}

ErrCode FileCopy(StrRef source, StrRef target, uint16_t flags, const FileInfo* sourceInfo, const FileInfo* targetInfo,
                 FsCopyProgress progress, void* arg) {
    if (!source.ok()) return StrError(source);
    if (!target.ok()) return StrError(target);
    PoolScope scope;
    if (!(flags & kCopyAlways)) {
        ErrCode verdict = 0;
        bool targetMissing = false;
        if (flags & kCopyMarker) {
            verdict = CompareMarker(source, flags);
        } else {
            const FileInfo s = sourceInfo ? *sourceInfo : FileInfoOf(source);
            const FileInfo t = targetInfo ? *targetInfo : FileInfoOf(target);
            targetMissing = t.status != 0;
            verdict = CompareRecords(s, t, flags);
        }
        if (verdict == 0 && (flags & kCopyCompareOnly)) verdict = kErrOutOfData;
        if (verdict == kErrUndefWarning) Count(kSysCount);
        if (verdict == kErrOutOfData && !(targetMissing && (flags & kCopyNoCreate))) Count(kSysHCount);
        if (verdict) return verdict;
    }
    const char* from = CString(source);
    // What the comparison saw of the target spares the commit a look.
    const int targetExists = targetInfo ? (targetInfo->status == 0 ? 1 : 0) : -1;
    ErrCode err = CopyOnce(from, target, progress, arg, targetExists);
    // A file held open by another program (an installer still writing the source, a program
    // running from the target) is often free a moment later: it gets the one retry that a
    // refusal does not.
    const bool inUse = err == kErrPermission && FsFailureReason() == kFsReasonInUse;
    if (err && (err != kErrPermission || inUse) && !(progress && err == kErrUserCanceled)) {
        if (inUse) WaitMs(kInUseRetryMs, nullptr, nullptr);
        StrRef folder = PathPart(target, kPathDriveFolder);
        ErrCode made = (folder.len && !IsFolder(folder)) ? MakeDirs(folder) : 0;
        err = made == kErrPermission ? made : CopyOnce(from, target, progress, arg, targetExists);
    }
    if (err) {
        RecordAndReport(err, kModStreams, WithFailureReason(source, FsFailureReason()));
    }
    return err;
}

}  // namespace rt
