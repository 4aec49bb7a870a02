// The table of 40 stream slots: opening and closing file streams, and slots claimed by other
// layers (sockets).
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/streams.h"

namespace rt {

namespace {

struct Slot {
    int16_t tag = kSlotFree;
    FsFile file;
};

Slot gSlots[kStreamSlots];
bool gReady = false;

void SetUp() {
    if (gReady) return;
    for (int n = 0; n < 3; ++n) {
        gSlots[n].tag = kSlotFile;
        gSlots[n].file.OpenStandard(n);
    }
    gReady = true;
}

uint16_t FreeSlot() {
    for (uint16_t s = kFirstFileSlot; s < kStreamSlots; ++s)
        if (gSlots[s].tag == kSlotFree) return s;
    return kNpos;
}

// The mode of the C library's fopen that the flags describe, as seam bits: "w" truncates and
// creates, "a" appends and creates, "r" reads; "+" adds the other direction.
uint16_t ModeOf(uint16_t flags) {
    const bool update = !(flags & kStreamNoCreate);
    if (flags & kStreamWrite) return kFsWrite | kFsCreate | kFsTruncate | (update ? kFsRead : 0);
    if (flags & kStreamAppend) return kFsWrite | kFsAppend | kFsCreate | (update ? kFsRead : 0);
    return kFsRead | (update ? kFsWrite : 0);
}

uint16_t Failed(ErrCode code, StrRef name, uint16_t flags) {
    if (code >= kFirstSerious && !(flags & kStreamQuiet)) {
        RecordError(code, kModStreams);
        ReportError(code, name.ok() ? name : StrEmpty());
    }
    return code;
}

}  // namespace

uint16_t StreamOpen(StrRef name, uint16_t flags) {
    SetUp();
    if (!name.ok() || name.len == 0 || name.len >= kMaxStreamName) return Failed(kErrBadInput, name, flags);
    const uint16_t slot = FreeSlot();
    if (slot == kNpos) return Failed(kErrDataOutBound, name, flags);
    if (StrEq(name, "CON")) return flags == kStreamWrite ? 1 : 0;

    uint16_t mark = PoolMark();
    const char* path = CString(name);
    FsFile file;
    const uint16_t mode = ModeOf(flags);
    ErrCode err = file.Open(path, mode);
    if (err && !(flags & kStreamNoCreate)) {
        // A missing file is created first. Unlike mode "w+" this never empties a file that exists
        // but could not be opened for another reason.
        FsFile created;
        if (created.Open(path, kFsWrite | kFsCreate) == 0) {
            created.Close();
            err = file.Open(path, mode);
        }
    }
    PoolRelease(mark);
    if (err) return Failed((flags & kStreamNoCreate) ? kErrFileNotFound : kErrPermission, name, flags);
    gSlots[slot].file = static_cast<FsFile&&>(file);
    gSlots[slot].tag = kSlotFile;
    return slot;
}

ErrCode StreamClose(uint16_t stream) {
    SetUp();
    if (stream < kFirstFileSlot) return 0;
    if (stream >= kStreamSlots || gSlots[stream].tag != kSlotFile) return kErrBadFileNumber;
    ErrCode err = gSlots[stream].file.Close();
    gSlots[stream].tag = kSlotFree;
    return err;
}

uint16_t StreamClaimSlot(int16_t tag) {
    SetUp();
    if (tag == kSlotFree) return kErrBadInput;
    const uint16_t slot = FreeSlot();
    if (slot == kNpos) return kErrDataOutBound;
    gSlots[slot].tag = tag;
    return slot;
}

void StreamReleaseSlot(uint16_t slot) {
    if (slot < kFirstFileSlot || slot >= kStreamSlots || gSlots[slot].tag == kSlotFile) return;
    gSlots[slot].tag = kSlotFree;
}

int16_t StreamSlotTag(uint16_t slot) {
    SetUp();
    return slot < kStreamSlots ? gSlots[slot].tag : kSlotFree;
}

FsFile* StreamFile(uint16_t stream) {
    SetUp();
    if (stream >= kStreamSlots || gSlots[stream].tag != kSlotFile || !gSlots[stream].file.IsOpen()) return nullptr;
    return &gSlots[stream].file;
}

}  // namespace rt
