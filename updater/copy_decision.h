// What an update copies: the comparison class of each entry, the transfer mask that allows
// classes, and the mask each kind of run uses. The time rule itself (kTimeTolerance,
// CompareStamps) is the run-time's, shared with the file copy.
#pragma once

#include <cstdint>

#include "runtime/file_info.h"
#include "runtime/strref.h"
#include "updater/run_flags.h"

namespace rt {

// Comparison classes of an entry.
enum EntryClass : int16_t {
    kClassEqual = 1,        // same date, times within the tolerance
    kClassSourceNewer = 2,
    kClassTargetNewer = 3,
    kClassExcluded = 4,     // not equal, but named in the exclusion list
    kClassMissing = 5,      // not in the target
    kClassUnusable = 6,     // the source's record has an error
    kClassNotHandled = -1,
};

// A transfer mask allows class c with bit (c - 1); a mask without any class bit stands for
// kMaskNewerOrMissing. Bits beyond the classes: the action deletes the target instead of copying
// (and class 6 logs "DEL" lines), deletes the source, or keeps no backup.
inline constexpr uint16_t kMaskClasses = 0x3F;
inline constexpr uint16_t kMaskNewerOrMissing = 18;    // classes 2 and 5
inline constexpr uint16_t kMaskAlsoTargetNewer = 22;   // classes 2, 3 and 5
inline constexpr uint16_t kMaskDeleteTarget = 0x20;
inline constexpr uint16_t kMaskDeleteSource = 0x100;
inline constexpr uint16_t kMaskNoBackup = 0x200;

// The class of an entry from its two records (a target record with an error is a missing target),
// the exclusion list (lower-case comma list) deciding between a difference and class 4.
int16_t ClassifyEntry(const FileInfo& source, const FileInfo& target, StrRef name, StrRef exclusions,
                      int32_t tolerance);
// Whether mask lets the action run for class c.
bool MaskAllows(uint16_t mask, int16_t c);

// Where an update's files come from: an update server over HTTP, or a share or folder.
enum class UpdateSource : uint8_t { Http, ShareOrFolder };
// The mask of a run: 18 (source newer, missing in target); 22 (also target newer) for an HTTP
// update with OverwriteNewer. A share or folder update always gets 18, whatever the flags: the
// plain run sets OverwriteNewer for the HTTP update only.
uint16_t TransferMask(RunFlags flags, UpdateSource source);

}  // namespace rt
