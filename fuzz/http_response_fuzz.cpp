// Fuzz target: random server answers through the HTTP response reader, cut into random pieces.
#include <cstddef>
#include <cstdint>

#include "net/http_response.h"
#include "runtime/context.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "fuzz/piece_source.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    if (!ready || size < 1) return 0;
    size_t step = 1 + data[0] % rt::kMaxPull;
    uint16_t mark = rt::PoolMark();
    fuzz::PieceSource source(data + 1, size - 1, step);
    fuzz::CountingSink sink;
    rt::ReadResponse(source, sink);
    // The body can never be longer than what was received.
    if (sink.total > size) __builtin_trap();
    rt::PoolRelease(mark);
    return 0;
}
