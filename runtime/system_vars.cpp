// The system variables' start-up lists and their creation with defaults.
#include "runtime/system_vars.h"

#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_search.h"
#include "runtime/variables.h"
#include "runtime/dates.h"

namespace rt {

const char kSystemIntegers[] =
    "_AUXSTAT,_RELRES,_CURFIL,_CUREDFLD,_DEVHIG=24,_DEVWID=80,_DEVLIN,_DEVPOS,_DEVPAG,_CURROW,"
    "_STAT,_LASTKEY=4,_SGN,_UPSTAT=1,_IER,_SYSCOMPAT,_SQLSTK,_COUNT,_HCOUNT,_ADMSTAT,_COMPAT,"
    "_SCRSTAT,_LMAX,_LNUM,_LLST,_HNUM,_SAFE,_LB=128,_AUX,_KEYMAP,_SERIAL,_TRACE=1,_PRECIS=2,"
    "_BYEAR=2000,_BKYEAR=80,_DX,_INHND,_OUTHND,_FLDS,_CFLD,_DOCST,_WMAXROW,_BUTTSTYLE,_SEPCHR,"
    "_VER,_LANG,_USER01,_USER02,_USER03";
const char kSystemStrings[] = "_ACUM$,_ACUMX$,_LTEXT$";

namespace {

ErrCode CreateAll(const char* entries, uint16_t expected) {
    StrRef list = StrFromLiteral(entries);
    uint16_t count = FieldCount(list, ',');
    if (count != expected) return kErrInternal;
    for (uint16_t k = 1; k <= count; ++k) {
        uint16_t mark = PoolMark();
        StrRef entry = Field(list, ',', k);
        uint16_t eq = FindChar(entry, 0, '=', true);
        StrRef name = eq == kNpos ? entry : StrMake(entry.ptr, eq);
        StrRef deflt = eq == kNpos ? StrEmpty() : StrMake(entry.ptr + eq + 1, static_cast<uint16_t>(entry.len - eq - 1));
        ErrCode err = AssignTyped(VarType(name), deflt);
        if (!err) err = VarSet(name, PoolTop());
        if (!err && VarFind(name).number != static_cast<int32_t>(k - 1)) err = kErrInternal;
        PoolRelease(mark);
        if (err) return err;
    }
    return 0;
}

}  // namespace

ErrCode SystemVarsDefaults() {
    if (ErrCode err = CreateAll(kSystemIntegers, kSysIntegerCount)) return err;
    return CreateAll(kSystemStrings, kSysStringCount);
}

ErrCode SystemVarsInit() {
    if (ErrCode err = ContextInit()) return err;
    return SystemVarsDefaults();
}

}  // namespace rt
