// Fuzz target: random parameter texts and keys through ParamFind with every flag combination.
#include <cstddef>
#include <cstdint>

#include "runtime/context.h"
#include "runtime/params.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    if (!ready || size < 3 || size > 0xFFFF) return 0;
    // First two bytes: flags; third: key length; then the key and the text.
    uint16_t flags = static_cast<uint16_t>(data[0] | (data[1] << 8));
    size_t keyLen = data[2] % 16;
    if (3 + keyLen > size) return 0;
    const char* key = reinterpret_cast<const char*>(data + 3);
    const char* text = key + keyLen;
    size_t textLen = size - 3 - keyLen;
    uint16_t mark = rt::PoolMark();
    rt::ParamSpan span = rt::ParamFind(rt::StrRef{text, static_cast<uint16_t>(textLen)},
                                       rt::StrRef{key, static_cast<uint16_t>(keyLen)}, flags);
    // A found value always lies inside the text.
    if (span.pos != rt::kNpos && static_cast<size_t>(span.pos) + span.len > textLen) __builtin_trap();
    rt::ParamGetRetry(rt::StrRef{text, static_cast<uint16_t>(textLen)},
                      rt::StrRef{key, static_cast<uint16_t>(keyLen)}, flags);
    rt::PoolRelease(mark);
    return 0;
}
