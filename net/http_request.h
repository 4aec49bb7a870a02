// What the HTTP client sends: the split of an address into host and path, the host's port and
// the request text.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {

// The maker's update server: the host of default sources (the option HOST names another one) and
// the Referer of every request. A name under ".invalid" never reaches a host by accident.
inline constexpr char kDefaultServerHost[] = "updates.orvik.invalid";

// SplitAddress flags.
inline constexpr uint16_t kSplitHttp = 0x01;     // remove a leading "http://"
inline constexpr uint16_t kSplitHttps = 0x02;    // remove a leading "https://"
inline constexpr uint16_t kSplitPrefix = 0x04;   // remove a leading "www."
inline constexpr uint16_t kSplitHostPath = 0x40; // host NUL path
inline constexpr uint16_t kSplitFetch = 0x41;    // what the fetchers use

// The address reduced by the flags (schemes compared in any case). With kSplitHostPath the host
// (the text before the first '/') and the path (the rest, from that '/'; "/" when there is none)
// are joined with one NUL. A piece of address or one pool entry.
PoolText SplitAddress(StrRef address, uint16_t flags);

// The host and port of an address's host part: "name:8080" is name and 8080; without a port,
// 80. Blanks are dropped from the name. kErrBadInput for an empty name or a port that is not
// 1..65535.
struct HostPort {
    ErrCode error = 0;
    StrRef name;
    uint16_t port = 80;
};
HostPort SplitHostPort(StrRef host);

// Header lines ("Name: value\r\n" each) that every request carries after the fixed ones, until
// they are set again: what the updater tells the server about the desktop. Lines holding a byte a
// header cannot hold (controls other than their CR LF, bytes above 0x7E) are not taken.
void SetRequestExtraHeaders(std::string lines);

// The GET request for path on host, every header line ending in CR LF and the extra lines, then
// an empty line at the end. The body can only be decoded as sent, so it asks for "Accept-Encoding: identity". Bytes
// that cannot stand in a request line (controls, blank, DEL and bytes above 0x7F) are written as
// %XX; a host holding such a byte gives kErrBadInput. One pool entry.
PoolText BuildRequest(StrRef path, StrRef host);

}  // namespace rt
