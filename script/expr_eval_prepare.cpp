// Preparation of an expression text: blanks removed outside quotes, input macros expanded,
// quotes and parentheses checked.
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_search.h"
#include "script/expr_cursor.h"
#include "script/expr_eval.h"

namespace rt {

namespace {

// Macro names and their templates correspond by position. "_OTHER$(" is not expanded: nothing in
// this system writes it, and its template would call a function that does not exist.
struct Macro {
    const char* name;
    const char* templ;
};
const Macro kMacros[] = {
    {"_ACCEPT#(", "FN#VALN(FN$TRIM(FN$PARM(_$(.envvar;.dialog);%s);'FIT'))"},
    {"_ACCEPT$(", "FN$TRIM(FN$PARM(_$(.envvar;.dialog);%s);'FIT')"},
};
constexpr int kMacroArgs = 6;

// The text without blanks outside quotes; 129 for a quote that is never closed.
StrRef RemoveBlanks(StrRef text) {
    ErrCode err = 0;
    char* out = PoolBuffer(text.len ? text.len : 1, &err);
    if (!out) return StrErr(err ? err : kErrOutOfMemory);
    uint16_t used = 0;
    const auto blank = [](unsigned char c, uint16_t) { return c == ' '; };
    for (uint32_t from = 0; from <= text.len;) {
        bool unclosed = false;
        const uint16_t at = ScanUnquoted(text, from, blank, &unclosed);
        if (unclosed) return StrErr(kErrLoopFailure);
        const uint32_t end = at == kNpos ? text.len : at;
        if (end > from) std::memcpy(out + used, text.ptr + from, end - from);
        used = static_cast<uint16_t>(used + (end - from));
        from = end + 1;
    }
    return PoolShrinkTop(used);
}

// Replaces the first occurrence of the macro in text; *found tells whether there was one.
StrRef ExpandOnce(StrRef text, const Macro& macro, bool* found) {
    *found = false;
    StrRef name = StrFromLiteral(macro.name);
    uint16_t at = FindStr(text, name, false);
    if (at == kNpos) return text;
    *found = true;
    uint16_t open = static_cast<uint16_t>(at + name.len - 1);
    uint16_t close = MatchParen(text, open);
    if (close == kNpos) return StrErr(kErrLoopFailure);
    StrRef args = StrMake(text.ptr + open + 1, static_cast<uint16_t>(close - open - 1));
    StrRef values[kMacroArgs];
    int count = 0;
    for (uint16_t pos = 0; count < kMacroArgs && pos <= args.len && args.len > 0;) {
        uint16_t sep = FindSeparator(args, pos);
        values[count++] = StrMake(args.ptr + pos, static_cast<uint16_t>(sep - pos));
        if (sep >= args.len) break;
        pos = static_cast<uint16_t>(sep + 1);
    }
    // Size first, so that nothing is written beyond what one text may hold.
    uint32_t size = static_cast<uint32_t>(at) + (text.len - close - 1);
    int slot = 0;
    for (const char* t = macro.templ; *t; ++t) {
        if (t[0] == '%' && t[1] == 's') {
            if (slot < count) size += values[slot].len;
            ++slot;
            ++t;
        } else {
            ++size;
        }
    }
    if (size > kMaxText) return StrErr(kErrOutOfMemory);
    ErrCode err = 0;
    char* out = PoolBuffer(size ? size : 1, &err);
    if (!out) return StrErr(err ? err : kErrOutOfMemory);
    uint32_t used = 0;
    std::memcpy(out, text.ptr, at);
    used += at;
    slot = 0;
    for (const char* t = macro.templ; *t; ++t) {
        if (t[0] == '%' && t[1] == 's') {
            if (slot < count && values[slot].len) {
                std::memcpy(out + used, values[slot].ptr, values[slot].len);
                used += values[slot].len;
            }
            ++slot;
            ++t;
        } else {
            out[used++] = *t;
        }
    }
    std::memcpy(out + used, text.ptr + close + 1, text.len - close - 1);
    used += text.len - close - 1;
    return StrMake(out, static_cast<uint16_t>(used));
}

bool ParenthesesBalanced(StrRef text) {
    uint32_t open = 0, close = 0;
    bool unclosed = false;
    ScanUnquoted(text, 0, [&](unsigned char c, uint16_t) {
        open += c == '(';
        close += c == ')';
        return false;
    }, &unclosed);
    return !unclosed && open == close;
}

StrRef Failed(uint16_t mark, ErrCode code, StrRef detail) {
    PoolRelease(mark);
    RecordError(code, kModExpExec);
    ReportError(code, detail);
    return StrErr(code);
}

}  // namespace

StrRef PrepareText(StrRef text) {
    if (!text.ok()) return text;
    uint16_t mark = PoolMark();
    StrRef work = RemoveBlanks(text);
    if (!work.ok()) return Failed(mark, StrError(work), text);
    for (const Macro& macro : kMacros) {
        for (;;) {
            bool found = false;
            StrRef next = ExpandOnce(work, macro, &found);
            if (!found) break;
            // An error while scanning a macro's arguments is reported with an empty text.
            if (!next.ok()) return Failed(mark, StrError(next), StrEmpty());
            // Only the newest expansion stays, however many macros the text holds.
            work = PoolReturn(mark, next);
            if (!work.ok()) return Failed(mark, StrError(work), StrEmpty());
        }
    }
    if (!ParenthesesBalanced(work)) return Failed(mark, kErrLoopFailure, text);
    return PoolReturn(mark, work);
}

}  // namespace rt
