// Backup names (BAK extension, dated names, the dated backup folder) and the backup of a file
// before it is overwritten.
#include <cstdio>

#include "runtime/error_record.h"
#include "runtime/fs.h"
#include "runtime/temp_file.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/dates.h"
#include "runtime/streams.h"

namespace rt {

namespace {

StrRef Lit(const char* s) { return StrFromLiteral(s); }

// "hhmmss" of the local time now.
StrRef ClockDigits() {
    const int32_t ms = Now();
    const int32_t s = ms / 1000;
    char buf[8];
    int n = std::snprintf(buf, sizeof buf, "%02d%02d%02d", (s / 3600) % 100, (s / 60) % 60, s % 60);
    return PoolCopy(StrMake(buf, static_cast<uint16_t>(n)));
}

}  // namespace

StrRef BackupName(StrRef path, uint16_t flags) {
    if (!path.ok()) return path;
    uint16_t mark = PoolMark();
    StrRef out = path;
    if (flags & kBackupExtension) out = WithExtension(PathPart(out, kPathDriveFolder | kPathBase), Lit("BAK"));
    if (flags & kBackupDate) {
        StrRef stamp = Today();
        if (flags & kBackupTime) stamp = Concat(stamp, ClockDigits());
        StrRef named = Concat(PathPart(out, kPathDriveFolder | kPathBase), stamp);
        out = WithExtension(named, PathPart(out, kPathExt));
    }
    if (flags & kBackupFolder) {
        StrRef folder = Replace(PathPart(out, kPathDriveFolder), Lit(":"), StrEmpty(), true);
        StrRef dated = Concat(Concat(Lit("Backups("), Today()), Lit(")"));
        StrRef where = PathJoin(PathJoin(AppPath(kAppPathBackup), folder), dated);
        out = PathJoin(where, PathPart(out, kPathFileName));
    }
    return PoolReturn(mark, out);
}

ErrCode BackupBeforeOverwrite(StrRef target, uint16_t flags) {
    if (!target.ok()) return StrError(target);
    if ((flags & kBackupOff) || PathExists(target) != 0) return 0;
    uint16_t mark = PoolMark();
    StrRef name = BackupName(target, kBackupFolder);
    ErrCode err = name.ok() ? 0 : StrError(name);
    if (!err && PathExists(name) != 0) {
        StrRef folder = PathPart(name, kPathDriveFolder);
        MakeDirs(folder);
        // Through a replacement file: a backup cut short (a killed run) must never stand as the
        // whole one, which no later run would make again.
        FsFile in;
        ReplacementFile out;
        err = in.Open(CString(target), kFsRead);
        if (!err) err = out.Begin(name, kBackupPrefix);
        if (!err) err = FsCopyBlocks(in, out.file(), kCopyToEnd, nullptr, nullptr, nullptr, kFsCopyBlock);
        if (!err) err = out.Commit();
        if (err && PathExists(folder) != 0) err = Fail(true, kModStreams, kErrFileNotFound, 0);
    }
    PoolRelease(mark);
    return err;
}

}  // namespace rt
