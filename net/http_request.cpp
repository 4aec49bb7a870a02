// The split of an address into host and path, the port of a host, and the GET request text.
#include "net/http_request.h"

#include <cstring>

#include "runtime/temp_pool.h"

namespace rt {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// s without a leading prefix (compared in any case), or s.
StrRef DropPrefix(StrRef s, const char* prefix) {
    uint16_t n = static_cast<uint16_t>(std::strlen(prefix));
    if (s.len < n) return s;
    for (uint16_t i = 0; i < n; ++i) {
        if (Lower(s.ptr[i]) != prefix[i]) return s;
    }
    return StrMake(s.ptr + n, static_cast<uint16_t>(s.len - n));
}

// A byte that a request line cannot hold as it is: it would end the line or split its fields,
// or it is not ASCII.
bool NeedsEscape(unsigned char c) { return c <= 0x20 || c >= 0x7F; }

constexpr char kHex[] = "0123456789ABCDEF";

// The fixed lines around the path and the host; the Referer names the maker's server.
constexpr char kRequestHead[] = "GET ";
constexpr char kRequestMiddle[] =
    " HTTP/1.1\r\n"
    "Accept: text/html, application/xhtml+xml, image/jxr, */*\r\n"
    "Accept-Encoding: identity\r\n"
    "Referer: http://";
constexpr char kRequestLanguage[] =
    "/\r\n"
    "Accept-Language: es-ES\r\n"
    "Host: ";
constexpr char kRequestEnd[] = "\r\n";

std::string gExtraHeaders;

}  // namespace

void SetRequestExtraHeaders(std::string lines) {
    gExtraHeaders.clear();
    // Each line a name, ':' and a value of printable bytes: an empty line would end the head.
    size_t at = 0;
    while (at < lines.size()) {
        const size_t end = lines.find("\r\n", at);
        if (end == std::string::npos) return;
        const size_t colon = lines.find(':', at);
        if (colon == at || colon >= end) return;
        for (size_t i = at; i < end; ++i) {
            const unsigned char c = static_cast<unsigned char>(lines[i]);
            if (c < 0x20 || c >= 0x7F) return;
        }
        at = end + 2;
    }
    gExtraHeaders = std::move(lines);
}

PoolText SplitAddress(StrRef address, uint16_t flags) {
    if (!address.ok()) return address;
    StrRef s = address;
    if (flags & kSplitHttp) s = DropPrefix(s, "http://");
    if (flags & kSplitHttps) s = DropPrefix(s, "https://");
    if (flags & kSplitPrefix) s = DropPrefix(s, "www.");
    if (!(flags & kSplitHostPath)) return s;
    uint16_t slash = 0;
    while (slash < s.len && s.ptr[slash] != '/') ++slash;
    // A bare host asks for the server's root: a request line needs a path.
    StrRef path = slash < s.len ? StrMake(s.ptr + slash, static_cast<uint16_t>(s.len - slash)) : StrMake("/", 1);
    uint32_t total = uint32_t{slash} + 1 + path.len;
    if (total > kMaxText) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* out = PoolBuffer(total, &err);
    if (!out) return StrErr(err ? err : kErrOutOfMemory);
    std::memcpy(out, s.ptr, slash);
    out[slash] = '\0';
    std::memcpy(out + slash + 1, path.ptr, path.len);
    return StrMake(out, static_cast<uint16_t>(total));
}

HostPort SplitHostPort(StrRef host) {
    HostPort hp;
    if (!host.ok()) {
        hp.error = StrError(host);
        return hp;
    }
    uint16_t colon = 0;
    while (colon < host.len && host.ptr[colon] != ':') ++colon;
    StrRef name = StrMake(host.ptr, colon);
    while (name.len && name.ptr[0] == ' ') name = StrMake(name.ptr + 1, name.len - 1);
    while (name.len && name.ptr[name.len - 1] == ' ') --name.len;
    if (name.len == 0) {
        hp.error = kErrBadInput;
        return hp;
    }
    hp.name = name;
    if (colon == host.len) return hp;
    uint32_t port = 0;
    uint16_t digits = 0;
    for (uint16_t i = colon + 1; i < host.len; ++i) {
        char c = host.ptr[i];
        if (c == ' ') continue;
        if (c < '0' || c > '9' || ++digits > 5) {
            hp.error = kErrBadInput;
            return hp;
        }
        port = port * 10 + static_cast<uint32_t>(c - '0');
    }
    if (port == 0 || port > 0xFFFF) {
        hp.error = kErrBadInput;
        return hp;
    }
    hp.port = static_cast<uint16_t>(port);
    return hp;
}

PoolText BuildRequest(StrRef path, StrRef host) {
    if (!path.ok()) return path;
    if (!host.ok()) return host;
    uint32_t escaped = 0;
    for (uint16_t i = 0; i < path.len; ++i) {
        if (NeedsEscape(path.at(i))) ++escaped;
    }
    uint16_t hostLen = 0;
    for (uint16_t i = 0; i < host.len; ++i) {
        unsigned char c = host.at(i);
        if (c == ' ') continue;
        // A host cannot be escaped; a line end in it would smuggle in header lines.
        if (NeedsEscape(c)) return StrErr(kErrBadInput);
        ++hostLen;
    }
    const uint32_t refererLen = sizeof(kDefaultServerHost) - 1;
    uint32_t total = (sizeof(kRequestHead) - 1) + path.len + 2 * escaped + (sizeof(kRequestMiddle) - 1) +
                     refererLen + (sizeof(kRequestLanguage) - 1) + hostLen + 2 + gExtraHeaders.size() + (sizeof(kRequestEnd) - 1);
    if (total > kMaxText) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* out = PoolBuffer(total, &err);
    if (!out) return StrErr(err ? err : kErrOutOfMemory);
    char* w = out;
    auto put = [&w](const char* p, size_t n) { std::memcpy(w, p, n); w += n; };
    put(kRequestHead, sizeof(kRequestHead) - 1);
    for (uint16_t i = 0; i < path.len; ++i) {
        unsigned char c = path.at(i);
        if (NeedsEscape(c)) {
            *w++ = '%';
            *w++ = kHex[c >> 4];
            *w++ = kHex[c & 15];
        } else {
            *w++ = static_cast<char>(c);
        }
    }
    put(kRequestMiddle, sizeof(kRequestMiddle) - 1);
    put(kDefaultServerHost, refererLen);
    put(kRequestLanguage, sizeof(kRequestLanguage) - 1);
    for (uint16_t i = 0; i < host.len; ++i) {
        if (host.ptr[i] != ' ') *w++ = host.ptr[i];
    }
    put("\r\n", 2);
    put(gExtraHeaders.data(), gExtraHeaders.size());
    put(kRequestEnd, sizeof(kRequestEnd) - 1);
    return StrMake(out, static_cast<uint16_t>(total));
}

}  // namespace rt
