// Whole-list operations: union, difference and field positions.
#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool SameField(StrRef a, StrRef b, bool fold) {
    if (a.len != b.len) return false;
    if (!fold) return std::memcmp(a.ptr, b.ptr, a.len) == 0;
    for (uint16_t i = 0; i < a.len; ++i) {
        if (Lower(a.at(i)) != Lower(b.at(i))) return false;
    }
    return true;
}

bool InList(StrRef list, char sep, StrRef item, bool fold) {
    const uint16_t count = FieldCount(list, sep);
    StrRef rest = list;
    for (uint32_t k = 0; k < count; ++k) {
        if (SameField(Field(rest, sep, 1), item, fold)) return true;
        rest = FieldRest(rest, sep);
    }
    return false;
}

// Appends into one pool entry reserved up front; any overflow of the reservation is 145
// (either the one-piece limit or the pool itself is exhausted).
class Builder {
public:
    explicit Builder(uint64_t bound) {
        uint64_t cap = std::min<uint64_t>(bound, kMaxText);
        cap = std::min<uint64_t>(cap, PoolFreeBytes());
        ErrCode err = 0;
        buf_ = PoolBuffer(static_cast<uint32_t>(cap), &err);
        cap_ = buf_ ? static_cast<uint32_t>(cap) : 0;
        failed_ = buf_ == nullptr;
    }
    void Add(StrRef s) {
        if (failed_) return;
        if (uint32_t{used_} + s.len > cap_) {
            failed_ = true;
            return;
        }
        if (s.len) std::memcpy(buf_ + used_, s.ptr, s.len);
        used_ = static_cast<uint16_t>(used_ + s.len);
    }
    void AddChar(char c) { Add(StrMake(&c, 1)); }
    uint16_t used() const { return used_; }
    // The finished text, trimmed to what was written; (null, 145) after an overflow.
    StrRef Finish() {
        if (failed_) return StrErr(kErrOutOfMemory);
        return PoolShrinkTop(used_);
    }

private:
    char* buf_ = nullptr;
    uint32_t cap_ = 0;
    uint16_t used_ = 0;
    bool failed_ = false;
};

// Union and difference: each field of src absent from ref and not seen earlier in src is
// appended, Join-style, to `start`.
StrRef Merge(StrRef src, char srcSep, StrRef ref, char refSep, StrRef start, char outSep,
             bool fold) {
    const uint16_t mark = PoolMark();
    const uint16_t count = FieldCount(src, srcSep);
    Builder out(uint64_t{start.len} + src.len + count);
    out.Add(start);
    uint32_t fieldStart = 0;
    for (uint32_t k = 0; k < count; ++k) {
        const StrRef rest = StrMake(src.ptr + fieldStart, static_cast<uint16_t>(src.len - fieldStart));
        const StrRef field = Field(rest, srcSep, 1);
        // The earlier fields of src are exactly the list in front of this field's separator.
        const StrRef earlier = StrMake(src.ptr, static_cast<uint16_t>(fieldStart ? fieldStart - 1 : 0));
        const bool wanted = field.len != 0 && !InList(ref, refSep, field, fold) &&
                            !(fieldStart && InList(earlier, srcSep, field, fold));
        if (wanted) {
            if (out.used()) out.AddChar(outSep);
            out.Add(field);
        }
        fieldStart += uint32_t{field.len} + 1;
    }
    const StrRef result = out.Finish();
    if (!result.ok()) PoolRelease(mark);
    return result;
}

}  // namespace

StrRef ListUnion(StrRef a, char sepA, StrRef b, char sepB, char outSep, bool fold) {
    if (!a.ok()) return a;
    if (!b.ok()) return b;
    return Merge(b, sepB, a, sepA, a, outSep, fold);
}

StrRef ListDifference(StrRef a, char sepA, StrRef b, char sepB, char outSep, bool fold) {
    if (!a.ok()) return a;
    if (!b.ok()) return b;
    return Merge(a, sepA, b, sepB, StrEmpty(), outSep, fold);
}

uint16_t ListPositions(StrRef a, StrRef b, ListMatchFn match, StrRef* out) {
    StrRef sink;
    if (!out) out = &sink;
    if (!a.ok()) {
        *out = a;
        return 0;
    }
    if (!b.ok()) {
        *out = b;
        return 0;
    }
    const uint16_t mark = PoolMark();
    const uint16_t count = FieldCount(a, ',');
    Builder values(uint64_t{count} * 2);
    // A match function may leave temporaries; they are dropped so the values stay the top entry.
    const uint16_t valuesMark = PoolMark();
    uint32_t found = 0;
    StrRef rest = a;
    for (uint32_t k = 0; k < count; ++k) {
        const StrRef field = Field(rest, ',', 1);
        rest = FieldRest(rest, ',');
        const uint16_t v = match ? match(field, b) : ListIndex(b, field, ',');
        PoolRelease(valuesMark);
        if (v == 0) continue;
        char bytes[2];
        std::memcpy(bytes, &v, 2);
        values.Add(StrMake(bytes, 2));
        ++found;
    }
    *out = values.Finish();
    if (!out->ok()) {
        PoolRelease(mark);
        return 0;
    }
    return static_cast<uint16_t>(found);
}

}  // namespace rt
