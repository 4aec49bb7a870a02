// Fuzz target: random list answers through the list parser and its name checks.
#include <cstddef>
#include <cstdint>

#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "runtime/file_info.h"
#include "protocol/file_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    if (!ready) return 0;
    uint16_t mark = rt::PoolMark();
    rt::FolderListing listing{};
    rt::ErrCode err = rt::ParseFileList(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size), &listing);
    // A listing that parsed never claims more names or bytes than the answer held.
    if (err == 0 && listing.names.ok() && listing.names.len > size) __builtin_trap();
    rt::PoolRelease(mark);
    return 0;
}
