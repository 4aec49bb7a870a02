// Fuzz target: random list answers through the list parser and its name checks, and the sorted
// lookup checked against the plain one for every name that parsed.
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
    if (err == 0 && listing.names.len > size) __builtin_trap();
    if (err == 0) {
        const rt::ListingLookup lookup(listing.names, listing.count);
        uint32_t start = 0;
        for (uint32_t i = 0; i <= listing.names.len; ++i) {
            if (i < listing.names.len && listing.names.ptr[i] != '\0') continue;
            const rt::StrRef name = rt::StrMake(listing.names.ptr + start, static_cast<uint16_t>(i - start));
            if (lookup.Find(name) != rt::ListingIndex(listing.names, name)) __builtin_trap();
            start = i + 1;
        }
    }
    rt::PoolRelease(mark);
    return 0;
}
