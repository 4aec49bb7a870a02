// Named constants of the language: slot numbers, list numbers and multipliers used with built-ins.
#include "runtime/text_list.h"
#include "script/expr_eval.h"

namespace rt {

namespace {

constexpr char kConstantNames[] =
    "envron,lang,cmdline,apname,apdesc,docpath,docroot,helppath,funclist,butlabels,maskparms,dbconn,"
    "host,datem,datey,envvar,maincond,pdfhead,dialog,aux,scrbuf,fsel,wret,fnparm,usrfil,fileln,"
    "usrfif,usrstr,lang_id,top,next,previous,bottom,noprint,iscgi,compat_fwd,compat_ser,buffers,sysmsg";
constexpr int32_t kConstantValues[] = {
    0, 0, 1, 2, 3, 5, 5, 7, 8, 9, 10, 11,
    13, 100, 10000, 9, 1, 3, 7, 31, 32, 33, 34, 35, 36, 37,
    38, 15, 2, 36, 16, 20, 32, 8192, 16384, 64, 2048, 6, 9,
};
static_assert(sizeof kConstantValues / sizeof kConstantValues[0] == 39);

}  // namespace

bool NamedConstant(StrRef name, int32_t* value) {
    if (!name.ok() || name.len == 0) return false;
    if (name.ptr[0] == '.') name = StrMake(name.ptr + 1, static_cast<uint16_t>(name.len - 1));
    uint16_t index = ListIndex(StrFromLiteral(kConstantNames), name, ',');
    if (index == 0) return false;
    if (value) *value = kConstantValues[index - 1];
    return true;
}

}  // namespace rt
