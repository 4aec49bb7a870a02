// Refusal of server file names that could escape the target folder or address a device.
#include "protocol/file_name_check.h"

#include <cstring>

#include "runtime/temp_file.h"

namespace rt {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsFold(const char* p, uint16_t n, const char* word) {
    if (std::strlen(word) != n) return false;
    for (uint16_t i = 0; i < n; ++i)
        if (Upper(p[i]) != word[i]) return false;
    return true;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Windows treats the superscript digits of the ANSI code page like 1, 2, 3 in COM and LPT names.
bool IsDeviceDigit(char c) {
    auto u = static_cast<unsigned char>(c);
    return (c >= '0' && c <= '9') || u == 0xB9 || u == 0xB2 || u == 0xB3;
}

bool IsForbiddenByte(char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 0x20 || std::strchr("<>\"|?*:", c) != nullptr;
}

}  // namespace

bool IsDeviceName(StrRef component) {
    if (!component.ok()) return false;
    uint16_t n = 0;
    while (n < component.len && component.ptr[n] != '.') ++n;
    // "NUL .txt" opens the device as well: blanks before the extension do not count.
    while (n > 0 && component.ptr[n - 1] == ' ') --n;
    const char* p = component.ptr;
    static const char* const kPlain[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* w : kPlain)
        if (EqualsFold(p, n, w)) return true;
    if (n == 4 && (EqualsFold(p, 3, "COM") || EqualsFold(p, 3, "LPT")) && IsDeviceDigit(p[3])) return true;
    return false;
}

ErrCode CheckFileName(StrRef name) {
    if (!name.ok()) return StrError(name);
    if (name.len == 0 || IsSeparator(name.ptr[0])) return kErrBadInput;
    uint16_t start = 0;
    for (uint32_t i = 0; i <= name.len; ++i) {
        if (i < name.len && !IsSeparator(name.ptr[i])) {
            if (IsForbiddenByte(name.ptr[i])) return kErrBadInput;
            continue;
        }
        StrRef comp = StrMake(name.ptr + start, static_cast<uint16_t>(i - start));
        if (comp.len == 0) return kErrBadInput;
        char last = comp.ptr[comp.len - 1];
        // Also covers "." and "..", which end in a dot.
        if (last == '.' || last == ' ') return kErrBadInput;
        if (IsDeviceName(comp)) return kErrBadInput;
        // The commit's journal, lock, staging and aside files are trusted as the program's own.
        if (IsOwnPatternName(comp.ptr, comp.len)) return kErrBadInput;
        start = static_cast<uint16_t>(i + 1);
    }
    return 0;
}

}  // namespace rt
