// Folder synchronisation: a source listing compared with a target folder entry by entry, with a
// per-file action for the classes the transfer mask allows; and the whole update from a share or
// folder (connect, scan both sides, copy, disconnect).
#pragma once

#include <cstdint>

#include "runtime/file_info.h"
#include "runtime/strref.h"
#include "updater/copy_decision.h"
#include "updater/file_transfer.h"

namespace rt {

class SourceSignature;

// What the actions are told about showing their steps.
inline constexpr uint16_t kActionVerbosity = 32;
// A source holding a file of this name is not to be updated from.
inline constexpr char kLockFileName[] = "locked.on";

// The per-file action: source root and the entry's name (joined by the action, since an address
// joins differently from a path), the target path, the mask, the verbosity and the status function.
// expected is the source entry the comparison saw (size, date and time), for actions that can
// check that what they fetch is that entry; present is the target's record as the comparison saw
// it (a status other than 0: there is none), so that the action need not look again.
using FileAction = ErrCode (*)(StrRef sourceRoot, StrRef name, StrRef target, uint16_t mask, uint16_t verbosity,
                               TransferStatusFn status, const FileInfo* expected, const FileInfo* present);

struct SyncResult {
    ErrCode code;    // the last action's result, or the comparison's own error
    uint16_t count;  // actions that succeeded
};

// Compares every entry of source with target: the target's record from its listing (the name found
// exactly, else ignoring case), else, unless the listing is complete and the name has no folder
// part, read from the disk. Classes allowed by mask (bit c - 1; 0
// counts as 18) run the action with the status function ShowStep. An empty root gives 163; a
// source listing naming kLockFileName gives 175 before anything is compared. The comparison
// stops after an action's result of 122 or more and when the user cancels in the progress window.
SyncResult CompareFolders(const FolderListing& source, const FolderListing& target, uint16_t mask,
                          int32_t tolerance, FileAction action);
// CompareFolders with tolerance kTimeTolerance as one update made all at once (runtime/
// staged_update.h): each action stages its file, and only when every one succeeded (a result
// below 122) are they all put in place, with their backups. On a failure of the commit the
// folder stays as it was and the count is 0.
// With an active signature (updater/signed_source.h) the list is checked against its manifest
// first, every staged file before the commit, and its sequence is kept after it.
SyncResult CompareAllOrNothing(const FolderListing& source, const FolderListing& target, uint16_t mask,
                               FileAction action, const SourceSignature* signature = nullptr);

// The action of share and folder updates: backs up an existing target (a result other than 0
// or 164 ends here), shows "Actualizando <source> " (with the text of 164 after a backup folder
// that could not be made), then deletes the target (mask 0x20), deletes the source (0x100) or
// copies the source over the target through a temporary file (net/file_copy.h), keeping the
// windows alive. Failures are reported against the target.
ErrCode CopyAction(StrRef sourceRoot, StrRef name, StrRef target, uint16_t mask, uint16_t verbosity,
                   TransferStatusFn status, const FileInfo* expected = nullptr, const FileInfo* present = nullptr);

// Scans both folders (attribute mask 32) and compares them with tolerance 50: with apply, the copy
// action; without, a check that logs "Would update: <target>" for each file an update would copy
// and copies nothing (the count is then of those files). A source that cannot be listed ends
// with the listing's code reported against it; a target that cannot be listed counts as empty,
// its path shown. 163 for an empty path.
SyncResult SynchroniseFolders(StrRef source, StrRef target, uint16_t mask, bool apply = true);

// The update from a share or folder. A UNC source is connected first with the credentials of the
// application's nick (asked for only when missing; none give 122) and disconnected afterwards
// (unless the result is 122); a refused connection ends the update with its code.
SyncResult ShareUpdate(StrRef source, StrRef target, uint16_t mask, bool apply = true);

}  // namespace rt
