// Numbered file streams, writes at an offset, backup names and the chunked file-to-file copy.
// Each streams_*.cpp implements one group of these.
//
// The stream table has 40 slots shared with the socket layer; slots 0..2 are the standard
// streams and are never closed. A stream number from kErrUserCanceled up is an ErrCode instead.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kStreamSlots = 40;
inline constexpr uint16_t kFirstFileSlot = 3;
inline constexpr int16_t kSlotFree = -1;
inline constexpr int16_t kSlotFile = 0;  // the tag of a file stream; other layers use their own
inline constexpr uint16_t kMaxStreamName = 384;

// Open flags.
inline constexpr uint16_t kStreamWrite = 2;     // mode "w": from the start
inline constexpr uint16_t kStreamAppend = 4;    // mode "a"
inline constexpr uint16_t kStreamNoCreate = 8;  // no update access, no creation of a missing file
inline constexpr uint16_t kStreamQuiet = 64;    // return errors without reporting them

// Opens a file (or "CON": stream 1 for flags 2, else 0) and returns its stream number; kErrBadInput
// for an empty or too long name, kErrDataOutBound without a free slot, kErrFileNotFound (with
// kStreamNoCreate) or kErrPermission when the file can be neither opened nor created.
uint16_t StreamOpen(StrRef name, uint16_t flags);
// Closes a file stream and frees its slot; the standard streams stay open.
ErrCode StreamClose(uint16_t stream);
// Owns the result of StreamOpen: a stream number is closed when the holder goes out of scope, an
// error code is kept for error().
class StreamHolder {
public:
    explicit StreamHolder(uint16_t result) : s_(result) {}
    ~StreamHolder() { if (ok()) StreamClose(s_); }
    StreamHolder(const StreamHolder&) = delete;
    StreamHolder& operator=(const StreamHolder&) = delete;
    bool ok() const { return s_ < kStreamSlots; }
    uint16_t get() const { return s_; }
    ErrCode error() const { return ok() ? 0 : s_; }
private:
    uint16_t s_;
};
// Length in bytes; 0xFFFF for the standard streams, 0 for a slot that is not a file.
uint32_t StreamLength(uint16_t stream);
// True when the position is at or beyond the length.
bool StreamAtEnd(uint16_t stream);
// Reads count bytes from position (-1: the current one) into buffer (capacity bytes). count -1
// reads one line: up to CR, LF or CR LF (not delivered), the position left after them. Returns
// the bytes delivered, or 0xFFFF when fewer than count were read.
uint16_t StreamRead(uint16_t stream, int32_t position, int32_t count, char* buffer, uint16_t capacity);
// StreamRead into a new pool entry; a line loses trailing 0x1A bytes. kErrDiskIo when the read
// fails.
StrRef StreamReadText(uint16_t stream, int32_t position, int32_t count);
// Writes data at position (-1: the end). Returns the bytes written or 0xFFFF when short.
uint16_t StreamWrite(uint16_t stream, int32_t position, StrRef data);
// 0, or kErrNoCode when not every byte was written.
ErrCode StreamWriteText(uint16_t stream, int32_t position, StrRef text);

// For layers that keep other handles in the table (sockets): the first free slot from 3 on,
// tagged with tag (not kSlotFree), or kErrDataOutBound when none is free.
uint16_t StreamClaimSlot(int16_t tag);
// Frees a slot claimed with StreamClaimSlot; file slots are closed with StreamClose.
void StreamReleaseSlot(uint16_t slot);
// The tag of a slot (kSlotFree when free or out of range).
int16_t StreamSlotTag(uint16_t slot);
// The open file of a file stream (slots 0..2 included), or null.
class FsFile;
FsFile* StreamFile(uint16_t stream);

// Writes data into the named file: position -2 rewrites it, -1 appends, n >= 0 writes at n.
// kErrFileIo for a short write or a file that cannot be opened; an error value as data passes its
// code.
ErrCode WriteFileAt(StrRef name, int32_t position, StrRef data);

// Backup name flags.
inline constexpr uint16_t kBackupExtension = 1;  // extension becomes BAK
inline constexpr uint16_t kBackupDate = 2;       // today's date appended to the name
inline constexpr uint16_t kBackupTime = 4;       // with kBackupDate, also hhmmss
inline constexpr uint16_t kBackupFolder = 8;     // into the dated backup folder
inline constexpr uint16_t kBackupOff = 0x200;    // no backup before overwriting
// The backup name of path by the flags above (one pool entry).
StrRef BackupName(StrRef path, uint16_t flags);
// Before target is overwritten: unless kBackupOff is in flags, copies an existing target to its
// backup name (kBackupFolder), creating the folder; nothing when that backup exists. A failed
// copy is kErrFileNotFound when the backup folder is missing.
ErrCode BackupBeforeOverwrite(StrRef target, uint16_t flags);

// Progress of CopyStream after each chunk: the total copied so far and the chunk's size; a
// non-zero result stops the copy with that code.
using CopyProgressFn = ErrCode (*)(void* arg, uint32_t total, uint32_t chunk);
inline constexpr uint32_t kCopyChunk = 0x3000;
// Copies count bytes (limited to the source's length) from source at from to target at to (-1:
// its end) in chunks of 12288 bytes. With to >= 0 the target then ends after the bytes copied,
// whatever it held beyond them, also when the copy stops early. kErrFileNotFound when the source
// cannot be opened, kErrFileIo for the target or any short read or write.
ErrCode CopyStream(StrRef source, uint32_t from, StrRef target, int32_t to, uint32_t count,
                   CopyProgressFn progress, void* arg);
// direction 1: every '\' becomes '/'; 0: every '/' becomes '\'. The text itself when it holds
// none, else one pool entry.
StrRef ConvertSeparators(StrRef path, int direction);

}  // namespace rt
