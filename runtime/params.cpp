// Run-time parameters, the key-and-value lookup of parameter texts and %NAME% expansion.
#include "runtime/params.h"

#include <cstring>

#include "runtime/catalogue.h"
#include "runtime/error_record.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

// The k-th reference name stands for item k; "LANGMODULE.DOCPATH" is one name, so DATAPATH
// refers to item 5 and HELPPATH to item 6.
constexpr char kItemNames[] = "COMMANDLINE,APNAME,APDESCRIP,LANGMODULE.DOCPATH,DATAPATH,HELPPATH";
constexpr uint16_t kAppNameRef = 2;
constexpr uint16_t kMsgDateMessage = 19;
// The k-th name stands for field k of the database connection item.
constexpr char kDatabaseNames[] = "DATABASE_HOST,DATABASE_DBNAME,DATABASE_USER,DATABASE_PASSW";

struct SeparatorSet {
    char chars[5];
    uint8_t count;
    bool Has(char c) const { return std::memchr(chars, c, count) != nullptr; }
};

SeparatorSet Separators(uint16_t flags) {
    if (flags & (kParamColonOnly | 0x20 | kParamBlankOnly)) {
        return SeparatorSet{{(flags & kParamBlankOnly) ? ' ' : ':'}, 1};
    }
    if (flags & kParamDash) return SeparatorSet{{':', ' ', '&', '/', '-'}, 5};
    return SeparatorSet{{':', ' ', '&', '/'}, 4};
}

// Position of the first accepted "key<mark>" entry, or kNpos.
uint32_t FindEntry(StrRef text, StrRef key, char mark, bool nulMode, const SeparatorSet& seps) {
    const char first = key.len ? key.ptr[0] : mark;
    const uint32_t need = uint32_t{key.len} + 1;
    for (uint32_t m = FindChar(text, 0, first, nulMode); m != kNpos;
         m = FindChar(text, static_cast<uint16_t>(m + 1), first, nulMode)) {
        if (m + need > text.len) return kNpos;
        if (std::memcmp(text.ptr + m, key.ptr, key.len) != 0 || text.ptr[m + key.len] != mark) continue;
        if (m == 0) return m;
        const char before = text.ptr[m - 1];
        if (nulMode ? before == '\0' : seps.Has(before)) return m;
    }
    return kNpos;
}

// End of a value starting at `start` in text mode.
uint32_t ValueEnd(StrRef t, uint32_t start, const SeparatorSet& seps, bool quotedSeps) {
    const char lead = start < t.len ? t.ptr[start] : '\0';
    // The lead quote is skipped as a quoted part first, so i - 1 >= start when it is read.
    const bool afterQuoteOnly = quotedSeps && IsQuote(static_cast<unsigned char>(lead));
    const uint16_t end = ScanUnquoted(t, start, [&](unsigned char c, uint16_t i) {
        return seps.Has(static_cast<char>(c)) && (!afterQuoteOnly || t.ptr[i - 1] == lead);
    });
    return end == kNpos ? t.len : end;
}

bool PointsInto(StrRef piece, StrRef whole) {
    return piece.ptr >= whole.ptr && piece.ptr + piece.len <= whole.ptr + whole.len;
}

// Leaves through the caller's scope: a piece of the input or an empty value needs no pool entry,
// anything else is moved down to the mark.
StrRef Leave(PoolScope& scope, StrRef v, StrRef input) {
    if (!v.ok() || v.len == 0 || PointsInto(v, input)) return (v.ok() && v.len == 0) ? StrEmpty() : v;
    return scope.Return(v);
}

}  // namespace

StrRef RunParam(uint16_t item) { return StoreGet(kGroupParams, item); }

ErrCode SetRunParam(uint16_t item, StrRef value) {
    if (!value.ok()) return StrError(value);
    return StoreSet(kGroupParams, item, value);
}

ErrCode LoadDateMessage() {
    const uint16_t mark = PoolMark();
    const ErrCode err = SetRunParam(kParamDateMessage, Message(kMsgDateMessage));
    PoolRelease(mark);
    return err;
}

ErrCode SetCommandLine(const char* line) {
    if (!line) return kErrBadInput;
    const size_t n = std::strlen(line);
    if (n > kMaxText) {
        RecordError(kErrBadCommandLine, kModAuxParam);
        return kErrBadCommandLine;
    }
    const uint16_t mark = PoolMark();
    const StrRef tidy = Replace(StrMake(line, static_cast<uint16_t>(n)), StrFromLiteral("\"  \""),
                                StrFromLiteral("\" \""), true);
    const ErrCode code = tidy.ok() ? SetRunParam(kParamCommandLine, tidy) : StrError(tidy);
    PoolRelease(mark);
    return code;
}

