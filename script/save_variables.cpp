// The saved-variables file: current values of named variables written as statements, the
// statements of other names kept, the file replaced in one step and read back.
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/variables.h"
#include "runtime/whole_file.h"
#include "script/expr_eval.h"
#include "runtime/streams.h"
#include "script/save_variables.h"
#include "script/script_file.h"

namespace rt {

namespace {

const char kListEntry[] = "_$(";
const char kLineBreak[] = "\r\n";

// The file's text as it is built: one pool buffer that later temporaries sit above.
struct Output {
    char* data;
    uint32_t used, capacity;
    // Each statement on a line of its own, ended by its line break: no empty first line, and a
    // last line that ends as every other does.
    ErrCode Add(StrRef statement) {
        if (!statement.ok()) return StrError(statement);
        if (used + 2u + statement.len > capacity) return kErrOutOfMemory;
        if (statement.len) std::memcpy(data + used, statement.ptr, statement.len);
        std::memcpy(data + used + statement.len, kLineBreak, 2);
        used += 2u + statement.len;
        return 0;
    }
};

bool StartsWith(StrRef s, const char* lit) {
    const size_t n = std::strlen(lit);
    return s.len >= n && std::memcmp(s.ptr, lit, n) == 0;
}

// Parentheses outside quotes still open in s.
int OpenDepth(StrRef s) {
    int depth = 0;
    ScanUnquoted(s, 0, [&depth](unsigned char c, uint16_t) {
        depth += (c == '(') - (c == ')');
        return false;
    });
    return depth;
}

// The name a statement saves: the text before '=', or for an entry "name(args;value)" the name
// with its arguments, "name(args)".
StrRef KeyOf(StrRef statement) {
    if (statement.len && statement.ptr[statement.len - 1] == ')') {
        uint16_t last = FindLast(statement, StrFromLiteral(";"), 1, false);
        if (last != kNpos) return Concat(StrMake(statement.ptr, last), StrFromLiteral(")"));
    }
    uint16_t eq = FindChar(statement, 0, '=', false);
    return Trim(StrMake(statement.ptr, eq == kNpos ? statement.len : eq), kTrimStart | kTrimEnd);
}

// Whether the written name is one of the names being saved (already qualified).
bool Saved(StrRef key, StrRef names, StrRef prefix) {
    const uint16_t count = FieldCount(names, ',');
    for (uint16_t k = 1; k <= count; ++k) {
        uint16_t mark = PoolMark();
        StrRef name = Trim(Field(names, ',', k), kTrimStart | kTrimEnd);
        StrRef written = prefix.len ? Join(prefix, StrFromLiteral("."), name) : name;
        bool same = written.ok() && StrEq(written, key);
        PoolRelease(mark);
        if (same) return true;
    }
    return false;
}

// Keeps each statement of the old text that saves a name not in names.
ErrCode KeepOthers(StrRef old, StrRef names, StrRef prefix, Output* out) {
    uint16_t at = 0;
    while (at < old.len) {
        uint16_t end = FindChar(old, at, ';', false);
        if (end == kNpos) end = old.len;
        StrRef statement = StrMake(old.ptr + at, static_cast<uint16_t>(end - at));
        // A list entry holds ';' between its arguments: it runs on until it is closed. So does an
        // array element in the form "name(subscripts;value)" that earlier files hold.
        if (OpenDepth(statement) > 0) {
            while (end < old.len && OpenDepth(statement) > 0) {
                uint16_t next = FindChar(old, static_cast<uint16_t>(end + 1), ';', false);
                end = next == kNpos ? old.len : next;
                statement = StrMake(old.ptr + at, static_cast<uint16_t>(end - at));
            }
        }
        at = static_cast<uint16_t>(end < old.len ? end + 1 : old.len);
        statement = Trim(statement, kTrimStart | kTrimEnd);
        if (statement.len == 0) continue;
        uint16_t mark = PoolMark();
        StrRef key = KeyOf(statement);
        bool drop = key.ok() && Saved(key, names, prefix);
        PoolRelease(mark);
        if (drop) continue;
        if (ErrCode err = out->Add(statement)) return err;
    }
    return 0;
}

bool IsStringName(StrRef name) {
    if (name.len && name.ptr[name.len - 1] == ')') {
        if (StartsWith(name, kListEntry)) return true;
        uint16_t open = FindChar(name, 0, '(', true);
        return open != kNpos && ElementType(StrMake(name.ptr, static_cast<uint16_t>(open + 1))) == kVarString;
    }
    return VarType(name) == kVarString;
}

// "name=value" (an array element "name(subscripts)=value" too), or "_$(args;value)" for a list
// entry; the value of a string name quoted.
StrRef Statement(StrRef name, int trim, StrRef prefix) {
    uint16_t mark = PoolMark();
    StrRef value = EvaluateToText(name);
    if (!value.ok()) return PoolReturn(mark, value);
    value = Trim(value, trim & (kTrimStart | kTrimEnd));
    if (IsStringName(name)) {
        value = QuoteAny(value, '\'');
    } else if (value.len == 0) {
        // Zero is written as empty number text; a bare name would assign nothing when read back.
        value = StrFromLiteral("0");
    }
    StrRef written = prefix.len ? Join(prefix, StrFromLiteral("."), name) : name;
    StrRef out;
    if (StartsWith(name, kListEntry) && name.ptr[name.len - 1] == ')')
        out = Concat(Concat(StrMake(written.ptr, static_cast<uint16_t>(written.len - 1)), StrFromLiteral(";")),
                     Concat(value, StrFromLiteral(")")));
    else
        out = Concat(Concat(written, StrFromLiteral("=")), value);
    return PoolReturn(mark, out);
}

}  // namespace

ErrCode SaveVariables(StrRef file, StrRef names, int trim, StrRef prefix, bool readBack) {
    if (!file.ok()) return StrError(file);
    if (!names.ok()) return StrError(names);
    if (!prefix.ok()) return StrError(prefix);
    uint16_t mark = PoolMark();
    StrRef path = ScriptFilePath(file);
    if (!path.ok()) {
        PoolRelease(mark);
        return StrError(path);
    }

    // The file's text gets half of what the pool has left; values are built above it.
    Output out{nullptr, 0, PoolFreeBytes() / 2};
    ErrCode err = 0;
    out.data = PoolBuffer(out.capacity ? out.capacity : 1, &err);
    if (!out.data) {
        PoolRelease(mark);
        return Fail(true, kModStreams, err ? err : kErrOutOfMemory, 0);
    }
    {
        uint16_t inner = PoolMark();
        StrRef old = FileLength(path) ? ReadText(path, StrFromLiteral(";")) : StrEmpty();
        err = old.ok() ? KeepOthers(old, names, prefix, &out) : StrError(old);
        PoolRelease(inner);
    }
    const uint16_t count = FieldCount(names, ',');
    for (uint16_t k = 1; k <= count && !err; ++k) {
        uint16_t inner = PoolMark();
        StrRef name = Trim(Field(names, ',', k), kTrimStart | kTrimEnd);
        if (name.len) err = out.Add(Statement(name, trim, prefix));
        PoolRelease(inner);
    }
    // The old file stays whole until the new one is complete on the disk.
    if (!err) err = ReplaceFileContents(path, out.data, out.used);
    if (!err && readBack) err = RunScriptFile(path, true, prefix);
    PoolRelease(mark);
    return err >= kFirstSerious ? Fail(true, kModStreams, err, err) : err;
}

}  // namespace rt
