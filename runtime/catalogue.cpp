// Lookup of numbered messages: a loaded language resource first, else the built-in blocks.
#include "runtime/catalogue.h"

#include <cstring>

#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

constexpr uint16_t kKeyLen = 4;
constexpr uint16_t kLargestKey = 9999;

// Decimal digits of n, zero-filled to four places; at most 5 characters. Returns the length.
uint16_t WriteKey(uint16_t n, char* out) {
    uint16_t len = n > kLargestKey ? 5 : kKeyLen;
    for (int i = len - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    return len;
}

// The text after "key" and one separator, running to the next NUL. The resource is a run of
// NUL-separated entries; its first entry need not be preceded by a NUL, so the start counts as one.
StrRef FromResource(StrRef res, StrRef key) {
    uint32_t at;
    if (res.len >= key.len && std::memcmp(res.ptr, key.ptr, key.len) == 0) {
        at = 0;
    } else {
        char pattern[kKeyLen + 1] = {'\0'};
        std::memcpy(pattern + 1, key.ptr, kKeyLen);
        uint16_t pos = FindStr(res, StrMake(pattern, kKeyLen + 1), true);
        if (pos == kNpos) return StrEmpty();
        at = pos + 1u;
    }
    uint32_t from = at + key.len + 1u;
    if (from >= res.len) return StrEmpty();
    StrRef rest = SubStr(res, static_cast<int32_t>(from), kNpos);
    uint16_t end = FindChar(rest, 0, '\0', true);
    return end == kNpos ? rest : SubStr(rest, 0, end);
}

// The text of key in its built-in block: after the key and its blank, up to the next tab that is
// not inside quotes (form definitions may hold tabs in their quoted parts).
StrRef FromBlocks(uint16_t n, StrRef key) {
    // Comparing zero-filled keys as text orders them as their numbers do.
    int index = n > 999 ? 4 : n >= 90 ? 3 : n < 40 ? 1 : 2;
    StrRef block = CatalogueBlock(index);
    uint16_t pos = FindStr(block, key, false);
    if (pos == kNpos) return StrEmpty();
    uint32_t from = pos + key.len + 1u;
    if (from >= block.len) return StrEmpty();
    StrRef rest = SubStr(block, static_cast<int32_t>(from), kNpos);
    uint16_t end = FindChar(rest, 0, '\t', false);
    return end == kNpos ? rest : SubStr(rest, 0, end);
}

// Message(n) without the final copy: *pooled tells whether the text lies in the pool above the
// caller's mark (a language resource text or the stand-in) or in the static catalogue.
StrRef MessageText(uint16_t n, bool* pooled) {
    *pooled = false;
    char keyBuf[5];
    StrRef key = StrMake(keyBuf, WriteKey(n, keyBuf));
    if (key.len == kKeyLen) {
        StrRef res = StoreGet(kGroupSystem, kItemLangResource);
        if (res.ok() && res.len > 1) {
            StrRef text = FromResource(res, key);
            // The store moves its texts on every change, so the caller gets a copy.
            if (text.ok() && text.len > 0) {
                *pooled = true;
                return PoolCopy(text);
            }
        } else {
            StrRef text = FromBlocks(n, key);
            if (text.ok() && text.len > 0) return text;
        }
    }
    *pooled = true;
    return Replace(StrFromLiteral("Lang code [$] not found."), StrFromLiteral("[$]"), key, true);
}

}  // namespace

StrRef MessageKey(uint16_t n) {
    if (n > kLargestKey) return StrErr(kErrBadInput);
    char keyBuf[5];
    return PoolCopy(StrMake(keyBuf, WriteKey(n, keyBuf)));
}

StrRef Message(uint16_t n) {
    uint16_t mark = PoolMark();
    bool pooled;
    StrRef text = MessageText(n, &pooled);
    if (!pooled || !text.ok()) {
        PoolRelease(mark);
        return text;
    }
    return PoolReturn(mark, text);
}

StrRef MessageField(uint16_t n, uint16_t k) {
    uint16_t mark = PoolMark();
    bool pooled;
    StrRef text = MessageText(n, &pooled);
    StrRef field = Field(text, ',', k == 0 ? 1 : k);
    if (!pooled || !field.ok()) {
        PoolRelease(mark);
        return field;
    }
    if (field.len == 0) {
        PoolRelease(mark);
        return StrEmpty();
    }
    return PoolReturn(mark, field);
}

}  // namespace rt
