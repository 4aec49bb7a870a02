// One file copied from a share or folder: the optional date comparison, the copy itself through
// a temporary file beside the target, one retry after creating the target's folder.
#pragma once

#include <cstdint>

#include "runtime/file_info.h"
#include "runtime/fs.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {

// Copy flags.
inline constexpr uint16_t kCopyMarker = 1;       // compare with the folder's synchronisation marker
inline constexpr uint16_t kCopyAlways = 2;       // no comparison at all
inline constexpr uint16_t kCopyNoCreate = 4;     // never create a file the target lacks
inline constexpr uint16_t kCopyCompareOnly = 8;  // compare, never copy

// Folder of the synchronisation markers, below the working folder.
inline constexpr char kSyncMarkerFolder[] = "folderSync";


// The marker file of a source folder: kSyncMarkerFolder joined with the folder, every '\'
// turned into '_' and every ':' removed. One pool entry.
PoolText SyncMarkerPath(StrRef sourceFolder);

// Copies source to target. Unless kCopyAlways, compares first (the records given, else read from
// the disk): a missing source 127; a missing target is copied (127 with kCopyNoCreate); a newer
// source is copied; the same time with the same size 124, with another size copied; a newer
// target 127; with kCopyMarker the source is compared with the marker's time instead, when the
// marker lists its name. kCopyCompareOnly turns every copy into 127. 124 counts in _COUNT, 127 in
// _HCOUNT (not for a target missing under kCopyNoCreate).
// The copy writes a temporary file in the target's folder in blocks of 12288 bytes, gives it the
// source's last-write time and renames it over the target: a copy stopped half-way leaves the
// old target whole. progress(arg, total, block) runs after each block; its non-zero answer stops
// the copy with that code. Codes: 164 source (or the target's folder) missing, 175 source
// unreadable, target read-only or held open; 131 a failed write. After a failure other than a
// refusal (175 for any reason but a file in use) or a stop, the target's folder is created when
// missing and the copy runs once more, half a second later for a file in use. A final failure is
// reported against the source, with the system's reason when it has one ("... (disk full)").
ErrCode FileCopy(StrRef source, StrRef target, uint16_t flags, const FileInfo* sourceInfo, const FileInfo* targetInfo,
                 FsCopyProgress progress = nullptr, void* arg = nullptr);

// Gives `to` the last-write time of `from`, exactly (file_copy_win.cpp / file_copy_posix.cpp).
// 0, or the failure's code. The open files' form costs no open; the time set through the handle
// stays when the handle closes.
ErrCode OsCopyWriteTime(const char* from, const char* to);
ErrCode OsCopyWriteTime(FsFile& from, FsFile& to);

}  // namespace rt
