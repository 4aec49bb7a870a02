// Windows-1252 texts to and from UTF-16 with the code page named, not the process's.
#include "ui/wide_text.h"

#include <windows.h>

#include <cstring>

namespace rt {

std::wstring Wide(StrRef text) {
    if (!text.ok() || !text.len) return std::wstring();
    const int n = MultiByteToWideChar(kTextCodePage, 0, text.ptr, text.len, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(kTextCodePage, 0, text.ptr, text.len, out.data(), n);
    return out;
}

std::wstring Wide(const char* text) {
    return text ? Wide(StrMake(text, static_cast<uint16_t>(std::strlen(text) > kMaxText ? kMaxText : std::strlen(text))))
                : std::wstring();
}

std::string Narrow(const wchar_t* text) {
    if (!text || !*text) return std::string();
    const int n = WideCharToMultiByte(kTextCodePage, 0, text, -1, nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
    if (n > 0) WideCharToMultiByte(kTextCodePage, 0, text, -1, out.data(), n, "?", nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

bool NarrowExact(const wchar_t* text, size_t len, std::string* out) {
    out->clear();
    if (len == 0) return true;
    if (len > 0x7FFFFFFF) return false;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(len), nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    out->resize(static_cast<size_t>(n));
    WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(len), out->data(), n, nullptr,
                        &usedDefault);
    return !usedDefault;
}

}  // namespace rt
