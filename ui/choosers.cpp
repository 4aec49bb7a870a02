// What the choosers are given and what is made of their answers: filters, file kinds, titles,
// the starting colour and the folders kept per folder kind.
#include "ui/choosers.h"

#include <cstring>

#include "runtime/catalogue.h"
#include "runtime/paths.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

constexpr uint16_t kMessageAllFiles = 60;
constexpr uint16_t kMessageFirstKind = 61;
constexpr uint16_t kMessageDefaultTitle = 49;

// The extensions of the application's file kinds, by kind number (0 and 9 have none).
constexpr const char* kKindExtensions[kFileKindLast + 1] = {
    "", "est", "pan", "imp", "prc", "sel", "mnu", "pdf", "txt", "", "est",
};

// template with every "%s" replaced by value; the template is the catalogue's, the value data.
StrRef Fill(StrRef tmpl, StrRef value) { return Replace(tmpl, StrFromLiteral("%s"), value, true); }

}  // namespace

StrRef ChooserFilter(StrRef filter) {
    if (!filter.ok()) return filter;
    const StrRef out = PoolCopy(filter);
    if (!out.ok()) return out;
    for (uint16_t i = 0; i < out.len; ++i)
        if (out.ptr[i] == ',') MutPtr(out)[i] = '\0';
    return out;
}

StrRef FileKindExtension(uint16_t kind) {
    return StrFromLiteral(kind <= kFileKindLast ? kKindExtensions[kind] : "");
}

StrRef AllFilesFilter() {
    PoolScope scope;
    return scope.Return(Fill(Message(kMessageAllFiles), StrFromLiteral("*.*")));
}

StrRef FileKindFilter(uint16_t kind) {
    const StrRef ext = FileKindExtension(kind);
    if (ext.len == 0) return AllFilesFilter();
    PoolScope scope;
    const uint16_t message = static_cast<uint16_t>(kind == kFileKindLast ? kMessageFirstKind : kMessageFirstKind + kind - 1);
    const StrRef own = Fill(Message(message), Concat(StrFromLiteral("*."), ext));
    return scope.Return(Concat(Concat(own, StrFromLiteral(",")), AllFilesFilter()));
}

StrRef ChooserTitle(StrRef title) {
    return title.ok() && title.len ? title : Message(kMessageDefaultTitle);
}

ColourRef ChooserStartColour(StrRef current) {
    const uint16_t mark = PoolMark();
    const ColourRef colour = ColourFromText(Concat(StrFromLiteral("#"), current.ok() ? current : StrEmpty()), nullptr);
    PoolRelease(mark);
    return colour;
}

StrRef FirstAnswerPart(StrRef answer) {
    if (!answer.ok()) return answer;
    const void* nul = std::memchr(answer.ptr, '\0', answer.len);
    return nul ? StrMake(answer.ptr, static_cast<uint16_t>(static_cast<const char*>(nul) - answer.ptr)) : answer;
}

StrRef KeptChooserFolder(StrRef answer, bool many) {
    if (!answer.ok()) return answer;
    PoolScope scope;
    const StrRef first = FirstAnswerPart(answer);
    // A multi-file answer starts with the folder itself; a single one is a file in it.
    if (many && first.len < answer.len) return scope.Return(WithWildcard(first, true));
    return scope.Return(PathPart(first, kPathDriveFolder));
}

StrRef ChooserFolderOf(uint16_t kind) {
    kind &= kChooseFolderKind;
    return kind ? StoreGet(kGroupSystem, static_cast<uint16_t>(kItemChooserFolders + kind)) : StrEmpty();
}

ErrCode KeepChooserFolder(uint16_t kind, StrRef folder) {
    kind &= kChooseFolderKind;
    if (!kind) return 0;
    if (ErrCode err = StrError(folder)) return err;
    return StoreSet(kGroupSystem, static_cast<uint16_t>(kItemChooserFolders + kind), folder);
}

ColourRef* CustomColours() {
    static ColourRef colours[kCustomColours] = {};
    return colours;
}

}  // namespace rt
