// Fuzz target: lines of the list of known applications. Whatever a line holds, its name and pair
// written back as a line read again as the same texts, and a pair made of its parts splits into
// them again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "updater/config_file.h"

namespace {

std::string S(rt::StrRef s) { return s.ok() ? std::string(s.ptr, s.len) : "<error " + std::to_string(rt::StrError(s)) + ">"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    if (!ready || size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const uint16_t mark = rt::PoolMark();
        const rt::StrRef line = rt::StrMake(text.data() + start, static_cast<uint16_t>(end - start));
        const rt::ConfigEntry e = rt::ParseConfigLine(line);
        if (e.name.ok() && e.source.ok() && e.target.ok()) {
            const rt::StrRef again = rt::ConfigLine(e.name, e.source, e.target);
            if (again.ok()) {
                const rt::ConfigEntry r = rt::ParseConfigLine(again);
                if (S(r.name) != S(e.name) || S(r.source) != S(e.source) || S(r.target) != S(e.target))
                    __builtin_trap();
            }
            const rt::StrRef pair = rt::MakePair(e.source, e.target);
            if (pair.ok() && (S(rt::PairSource(pair)) != S(e.source) || S(rt::PairTarget(pair)) != S(e.target)))
                __builtin_trap();
        }
        rt::PoolRelease(mark);
        start = end + 1;
    }
    return 0;
}
