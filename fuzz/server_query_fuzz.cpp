// Fuzz target: random query strings through the reference server's query parser.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/url_query.h"
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
    // What the log shows is short and printable, and shows no password the parser would read.
    const std::string logged = rt::QueryForLog(query);
    if (logged.size() > 200) __builtin_trap();
    for (char c : logged) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) __builtin_trap();
    }
    rt::ServerQuery shown;
    if (rt::ParseServerQuery(logged, &shown) == 0 &&
        shown.passw.find_first_not_of('*') != std::string::npos) {  // the cut may leave fewer stars
        __builtin_trap();
    }
    rt::PoolRelease(mark);
    return 0;
}
