// The body of the server's list answer: which files the update server offers, with their sizes,
// attributes and last-write times. Client and server share this code.
//
// Layout: a 5-digit decimal length L, a names block of L bytes holding the relative names
// separated by NUL, then one 34-byte entry per name in the same order: attributes (2), size (12),
// last-write date YYYYMMDD (10), last-write time in ms since midnight (10), each a right-aligned
// decimal number padded with blanks. The list answer is a transfer header followed by this body.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/file_info.h"

namespace rt {

inline constexpr uint16_t kListLengthWidth = 5;
inline constexpr uint16_t kListEntrySize = 34;
inline constexpr uint32_t kMaxNamesBlock = 99999;  // what 5 digits can announce

// Writes the entry of one record (attributes, size, write date and time) into out, 34 bytes,
// no terminator. kErrBadInput when the attributes exceed 99 (they travel as two digits; a server
// sends the archive bit 32) or the date or time is negative.
ErrCode FormatListEntry(const FileInfo& info, char out[kListEntrySize]);

// Reads one 34-byte entry into a record whose other fields are 0. kErrTransUp when a byte is
// neither a digit nor a blank or a number does not fit its field; *out is then left alone.
ErrCode ParseListEntry(const char* p, FileInfo* out);

// The largest body a list can have: the longest names block 5 digits announce, holding the most
// names it can (one character and a separator each), and their entries. Client and server bound
// a list by this and nothing else.
inline constexpr uint32_t kMaxListBody = kListLengthWidth + kMaxNamesBlock + kListEntrySize * (kMaxNamesBlock / 2 + 1);

// Bytes of the body for count names occupying namesLen bytes.
inline uint32_t FileListBodySize(uint32_t namesLen, uint32_t count) {
    return kListLengthWidth + namesLen + kListEntrySize * count;
}

// Writes the body for `count` names (NUL-separated in names, no trailing NUL) and their records
// into out (capacity bytes); *written receives the length. kErrBadInput when the names do not
// number `count`, when a name fails CheckFileName (a client would refuse the whole list) or an
// entry cannot be written; kErrOutOfMemory when out is too small. Uses no pool space.
ErrCode FormatFileList(NameBlock names, const FileInfo* records, uint16_t count, char* out,
                       uint32_t capacity, uint32_t* written);

// Parses a body of len bytes into listing, which holds the names (every "/" turned into "\") and
// the records (FileInfo with size, attributes, write date and time; the rest 0) on the heap;
// count, status 0, mask kListArchive; pattern, folder and exclusions empty. On failure nothing is
// left in the pool, listing is untouched and the code is returned:
//   kErrTransUp       the length field is not a number, or the body holds fewer bytes than the
//                     names block and its entries announce, or an entry is unreadable (reported
//                     with the server's text);
//   kErrFileNotFound  an empty names block;
//   kErrBadInput      a name fails CheckFileName (reported against the name), before any record
//                     is made;
//   kErrOutOfMemory   memory for the names and records ran out.
// Bytes after the last entry are ignored.
ErrCode ParseFileList(const char* body, uint32_t len, FolderListing* listing);

}  // namespace rt
