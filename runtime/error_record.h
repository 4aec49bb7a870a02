// The context's record of the first serious error and the one-step report-and-return helper.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Run-time modules named in error messages (field n of the module list).
enum Module : uint32_t {
    kModStringInit = 1, kModStringAssign = 2, kModStrConcat = 3, kModVarAssign = 4,
    kModDataFileCtrl = 5, kModIndexDelete = 6, kModSqlConnect = 7, kModSqlExec = 8,
    kModExecCompiler = 9, kModMalloc = 10, kModExecRunTime = 11, kModVarStruct = 12,
    kModExpExec = 13, kModSort = 14, kModBufferFld = 15, kModDynStrings = 16,
    kModStructFuncs = 17, kModFormatStrings = 18, kModStreams = 19, kModDataFile = 20,
    kModLocalLists = 21, kModScreens = 22, kModLins = 23, kModTreeIo = 24, kModDevices = 25,
    kModAuxParam = 26, kModHtmlScan = 27, kModLoadSql = 28, kModNetSend = 29,
    kModNetRecv = 30, kModNetStreamRead = 31,
};

// code 0 with module 0 clears the record. Otherwise records code (and module, when none is
// stored yet) only when nothing is recorded and code >= kFirstSerious.
void RecordError(ErrCode code, uint32_t module);
struct ErrorRecord {
    ErrCode code;
    uint32_t module;
};
ErrorRecord LastError();

// When cond holds: RecordError(code, module) and return code; otherwise return value.
inline ErrCode Fail(bool cond, uint32_t module, ErrCode code, ErrCode value) {
    if (!cond) return value;
    RecordError(code, module);
    return code;
}
// Text form: when cond holds, record and return the error value (null, code).
inline StrRef FailStr(bool cond, uint32_t module, ErrCode code, StrRef value) {
    if (!cond) return value;
    RecordError(code, module);
    return StrErr(code);
}

}  // namespace rt
