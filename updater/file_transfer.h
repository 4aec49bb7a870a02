// The per-file action of an HTTP update: back up the old file, download the new one, check its
// transfer header and checksum, install it in one step and give it the server's time.
#pragma once

#include <cstdint>

#include "runtime/file_info.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {

// Shows a progress text in the status window and logs it.
using TransferStatusFn = ErrCode (*)(StrRef text);

// Message 1004 ("Actualizando %s %s") with name and note in its two places. One pool entry.
PoolText UpdatingText(StrRef name, StrRef note);

// Transfers the listed file `name` (relative, as the server list gave it) of the list at
// listAddress (the server listing's folder) to target. The folder comparison calls it with its
// source listing's folder and the entry's name rather than with their join, because joining a
// path would turn the address's "/" into "\". Steps: back up an existing target (unless
// flags hold 0x200; a result other than 0 or kErrFileNotFound ends here), with verbosity above 1
// pass "Actualizando <name> " (message 1004) to status, then download the answer (not logged)
// straight into its place through a FileAnswerInstaller (updater/file_answer.h), which checks it
// as it arrives; a server's error answer ends the transfer with its code. Nothing is left behind
// in any case. Result: 0 or the failure's code, reported against the target.
// With expected (the list entry), the fetch stops once it passes the entry's size and its header,
// and a header whose size, date or time differs from the entry gives kErrTransUp at once: an
// answer meant for another file, or another version of it, never replaces the target.
// With present (the target's record as the caller saw it), whether a target exists to back up is
// not looked up again.
ErrCode TransferOneFile(StrRef listAddress, StrRef name, StrRef target, uint16_t flags,
                        uint16_t verbosity, TransferStatusFn status, const FileInfo* expected = nullptr,
                        const FileInfo* present = nullptr);

// Sets the last-write time of path to the local date YYYYMMDD and time (ms since midnight, cut
// to whole seconds), converted with the current time-zone rules. kErrBadInput when the date or time
// is not valid or not convertible, kErrFileIo when the file cannot be opened or stamped.
ErrCode SetLastWriteTime(StrRef path, int32_t date, int32_t ms);

}  // namespace rt
