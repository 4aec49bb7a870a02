// The per-file action of an HTTP update: back up the old file, download the new one, check its
// transfer header and checksum, install it in one step and give it the server's time.
#pragma once

#include <cstdint>

#include "runtime/file_info.h"
#include "runtime/strref.h"

namespace rt {

// Shows a progress text in the status window and logs it.
using TransferStatusFn = ErrCode (*)(StrRef text);

// Message 1004 ("Actualizando %s %s") with name and note in its two places. One pool entry.
StrRef UpdatingText(StrRef name, StrRef note);

// Transfers the listed file `name` (relative, as the server list gave it) of the list at
// listAddress (the server listing's folder) to target. The folder comparison calls it with its
// source listing's folder and the entry's name rather than with their join, because joining a
// path would turn the address's "/" into "\". Steps: back up an existing target (unless
// flags hold 0x200; a result other than 0 or kErrFileNotFound ends here), with verbosity above 1
// pass "Actualizando <name> " (message 1004) to status, fetch the download address into a temporary
// file (not logged), end with a server answer found there, install it. The temporary file is
// removed in every case. Result: 0 or the failure's code, reported against the target.
// With expected (the list entry), the fetch stops once it passes the entry's size and its header,
// and a header whose size, date or time differs from the entry gives kErrTransUp: an answer
// meant for another file, or another version of it, never replaces the target.
ErrCode TransferOneFile(StrRef listAddress, StrRef name, StrRef target, uint16_t flags,
                        uint16_t verbosity, TransferStatusFn status, const FileInfo* expected = nullptr);

// Installs a downloaded file answer (header + content) as target:
//   a download shorter than 42 bytes, or a header that is not 42 digits or blanks (or whose
//   fields do not fit), gives kErrTransUp "Server response: <those bytes>"; a checksum of the
//   bytes after the header that differs from the header's gives kErrTransUp "Bad CRC,
//   File:<download>, Demanded CRC:<n>, actual CRC:<m>"; a header announcing more content than the
//   file holds gives kErrTransUp as well; the download that cannot be opened kErrFileNotFound.
// Only then is the target touched: its folder is made when missing, the content goes to a
// temporary file in that folder, which is flushed, stamped with the header's local date and time
// (whole seconds) and renamed over the target in one step. Any failure there removes the
// temporary file and leaves the old target as it was: kErrFileIo when the target cannot be written
// or replaced (a program holding it open included), kErrBadInput when the date and time are not a
// real local time. With deleteDownload the download is removed on success. Failures are reported
// against the target.
ErrCode InstallDownloadedFile(StrRef download, StrRef target, bool deleteDownload,
                              const FileInfo* expected = nullptr);

// Sets the last-write time of path to the local date YYYYMMDD and time (ms since midnight, cut
// to whole seconds), converted with the current time-zone rules. kErrBadInput when the date or time
// is not valid or not convertible, kErrFileIo when the file cannot be opened or stamped.
ErrCode SetLastWriteTime(StrRef path, int32_t date, int32_t ms);

}  // namespace rt
