// Classification of a path or address by its scheme, its bracketed prefix or its shape.
#include "net/path_kind.h"

#include <cstring>

namespace rt {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// 1-based position of text (compared lower-cased) in the comma list, 0 when it is not an item.
uint16_t ListPosition(const char* text, uint16_t len, const char* list) {
    uint16_t pos = 1;
    const char* item = list;
    while (true) {
        const char* end = std::strchr(item, ',');
        size_t itemLen = end ? static_cast<size_t>(end - item) : std::strlen(item);
        if (itemLen == len) {
            uint16_t i = 0;
            while (i < len && Lower(text[i]) == item[i]) ++i;
            if (i == len) return pos;
        }
        if (!end) return 0;
        item = end + 1;
        ++pos;
    }
}

int32_t FindByte(StrRef s, char c) {
    for (uint16_t i = 0; i < s.len; ++i) {
        if (s.ptr[i] == c) return i;
    }
    return -1;
}

}  // namespace

uint16_t PathKind(StrRef path) {
    if (!path.ok()) return kPathLocal;
    int32_t colon = FindByte(path, ':');
    if (colon >= 0) {
        uint16_t kind = ListPosition(path.ptr, static_cast<uint16_t>(colon), "\\\\,ras,rpc,ftp,ssl,http,https");
        if (kind) return kind;
    }
    int32_t slash = FindByte(path, '\\');
    uint16_t prefixLen = slash >= 0 ? static_cast<uint16_t>(slash) : path.len;
    uint16_t kind = ListPosition(path.ptr, prefixLen, "[smb],[ras],[rpc],[ftp],[ssl],[http],[https]");
    if (kind) return kind;
    if (path.len >= 2 && path.ptr[0] == '\\' && path.ptr[1] == '\\') return kPathShare;
    for (uint16_t i = 0; i + 1 < path.len; ++i) {
        if (path.ptr[i] == ':' && path.ptr[i + 1] == '/') return kPathSsl;
    }
    return kPathLocal;
}

bool IsWebSource(StrRef path) {
    const uint16_t kind = PathKind(path);
    return kind == kPathHttp || kind == kPathHttps;
}

}  // namespace rt
