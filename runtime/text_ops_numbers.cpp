// Reading a text as a 16-bit integer or as a yes/no answer.
#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

constexpr char kYesWords[] = "YES,SI,Y,S,ON";

unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

bool IsYesWord(StrRef s) {
    const StrRef words = StrMake(kYesWords, sizeof kYesWords - 1);
    const uint16_t count = FieldCount(words, ',');
    for (uint16_t k = 1; k <= count; ++k) {
        const StrRef word = Field(words, ',', k);
        if (word.len != s.len) continue;
        uint16_t i = 0;
        while (i < s.len && Upper(s.at(i)) == static_cast<unsigned char>(word.ptr[i])) ++i;
        if (i == s.len) return true;
    }
    return false;
}

}  // namespace

int16_t ToInt(StrRef s) {
    if (!s.ok() || s.len == 0) return 0;
    if (s.at(0) > '@') return IsYes(s) ? 1 : 0;
    uint16_t i = 0;
    while (i < s.len && (s.ptr[i] == ' ' || s.ptr[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.len && (s.ptr[i] == '-' || s.ptr[i] == '+')) negative = s.ptr[i++] == '-';
    // Arithmetic modulo 2^16: the value is cut to 16 bits however many digits there are.
    uint16_t v = 0;
    while (i < s.len && s.ptr[i] >= '0' && s.ptr[i] <= '9') {
        v = static_cast<uint16_t>(v * 10u + static_cast<unsigned>(s.ptr[i] - '0'));
        ++i;
    }
    if (negative) v = static_cast<uint16_t>(0u - v);
    return static_cast<int16_t>(v);
}

bool IsYes(StrRef s) {
    if (!s.ok() || s.len == 0) return false;
    if (s.at(0) > '8') return IsYesWord(s);
    return ToInt(s) != 0;
}

}  // namespace rt
