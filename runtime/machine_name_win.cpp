// The computer's name on Windows: GetComputerNameW, in UTF-8.
#include "runtime/machine_name.h"

#include <windows.h>

namespace rt {
namespace {

std::string Utf8(const wchar_t* text, int n) {
    if (n <= 0) return std::string();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, n, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, n, out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace

std::string MachineName() {
    wchar_t name[256];
    DWORD n = GetEnvironmentVariableW(L"KELVANE_MACHINE_NAME", name, 256);
    if (n > 0 && n < 256) return Utf8(name, static_cast<int>(n));
    n = 256;
    return GetComputerNameW(name, &n) ? Utf8(name, static_cast<int>(n)) : std::string();
}

}  // namespace rt
