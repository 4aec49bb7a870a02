// Fuzz target: random query strings through the reference server's query parser.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "server/query.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    if (!ready) return 0;
    uint16_t mark = rt::PoolMark();
    std::string_view query(reinterpret_cast<const char*>(data), size);
    rt::ServerQuery parsed;
    rt::ParseServerQuery(query, &parsed);
    // Decoding never makes a text longer.
    if (rt::UrlDecode(query).size() > size) __builtin_trap();
    rt::PoolRelease(mark);
    return 0;
}