ParamSpan ParamFind(StrRef text, StrRef key, uint16_t flags) {
    if (!text.ok() || !key.ok()) return ParamSpan{kNpos, 0};
    const bool nulMode = (flags & kParamNulMode) != 0;
    const SeparatorSet seps = Separators(flags);
    uint32_t m = FindEntry(text, key, ':', nulMode, seps);
    if (m == kNpos) m = FindEntry(text, key, '=', nulMode, seps);
    if (m == kNpos) return ParamSpan{kNpos, 0};

    const uint32_t start = m + key.len + 1;
    uint32_t end;
    if (nulMode) {
        const void* nul = std::memchr(text.ptr + start, '\0', text.len - start);
        end = nul ? static_cast<uint32_t>(static_cast<const char*>(nul) - text.ptr) : text.len;
    } else {
        end = ValueEnd(text, start, seps, (flags & kParamQuotedSeps) != 0);
    }
    // An empty value at the very end of a 65535-byte text would start at kNpos and read as
    // "absent"; any offset serves for an empty value.
    const uint16_t pos = start >= kNpos ? static_cast<uint16_t>(kNpos - 1) : static_cast<uint16_t>(start);
    return ParamSpan{pos, static_cast<uint16_t>(end - start)};
}

StrRef ParamGet(StrRef text, StrRef key, uint16_t flags) {
    if (!text.ok()) return text;
    if (!key.ok()) return key;
    const ParamSpan span = ParamFind(text, key, flags);
    if (span.pos == kNpos) return (flags & kParamRequired) ? StrErr(kErrOutOfData) : StrEmpty();
    const StrRef raw = StrMake(text.ptr + span.pos, span.len);
    if (!(flags & kParamUnquote)) return raw;
    return (flags & kParamTrim) ? TrimUnquote(raw) : Unquote(raw);
}

StrRef ParamGetRetry(StrRef text, StrRef key, uint16_t flags) {
    if (!text.ok()) return text;
    if (!key.ok()) return key;
    if (!(flags & kParamFlipCase) || ParamFind(text, key, flags).pos != kNpos) {
        return ParamGet(text, key, flags);
    }
    PoolScope scope;
    const StrRef flipped = Case(key, 0);
    if (!flipped.ok()) return flipped;
    return Leave(scope, ParamGet(text, flipped, flags), text);
}

StrRef ParamValue(StrRef text, StrRef key) {
    if (!text.ok()) return text;
    if (!key.ok()) return key;
    PoolScope scope;
    const StrRef v = ParamGetRetry(text, key, kParamUnquote | kParamTrim);
    if (!v.ok() || v.len) return Leave(scope, v, text);
    PoolRelease(scope.mark());
    const StrRef flipped = Case(key, 0);
    if (!flipped.ok()) return flipped;
    const uint16_t flags = (key.len && key.at(0) > 'Z') ? (kParamUnquote | kParamTrim) : kParamUnquote;
    return Leave(scope, ParamGet(text, flipped, flags), text);
}

ErrCode ParamCopy(StrRef text, StrRef key) {
    if (!text.ok()) return StrError(text);
    if (!key.ok()) return StrError(key);
    PoolScope scope;
    const bool raw = std::memchr(key.ptr, '%', key.len) != nullptr;
    const StrRef v = ParamGet(text, key, raw ? 0 : kParamUnquote);
    if (!v.ok()) return StrError(v);
    return StrError(scope.Return(v));
}

StrRef ParamReference(StrRef name) {
    if (!name.ok()) return name;
    if (const uint16_t k = ListIndex(StrFromLiteral(kItemNames), name, ',')) {
        const StrRef item = RunParam(k);
        return k == kAppNameRef ? SubStr(Field(item, ':', 1), 0, 2) : item;
    }
    if (const uint16_t k = ListIndex(StrFromLiteral(kDatabaseNames), name, ',')) {
        return TrimUnquote(Field(RunParam(kParamDatabase), ',', k));
    }
    return StrEmpty();
}

StrRef ExpandParams(StrRef text) {
    if (!text.ok()) return text;
    const uint16_t mark = PoolMark();
    StrRef cur = text;
    for (uint16_t round = 0; round < kMaxExpandRounds; ++round) {
        const char* open = static_cast<const char*>(std::memchr(cur.ptr, '%', cur.len));
        if (!open) break;
        const size_t rest = cur.len - static_cast<size_t>(open - cur.ptr) - 1;
        const char* close = static_cast<const char*>(std::memchr(open + 1, '%', rest));
        if (!close) break;
        const StrRef pair = StrMake(open, static_cast<uint16_t>(close - open + 1));
        const StrRef value = ParamReference(StrMake(open + 1, static_cast<uint16_t>(pair.len - 2)));
        const StrRef next = Replace(cur, pair, value, true);
        if (!value.ok() || !next.ok()) {
            PoolRelease(mark);
            return value.ok() ? next : value;
        }
        cur = PoolReturn(mark, next);
        if (!cur.ok()) return cur;
    }
    return cur;
}

}  // namespace rt
