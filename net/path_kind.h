// The kind of a path or address: local, share, HTTP, HTTPS and the other schemes the run-time
// knows by name.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kPathLocal = 0;
inline constexpr uint16_t kPathShare = 1;  // "\\server\share", "[smb]\..."
inline constexpr uint16_t kPathRas = 2;
inline constexpr uint16_t kPathRpc = 3;
inline constexpr uint16_t kPathFtp = 4;
inline constexpr uint16_t kPathSsl = 5;    // also any other path holding ":/"
inline constexpr uint16_t kPathHttp = 6;
inline constexpr uint16_t kPathHttps = 7;

// The kind of path: its scheme (the text before the first ':', any case) among
// "\\,ras,rpc,ftp,ssl,http,https"; else the text before the first '\' among "[smb],[ras],[rpc],
// [ftp],[ssl],[http],[https]" (any case); else kPathShare for a leading "\\", kPathSsl for a
// path containing ":/", kPathLocal otherwise. An error value is kPathLocal.
uint16_t PathKind(StrRef path);
// True for an update server's address: a path of kind kPathHttp or kPathHttps.
bool IsWebSource(StrRef path);

}  // namespace rt
