// Reversible keyed scrambling of short texts into base-32 digit pairs.
#include "runtime/scramble.h"

#include <cstring>

#include "runtime/temp_pool.h"
#include "runtime/text_building.h"

namespace rt {
namespace {

constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuv";

uint8_t Seed(StrRef keytext) {
    unsigned sum = 0;
    for (uint16_t i = 0; i < keytext.len; ++i) sum += keytext.at(i);
    return static_cast<uint8_t>(sum);
}

uint8_t NextKey(uint8_t k, uint8_t seed) { return static_cast<uint8_t>((k << 1) | seed); }

// Value of one base-32 digit, either letter case. A foreign character reads as 0 so that a
// damaged stored text unscrambles to garbage rather than failing midway.
unsigned DigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'v') return c - 'a' + 10;
    if (c >= 'A' && c <= 'V') return c - 'A' + 10;
    return 0;
}

}  // namespace

StrRef Scramble(StrRef s, StrRef keytext) {
    if (!s.ok()) return s;
    if (!keytext.ok()) return keytext;
    const uint8_t seed = Seed(keytext);
    uint8_t k = seed;
    StrRef out;
    char* w = NewText(uint32_t{s.len} * 2, &out);
    if (!w) return out;
    for (uint16_t i = 0; i < s.len; ++i) {
        const unsigned v = static_cast<uint8_t>(s.at(i) + k);
        w[2 * i] = kDigits[v / 32];
        w[2 * i + 1] = kDigits[v % 32];
        k = NextKey(k, seed);
    }
    return out;
}

StrRef Unscramble(StrRef t, StrRef keytext) {
    if (!t.ok()) return t;
    if (!keytext.ok()) return keytext;
    StrRef out;
    char* w = NewText(t.len / 2u, &out);
    if (!w) return out;
    if (t.len % 2) {
        std::memset(w, ' ', out.len);
        return out;
    }
    const uint8_t seed = Seed(keytext);
    uint8_t k = seed;
    for (uint16_t i = 0; i < out.len; ++i) {
        const unsigned v = DigitValue(t.at(static_cast<uint16_t>(2 * i))) * 32 +
                           DigitValue(t.at(static_cast<uint16_t>(2 * i + 1)));
        w[i] = static_cast<char>(static_cast<uint8_t>(v - k));
        k = NextKey(k, seed);
    }
    return out;
}

}  // namespace rt
