// Writing and reading the server's list body.
#include "protocol/file_list.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "protocol/file_name_check.h"
#include "protocol/transfer_header.h"

namespace rt {

namespace {

// Records and reports code with its detail, then gives back everything above mark (the detail
// may live there).
ErrCode ReportList(uint16_t mark, ErrCode code, StrRef detail) {
    RecordError(code, kModNetRecv);
    ReportError(code, detail);
    PoolRelease(mark);
    return code;
}

}  // namespace

ErrCode FormatListEntry(const FileInfo& info, char out[kListEntrySize]) {
    uint32_t attributes = info.attributes & 0xFF;
    if (attributes > 99 || info.writeDate < 0 || info.writeTime < 0) return kErrBadInput;
    char buf[kListEntrySize + 1];
    int n = std::snprintf(buf, sizeof buf, "%2lu%12lu%10ld%10ld", static_cast<unsigned long>(attributes),
                          static_cast<unsigned long>(info.size), static_cast<long>(info.writeDate),
                          static_cast<long>(info.writeTime));
    if (n != kListEntrySize) return kErrBadInput;
    std::memcpy(out, buf, kListEntrySize);
    return 0;
}

ErrCode ParseListEntry(const char* p, FileInfo* out) {
    uint64_t attributes = 0, size = 0, date = 0, time = 0;
    bool ok = ReadHeaderNumber(p, 2, 0xFF, &attributes) && ReadHeaderNumber(p + 2, 12, 0xFFFFFFFFu, &size) &&
              ReadHeaderNumber(p + 14, 10, 0x7FFFFFFF, &date) && ReadHeaderNumber(p + 24, 10, 0x7FFFFFFF, &time);
    if (!ok) return kErrTransUp;
    FileInfo info;
    info.attributes = static_cast<uint32_t>(attributes);
    info.size = static_cast<uint32_t>(size);
    info.writeDate = static_cast<int32_t>(date);
    info.writeTime = static_cast<int32_t>(time);
    *out = info;
    return 0;
}

ErrCode FormatFileList(NameBlock names, const FileInfo* records, uint16_t count, char* out,
                       uint32_t capacity, uint32_t* written) {
    if (count == 0 || (records == nullptr) || names.len > kMaxNamesBlock) return kErrBadInput;
    uint32_t seps = 0;
    uint32_t start = 0;
    for (uint32_t i = 0; i <= names.len; ++i) {
        if (i < names.len && names.ptr[i] != '\0') continue;
        if (i - start > kMaxText) return kErrBadInput;
        ErrCode e = CheckFileName(StrMake(names.ptr + start, static_cast<uint16_t>(i - start)));
        if (e != 0) return e;
        if (i < names.len) ++seps;
        start = i + 1;
    }
    if (seps + 1 != count) return kErrBadInput;
    uint32_t need = FileListBodySize(names.len, count);
    if (out == nullptr || capacity < need) return kErrOutOfMemory;
    char head[kListLengthWidth + 1];
    std::snprintf(head, sizeof head, "%5u", static_cast<unsigned>(names.len));
    std::memcpy(out, head, kListLengthWidth);
    std::memcpy(out + kListLengthWidth, names.ptr, names.len);
    char* entry = out + kListLengthWidth + names.len;
    for (uint16_t k = 0; k < count; ++k, entry += kListEntrySize) {
        ErrCode e = FormatListEntry(records[k], entry);
        if (e != 0) return e;
    }
    *written = need;
    return 0;
}

ErrCode ParseFileList(const char* body, uint32_t len, FolderListing* listing) {
    if (body == nullptr && len > 0) return kErrBadInput;
    uint16_t mark = PoolMark();
    uint64_t namesLen = 0;
    if (len < kListLengthWidth || !ReadHeaderNumber(body, kListLengthWidth, kMaxNamesBlock, &namesLen)) {
        uint16_t shown = static_cast<uint16_t>(len < kListLengthWidth ? len : kListLengthWidth);
        return ReportList(mark, kErrTransUp, Concat(StrFromLiteral("Server response: "), StrMake(body ? body : "", shown)));
    }
    if (namesLen == 0) return ReportList(mark, kErrFileNotFound, StrFromLiteral("Server list"));
    // The announced length is checked against what arrived before anything is read or reserved.
    if (namesLen > len - kListLengthWidth)
        return ReportList(mark, kErrTransUp, StrFromLiteral("Server list shorter than its names block"));
    const char* block = body + kListLengthWidth;
    uint32_t count = 1;
    for (uint32_t i = 0; i < namesLen; ++i)
        if (block[i] == '\0') ++count;
    uint32_t entriesAt = kListLengthWidth + static_cast<uint32_t>(namesLen);
    if (static_cast<uint64_t>(count) * kListEntrySize > len - entriesAt)
        return ReportList(mark, kErrTransUp, StrFromLiteral("Server list shorter than its entries"));
    if (count > kMaxListingNames) return ReportList(mark, kErrOutOfMemory, StrFromLiteral("Server list records"));

    // Every name is checked before anything else is made, so a refused list leaves no trace.
    uint32_t start = 0;
    for (uint32_t i = 0; i <= namesLen; ++i) {
        if (i < namesLen && block[i] != '\0') continue;
        const uint32_t n = i - start;
        StrRef name = StrMake(block + start, static_cast<uint16_t>(n > kMaxText ? kMaxText : n));
        if (n > kMaxText || CheckFileName(name) != 0) {
            StrRef shown = name.len ? name : StrFromLiteral("(empty name)");
            return ReportList(mark, kErrBadInput, shown);
        }
        start = i + 1;
    }

    ListingStore store;
    store.names.reset(new (std::nothrow) char[namesLen]);
    store.records.reset(new (std::nothrow) FileInfo[count]);
    if (!store.names || !store.records) return ReportList(mark, kErrOutOfMemory, StrFromLiteral("Server list records"));
    for (uint32_t i = 0; i < namesLen; ++i) store.names[i] = block[i] == '/' ? '\\' : block[i];
    for (uint32_t k = 0; k < count; ++k) {
        const char* entry = body + entriesAt + k * kListEntrySize;
        if (ParseListEntry(entry, &store.records[k]) != 0) {
            return ReportList(mark, kErrTransUp,
                              Concat(StrFromLiteral("Server response: "), StrMake(entry, kListEntrySize)));
        }
    }
    FolderListing result;
    result.mask = kListArchive;
    result.status = 0;
    result.count = static_cast<uint16_t>(count);
    result.names = NameBlock(store.names.get(), static_cast<uint32_t>(namesLen));
    result.records = store.records.get();
    result.store = std::move(store);
    *listing = std::move(result);
    return 0;
}

}  // namespace rt
