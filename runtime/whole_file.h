// Whole-file operations: length, reading bytes or text, reading a small file and splitting its
// lines, appending one file to another and replacing a file's contents in one step.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/strref.h"

namespace rt {

// Length of the file in bytes; 0 when it cannot be opened.
uint32_t FileLength(StrRef path);
// count bytes from offset as one new pool entry; count 0xFFFF reads to the end of the file.
// More than 65535 bytes or more than PoolFreeBytes gives kErrOutOfMemory; count 0 an empty text;
// fewer bytes than asked kErrDataOutBound; a missing file kErrFileNotFound.
StrRef ReadBytes(StrRef path, uint32_t offset, uint16_t count);
// The whole file without trailing CR and LF, each CR LF and then each LF replaced by sep.
StrRef ReadText(StrRef path, StrRef sep);
// The whole file at path into *out when it has at most limit bytes (pure, no pool): 0, the open's
// code (kErrFileNotFound when there is none), kErrDataOutBound when longer or cut short, or the
// read's code.
ErrCode ReadSmallFile(const char* path, size_t limit, std::string* out);
// Calls fn(line) for each line of text, in order, until fn returns false. A line ends at LF, a CR
// before it is not part of it; a last line without an end counts, an empty text has none.
template <class Fn>
void ForEachLine(std::string_view text, Fn fn) {
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!fn(line)) return;
    }
}
// Appends the source file to destination in chunks. An empty or missing source gives kErrOutOfData;
// the first failed write (kErrFileIo when short) stops the copy and is returned.
ErrCode AppendFileContents(StrRef destination, StrRef source);

// Replaces the file's contents by data in one step: the data goes to a temporary file beside
// the target, is flushed to the disk and renamed over the target, so that the target holds
// either its old or its new contents, never a part. kErrPermission when the replacement fails; the
// old file is then left as it was.
ErrCode ReplaceFileContents(StrRef path, const char* data, uint32_t len);
inline ErrCode ReplaceFileContents(StrRef path, StrRef data) {
    if (!data.ok()) return StrError(data);
    return ReplaceFileContents(path, data.ptr, data.len);
}

}  // namespace rt
