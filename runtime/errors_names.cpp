// Names of error codes (English table and the catalogue's list) and of run-time modules.
#include <cstdint>

#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/text_list.h"

namespace rt {
namespace {

constexpr ErrCode kFirstNamedCode = 122;
constexpr ErrCode kLastNamedCode = 189;
// Field k names code kNameBase + k, in this list as in catalogue message 0.
constexpr ErrCode kNameBase = 121;

// Code 183 has no name; its empty field keeps the later codes in place.
constexpr char kEnglishNames[] =
    "User Canceled,Null Expression,Undef.Warning,Type Warning,Bad user data,Out of Data,"
    "Type Mismatch,Loop Failure,Disk I/O,File I/O,Procedure Execution,PRCSTCKERROR,TRANSUPERROR,"
    "VARHANDLERROR,DISKREADERROR,DISKWRITERROR,DISKOPENERROR,NETACCESERROR,BADEXPRESION,"
    "INTERNALERROR,FARHEAPINIERR,Screen Environ,INDEXCMDERROR,OUTOFMEMORY,STRINGTOOLONG,"
    "SINTAXERROR,FEATUREREMOVED,DIMSTRUCERROR,BADSTRINGTYPE,BADFILENUMBER,FORMATFAILURE,"
    "STRCONCATERR,MEMORYALLOCERR,EXPCALCERROR,LOADSTRERROR,VARNAMEERROR,BADCOMMANDLINE,"
    "STROUTBOUND,MEMTESTERROR,FILEOUTBOUND,SQLERROR,Bad input data,File Not Found,File Exist,"
    "File Opening,CHILDEXECERROR,DATAOUTBOUND,FILENOTINIT,COMMONCTLERROR,DEVICETIMEOUT,"
    "DEVICEIOERROR,SYSTEMCMDERROR,User Check Fail,Permission Denied,StructMemError,"
    "ScreenStructErr,Memory Leaks,Windows Control Error,Memory Overflow,Variable ScreenField,"
    "Script Flow Failure,,Data Already exist,Only Local Access,Graphic Support Low,"
    "Device or File Busy,Device not found,Lang Files Missing";

constexpr char kModuleNames[] =
    "STRINGINIT,STRINGASSIGN,STRCONCAT,VARNMASSIGN,DataFileCtrl,IndexDelete,SQLCONNECT,SQLEXEC,"
    "EXEC_COMPILER,Malloc-MemAcums,ExecRunTime,VarStruct,ExpExec,Sort,BufferFld,DynStrings,"
    "StructFuncs,FormatStrings,Streams,DataFile,LocalLists,Screens,Lins,TreeIO,Devices,"
    "AuxParamMantAcceptAux,HtmlScan,LoadSqlStruct,NetSocketSend,NetSocketRecv,NetSocketStreamRead";
constexpr uint32_t kModuleCount = 31;

constexpr char kUndefined[] = "Undefined";

template <size_t N>
constexpr StrRef Lit(const char (&text)[N]) {
    return StrRef{text, static_cast<uint16_t>(N - 1)};
}

}  // namespace

StrRef ErrorNameEnglish(ErrCode code) {
    if (code < kFirstNamedCode || code > kLastNamedCode) return Lit(kUndefined);
    StrRef name = Field(Lit(kEnglishNames), ',', static_cast<uint16_t>(code - kNameBase));
    return name.ok() && name.len > 0 ? name : Lit(kUndefined);
}

StrRef ErrorName(ErrCode code) {
    // Below 121 there is no field; 121 itself reads field 0, which counts as field 1.
    if (code < kNameBase) return ErrorNameEnglish(code);
    // MessageField leaves nothing in the pool when it gives an empty or error value, and the
    // built-in catalogue answers without the pool, so naming an out-of-memory code needs no memory.
    StrRef name = MessageField(0, static_cast<uint16_t>(code - kNameBase));
    if (name.ok() && name.len > 0) return name;
    return ErrorNameEnglish(code);
}

StrRef ModuleName(uint32_t n) {
    if (n == 0 || n > kModuleCount) return StrEmpty();
    return Field(Lit(kModuleNames), ',', static_cast<uint16_t>(n));
}

}  // namespace rt
