// Names of procedure parameters, by list base, qualified with the current procedure's prefix.
#include "script/proc_params.h"

#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"

namespace rt {
namespace {

struct NameList {
    uint8_t base;
    const char* names;
};

// Descending by base: a number belongs to the first list whose base is not above it.
constexpr NameList kLists[] = {
    {110, "ACCEPT_PRC%,WINNAME$,PROG_MODE$,PARM_FILE$,PARM_FILE_WRITE$,SOURCEFILE%,IMP_MODE%,RD_EXP$,"
          "WR_EXP$,EOT_EXP$,RD_COND$,TARGET$,LOAD_IMPORT$,MNU_IMPORT$,AUTO_IMPORT$,STRUCT$"},
    {100, "DEVICE$,DOCNAME$,ACBOUND$,INDEX%,LIMITS$,AUXLOAD$,RESET$,STEPS$,PRCNAME$"},
    {80, "ATEND$,BRKEND$,BREAK$,COND$,MAXLINE%,LINESTEP%,TOTALBASE%,CONTINUE%,EXTRASTEP%,TITLE$,WD,"
         "COLOR$"},
    {60, "FD$,ALARM$,ASSIGN$,LNASSIGN$,FILEDEF$,PERFORM$,UPDFIELDS$,WIDTHS$,TYPES$,WINDOWS$,CLEAR$,"
         "ON_CONFIRM$,ON_CANCEL$,FLDBUTTONS$,USR_COND$,IK$(1),IK$(2),IK$(3)"},
    {40, "NUMCAB$,WRITECAB0$,WRITECABS$,WRITELINS$,FITCLC$,FTCLC$,READCABS$,READLINS$,LNINS$,LNDEL$,"
         "ALARMLINS$,BOUNDS$,DOCTYPETXT$,MODE$,FASTFIND$,FLDUPDATE$,BEGINFLD%,MAXLIN%"},
    {10, "SCREENSIZE$,SET$,OPEN$,EDIT$,NOEDIT$,WRITE$,DOC$,DOCSETS$,HELP$,SAVED$,HIDDEN$,RELOPT%,"
         "UNICNDX%,AUTONDX%,KEYMAP%,SCANDEF$,SCANWIN$,SCANSET$,VOIDMODE%,SCRCOLORS$"},
    {0, "MODULES$,MENU$,CALLER$,SUBMENU$,LOAD$,EXEC$,COUNTER$,MAX_IDS_ATTR%,STATMSG$"},
};

}  // namespace

StrRef ProcParamName(uint8_t n) {
    StrRef name = StrEmpty();
    for (const NameList& list : kLists) {
        if (n >= list.base) {
            name = Field(StrFromLiteral(list.names), ',', static_cast<uint16_t>(n - list.base));
            break;
        }
    }
    // An empty name names no variable; "PRC." would only look like one.
    if (name.len == 0) return StrEmpty();
    const int16_t aux = IntGet(kSysAux);
    if (aux <= 0) return name;
    const StrRef prefix = Field(StoreGet(kGroupSystem, kItemProcPrefixes), ',', static_cast<uint16_t>(aux));
    if (prefix.len == 0) return name;
    const uint16_t mark = PoolMark();
    return PoolReturn(mark, Join(prefix, StrFromLiteral("."), name));
}

}  // namespace rt
