// The file built-ins READ$, WRITE and EXEC$: files by name (checked by the permission check) or
// streams by number, and script files.
#include "runtime/errors.h"
#include "runtime/host_hooks.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/whole_file.h"
#include "script/builtins.h"
#include "script/builtins_common.h"
#include "runtime/streams.h"
#include "script/save_variables.h"
#include "script/script_file.h"

namespace rt {

namespace {

constexpr int kHookExec = 1;
// Slot 1: a host command for EXEC$; its result is pushed on stack group 30.
using ExecHookFn = ErrCode (*)(StrRef command, StrRef parameter);
constexpr uint16_t kGroupExecResult = 30;
constexpr int32_t kSaveVariables = -2;
constexpr int32_t kRewrite = -3;
const char kEndOfFile[] = "\x1a";

// A file name argument as the path layer wants it: references expanded, '/' as '\'.
StrRef Normalised(StrRef name) { return ConvertSeparators(ExpandRefs(name), 0); }

ErrCode Number(int64_t n, ExprValue* result) { return ResultWhole(n, result); }

// The stream of a number argument; 151 outside the table.
ErrCode StreamArg(const BuiltinCall& call, uint16_t* stream) {
    int16_t n = 0;
    if (ErrCode err = ArgInt(call, 1, 0, &n)) return err;
    if (n < 0 || n >= static_cast<int16_t>(kStreamSlots)) return kErrBadFileNumber;
    *stream = static_cast<uint16_t>(n);
    return 0;
}

}  // namespace

// READ$ (name or stream; position [0]; length [-1]).
ErrCode BuiltinRead(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 3)) return err;
    ScaledNumber position = 0, length = 0;
    if (ErrCode err = ArgNumber(call, 2, 0, &position)) return err;
    if (ErrCode err = ArgNumber(call, 3, -ScaleFactor(), &length)) return err;
    const int64_t at = position / ScaleFactor();
    const int64_t count = length / ScaleFactor();
    if (ArgType(call, 1) == 0) {
        uint16_t stream = 0;
        if (ErrCode err = StreamArg(call, &stream)) return err;
        if (count == 0) return ResultText(StreamAtEnd(stream) ? StrFromLiteral(kEndOfFile) : StrEmpty(), result);
        if (count < -1 || count > kMaxText) return kErrBadInput;
        return ResultText(StreamReadText(stream, static_cast<int32_t>(at), static_cast<int32_t>(count)), result);
    }
    StrRef name;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &name)) return err;
    StrRef path = Normalised(name);
    if (!path.ok()) return StrError(path);
    if (ErrCode err = safetyIo(kSafeRead, path)) return err;
    if (at < 0 || at > 0xFFFFFFFFll || count < -1 || count > 0xFFFF) return kErrBadInput;
    const uint16_t want = count < 0 ? kNpos : static_cast<uint16_t>(count);
    return ResultText(ReadBytes(path, static_cast<uint32_t>(at), want), result);
}

// WRITE (name or stream; position; data): the ErrCode of the write as a number.
ErrCode BuiltinWrite(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 3, 3)) return err;
    ScaledNumber position = 0;
    if (ErrCode err = ArgNumber(call, 2, 0, &position)) return err;
    StrRef data;
    if (ErrCode err = ArgAsText(call, 3, StrEmpty(), &data)) return err;
    const int64_t at = position / ScaleFactor();
    if (at < -3 || at > 0x7FFFFFFFll) return kErrBadInput;
    if (ArgType(call, 1) == 0) {
        uint16_t stream = 0;
        if (ErrCode err = StreamArg(call, &stream)) return err;
        return Number(StreamWriteText(stream, static_cast<int32_t>(at), data), result);
    }
    StrRef name;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &name)) return err;
    // The argument lives in the store, which the writes below may rearrange.
    data = PoolCopy(data);
    if (name.len == 0) return Number(Log(data), result);
    StrRef path = Normalised(PoolCopy(name));
    if (!path.ok()) return StrError(path);
    ErrCode err = safetyIo(kSafeWrite, path);
    if (!err) {
        if (at == kSaveVariables) err = SaveVariables(path, data, 0, StrEmpty());
        else err = WriteFileAt(path, at == kRewrite ? -2 : static_cast<int32_t>(at), data);
    }
    if (err && LogEnabled(err, kLogRuntime)) {
        uint16_t mark = PoolMark();
        Log(Join(ErrorText(err), StrFromLiteral(" "), QuoteAny(path, '"')));
        PoolRelease(mark);
    }
    return Number(err, result);
}

// EXEC$ (command; parameter [""]): a file with an extension runs as a script; anything else is
// the host's command.
ErrCode BuiltinExec(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 2)) return err;
    StrRef command, parameter;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &command)) return err;
    if (ErrCode err = ArgAsText(call, 2, StrEmpty(), &parameter)) return err;
    command = PoolCopy(command);
    parameter = PoolCopy(parameter);
    if (!command.ok()) return StrError(command);
    if (!parameter.ok()) return StrError(parameter);
    if (PathPart(command, kPathExt).len) {
        ErrCode err = RunScriptFile(command, true, StrEmpty());
        if (err >= kFirstSerious) return err;
        return ResultText(StrEmpty(), result);
    }
    ExecHookFn hook = HookAs<ExecHookFn>(kHookExec);
    if (!hook) return kErrFeatureRemoved;
    if (ErrCode err = hook(command, parameter); err >= kFirstSerious) return err;
    StrRef answer = PoolCopy(StoreLast(kGroupExecResult));
    StoreDropLast(kGroupExecResult);
    return ResultText(answer, result);
}

}  // namespace rt
