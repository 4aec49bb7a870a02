// Script files: statement files read whole and run through the evaluator.
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/whole_file.h"
#include "script/expr_eval.h"
#include "runtime/streams.h"
#include "script/script_file.h"

namespace rt {

namespace {

// The qualifier is a short name; it lives here rather than in the store, which a script may
// rearrange while it runs.
char gQualifier[64];
uint16_t gQualifierLen = 0;

}  // namespace

void SetScriptQualifier(StrRef qualifier) {
    if (!qualifier.ok() || qualifier.len > sizeof gQualifier) return;
    std::memcpy(gQualifier, qualifier.ptr, qualifier.len);
    gQualifierLen = qualifier.len;
}

StrRef ScriptFilePath(StrRef name) {
    if (!name.ok()) return name;
    uint16_t mark = PoolMark();
    StrRef path = ConvertSeparators(ExpandRefs(name), 0);
    return PoolReturn(mark, PathJoin(PoolCopy(RunParam(kParamAppFolder)), path));
}

ErrCode RunScriptFile(StrRef name, bool mustExist, StrRef prefix) {
    if (!name.ok()) return StrError(name);
    if (!prefix.ok()) return StrError(prefix);
    PoolScope scope;
    StrRef path = ScriptFilePath(name);
    if (!path.ok() || FileLength(path) == 0)
        return mustExist ? Fail(true, kModStreams, kErrFileNotFound, 0) : 0;
    // Line breaks separate statements as ';' does.
    StrRef text = ReadText(path, StrFromLiteral(";"));
    if (text.ok() && prefix.len) {
        StrRef qualifier = StrMake(gQualifier, gQualifierLen);
        text = Replace(text, Concat(prefix, StrFromLiteral(".")), qualifier, false);
    }
    ErrCode err = text.ok() ? 0 : StrError(text);
    if (!err && text.len) err = ExecuteStatements(text);
    return err;
}

}  // namespace rt
