// Temporary files with names no other file has: created exclusively, so nothing is ever emptied.
#pragma once

#include <cstdint>

#include "runtime/fs.h"
#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kTempPathMax = 512;

// Creates a new, empty file named prefix + a unique part + ".tmp" in folder (the system's
// temporary folder when folder is empty, the working folder when that is unset too) and writes its
// NUL-terminated path into out. With `open`, the file is left open there for reading and writing.
// 131 when no file can be made, 145 when the path does not fit. Uses the pool only during the call.
ErrCode CreateTempFile(StrRef folder, const char* prefix, char* out, uint16_t capacity, FsFile* open = nullptr);

}  // namespace rt
