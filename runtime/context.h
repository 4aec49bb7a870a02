// RunContext: the per-thread record of all run-time state, and the table of context slots.
#pragma once

#include <cstdint>

#include "runtime/errcode.h"
#include "runtime/program_state.h"

namespace rt {

// One tracked heap block. A null pointer marks a free entry.
struct BlockEntry {
    uint16_t tag;
    uint32_t size;
    void* ptr;
};

// One temporary text: pointer and a 32-bit length slot.
struct PoolEntry {
    char* ptr;
    uint32_t len;
};

struct TempPool {
    uint16_t textHandle = 0xFFFF;   // block-table handle of the text block
    uint16_t stackHandle = 0xFFFF;  // block-table handle of the entry stack
    uint16_t capacity = 0;          // entries
    uint16_t current = 0;           // index of the top entry
    uint16_t highEntries = 0;
    char* top = nullptr;            // first free byte
    uint32_t size = 0;              // bytes of the text block
    uint32_t highBytes = 0;
    // Cached block pointers (the handles stay the authority for freeing).
    char* text = nullptr;
    PoolEntry* entries = nullptr;
};

// One typed array: element storage, element size and count.
struct ArrayDesc {
    void* data;
    uint16_t elemSize;
    uint16_t count;
};

struct StringStore {
    uint16_t initGroups = 39;
    uint16_t initStrings = 2048;
    uint32_t initBytes = 65535;
    char* chars = nullptr;       // packed texts, group after group
    uint16_t* lengths = nullptr; // one length per string slot
    uint16_t* counts = nullptr;  // one item count per group (start of the block)
    uint16_t groups = 0;
    uint16_t inUse = 0;          // string slots in use
    uint16_t stringCap = 0;
    uint32_t bytesInUse = 0;
    uint32_t byteCap = 0;
    uint32_t highBytes = 0;
};

struct RunContext {
    BlockEntry* blocks = nullptr;
    uint16_t blockCap = 0;
    uint16_t blocksInUse = 0;
    TempPool pool;
    ArrayDesc* arrays = nullptr;
    uint16_t arrayDescSize = sizeof(ArrayDesc);
    uint16_t arrayCount = 0;
    char* work = nullptr;  // 240-byte work block allocated with the pool
    StringStore store;
    ErrCode lastError = 0;
    uint32_t lastModule = 0;
    // Set by the progress window's cancel button, read by long loops below the window layer
    // (CancelFlag), which must not include it.
    uint8_t cancel = 0;
};

inline constexpr int kContextSlots = 16;
inline constexpr uint16_t kInitialArrays = 26;
inline constexpr uint32_t kWorkBlockSize = 240;

// Block tags used by the core.
inline constexpr uint16_t kTagStore = 1;
inline constexpr uint16_t kTagArrays = 4;
inline constexpr uint16_t kTagPool = 11;
inline constexpr uint16_t kTagArrayVarData = 12;

// The context of the calling thread. With per-thread mode off (as in this system) every thread
// uses slot 0. In per-thread mode an unregistered thread ends the process with exit code
// kErrDataOutBound.
RunContext& CurrentContext();
// As CurrentContext, but an unregistered thread gives null and *err = kErrInternal instead of
// exiting.
RunContext* CurrentContextChecked(ErrCode* err);

// Per-thread mode: when on, a thread uses the slot of its registered identifier.
void SetPerThreadMode(bool on);
// Registers the calling thread in the first free slot; kErrInternal when all 16 are taken.
ErrCode RegisterThread();

// Creates the block table, pool, string store and typed-array table of the current context.
// kErrUndefWarning when already initialised, kErrOutOfMemory when memory runs out, kErrStructMem
// when the descriptor table fails.
ErrCode ContextInit();
bool ContextReady();

// Cancel flag of the window layer: 0 or 1 sets it; 'z' returns kErrUserCanceled when set, else 0;
// any other value returns the flag.
int CancelFlag(int value);

}  // namespace rt
