// Fuzz target: random bytes as a chunked body, handed to the chunked reader in random pieces.
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
    const size_t step = 1 + data[0] % rt::kMaxPull;
    const uint16_t mark = rt::PoolMark();
    fuzz::PieceSource source(data + 1, size - 1, step);
    rt::ResponseBuffer buffer;
    fuzz::CountingSink sink;
    const rt::ErrCode err = rt::ReadChunkedBody(source, buffer, sink);
    // Chunk data is never more than what arrived, and a reader that says it finished has seen
    // at least the last chunk's "0" line.
    if (sink.total > size || (err == 0 && size < 4)) __builtin_trap();
    rt::PoolRelease(mark);
    if (rt::PoolMark() != mark) __builtin_trap();
    return 0;
}
