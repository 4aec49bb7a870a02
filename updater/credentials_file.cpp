// The credentials file read as data: assignments of a user or password, nothing else.
#include "updater/credentials_file.h"

#include "runtime/log.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/variables.h"
#include "runtime/whole_file.h"
#include "script/script_file.h"
#include "updater/credentials.h"

namespace rt {

namespace {

bool EndsWith(StrRef s, const char* tail) {
    const StrRef t = StrFromLiteral(tail);
    return s.len >= t.len && StrEq(StrMake(s.ptr + s.len - t.len, t.len), t);
}

bool IsAlnum(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// USER$ or PASSW$, alone or after "<server>_".
bool IsCredentialName(StrRef name) {
    for (const char* var : {kUserVariable, kPasswordVariable}) {
        const StrRef v = StrFromLiteral(var);
        if (StrEq(name, v)) return true;
        if (!EndsWith(name, var) || name.len < v.len + 2 || name.ptr[name.len - v.len - 1] != '_') continue;
        bool server = true;
        for (uint16_t i = 0; i + v.len + 1 < name.len; ++i) server = server && IsAlnum(name.ptr[i]);
        if (server) return true;
    }
    return false;
}

// The value of a quoted text that holds no quote of its own kind; an error value otherwise.
StrRef Literal(StrRef s) {
    if (s.len < 2 || !IsQuote(static_cast<unsigned char>(s.ptr[0])) || s.ptr[s.len - 1] != s.ptr[0])
        return StrErr(kErrBadInput);
    const StrRef inner = StrMake(s.ptr + 1, static_cast<uint16_t>(s.len - 2));
    return FindChar(inner, 0, s.ptr[0], true) == kNpos ? inner : StrErr(kErrBadInput);
}

// Takes one statement when it is an assignment of a user or password, else logs it.
ErrCode Take(StrRef path, StrRef statement) {
    statement = Trim(statement, kTrimStart | kTrimEnd);
    if (statement.len == 0) return 0;
    const uint16_t eq = FindChar(statement, 0, '=', true);
    if (eq != kNpos) {
        const StrRef name = Trim(StrMake(statement.ptr, eq), kTrimStart | kTrimEnd);
        const StrRef value = Literal(Trim(StrMake(statement.ptr + eq + 1, static_cast<uint16_t>(statement.len - eq - 1)),
                                          kTrimStart | kTrimEnd));
        if (value.ok() && IsCredentialName(name)) return VarSetText(name, value);
    }
    Log(Concat(Concat(StrFromLiteral("Not run from the credentials file "), path),
               Concat(StrFromLiteral(", not a user or password: "), statement)));
    return 0;
}

}  // namespace

ErrCode LoadCredentialsFile(StrRef file) {
    if (!file.ok()) return StrError(file);
    PoolScope scope;
    const StrRef path = ScriptFilePath(file);
    if (!path.ok() || FileLength(path) == 0) return 0;
    // Line breaks separate statements as ';' does; a ';' in quotes or between the parentheses of
    // a call is part of its statement, which is refused whole.
    const StrRef text = ReadText(path, StrFromLiteral(";"));
    if (!text.ok()) return StrError(text);
    uint32_t at = 0;
    while (at < text.len) {
        PoolScope each;
        int depth = 0;
        uint16_t end = ScanUnquoted(text, at, [&depth](unsigned char c, uint16_t) {
            depth += (c == '(') - (c == ')');
            return c == ';' && depth <= 0;
        });
        if (end == kNpos) end = text.len;
        if (ErrCode err = Take(path, StrMake(text.ptr + at, static_cast<uint16_t>(end - at)))) return err;
        at = uint32_t{end} + 1;
    }
    return 0;
}

}  // namespace rt
