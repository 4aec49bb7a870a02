// Element access to texts that hold packed 2-byte or 8-byte numbers.
#include "runtime/text_elements.h"

#include <cstring>

namespace rt {
namespace {

bool Inside(StrRef s, uint16_t i, uint32_t size) {
    return s.ok() && s.len % size == 0 && uint32_t{i} < s.len / size;
}

}  // namespace

uint16_t ElementGet16(StrRef s, uint16_t i) {
    if (!Inside(s, i, 2)) return 0xFFFF;
    uint16_t v = 0;
    std::memcpy(&v, s.ptr + uint32_t{i} * 2, 2);
    return v;
}

ErrCode ElementSet16(StrRef s, uint16_t i, uint16_t v) {
    if (!Inside(s, i, 2)) return 0xFFFF;
    std::memcpy(MutPtr(s) + uint32_t{i} * 2, &v, 2);
    return kOk;
}

ErrCode ElementGet64(StrRef s, uint16_t i, int64_t* out) {
    if (!out || !Inside(s, i, 8)) return 0xFFFF;
    std::memcpy(out, s.ptr + uint32_t{i} * 8, 8);
    return kOk;
}

}  // namespace rt
