// Window kinds: the class name and frame style of each kind of window the system makes.
#include "ui/window_kinds.h"

#include "runtime/params.h"
#include "runtime/text_list.h"

namespace rt {

namespace {

constexpr char kKindList[] =
    ",LnMant,Mant,MantDlg,Grid,Dialogx,MnuSel,DevSel,Progress,UserWin,UserMWin,UserDlg,FullScr,Resizeable";
constexpr uint32_t kFrames[kKindCount] = {
    kFrameMain,   kFrameMain,   kFrameMain,   kFrameDialog, kFrameDialog, kFrameDialog, kFrameDialog,
    kFrameDialog, kFrameDialog, kFrameMain,   kFrameDialog, kFrameDialog, 0,            kFrameResizable,
};

}  // namespace

StrRef KindName(uint16_t kind) {
    kind = static_cast<uint16_t>((kind & 0x7F) % kKindCount);
    if (kind == 0) {
        StrRef code = Field(RunParam(kParamAppName), ':', 1);
        return code.ok() && code.len ? code : StrFromLiteral("UP");
    }
    return Field(StrFromLiteral(kKindList), ',', static_cast<uint16_t>(kind + 1));
}

uint32_t KindFrameStyle(uint16_t request) {
    const uint32_t frame = kFrames[(request & 0x7F) % kKindCount];
    return (request & kKindResizable) && frame ? frame | kFrameThickMax : frame;
}

}  // namespace rt
