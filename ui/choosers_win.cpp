// The choosers on Win32: comdlg32's file, colour and font dialogs and shell32's folder browser.
#include "ui/choosers.h"

#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/error_record.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "ui/wide_text.h"
#include "ui/window_layer.h"

namespace rt {
namespace {

HWND Owner() { return reinterpret_cast<HWND>(StackTop()); }

// The current folder, put back by the destructor when asked.
class FolderKeeper {
public:
    explicit FolderKeeper(bool keep) {
        if (!keep) return;
        const DWORD n = GetCurrentDirectoryW(0, nullptr);
        saved_.resize(n);
        if (n) saved_.resize(GetCurrentDirectoryW(n, saved_.data()));
    }
    ~FolderKeeper() {
        if (!saved_.empty()) SetCurrentDirectoryW(saved_.c_str());
    }
    FolderKeeper(const FolderKeeper&) = delete;
    FolderKeeper& operator=(const FolderKeeper&) = delete;

private:
    std::wstring saved_;
};

// A pool text of len UTF-16 units; 163 (reported) when a character has no Windows-1252 byte.
StrRef Answer(const wchar_t* text, size_t len) {
    std::string narrow;
    if (!NarrowExact(text, len, &narrow) || narrow.size() > kMaxText) {
        RecordError(kErrBadInput, kModScreens);
        return StrErr(ReportError(kErrBadInput, StrFromLiteral("the choice is not a Windows-1252 text")));
    }
    return PoolCopy(StrMake(narrow.data(), static_cast<uint16_t>(narrow.size())));
}

// Lets the dialog's owner take the keyboard again once the dialog is gone.
void GiveBackFocus(HWND owner) {
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
}

// Selections the browser may still need before it shows its start folder: Wine's dialog can
// take the first one while its tree is still being filled, and then stays on the top item.
thread_local int gStartTries = 0;

int CALLBACK BrowseStart(HWND dialog, UINT msg, LPARAM param, LPARAM data) {
    if (!data) return 0;
    if (msg == BFFM_INITIALIZED) {
        gStartTries = 3;
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    } else if (msg == BFFM_SELCHANGED && gStartTries > 0) {
        wchar_t now[MAX_PATH] = {};
        const bool known = param && SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(param), now);
        if (known && lstrcmpiW(now, reinterpret_cast<const wchar_t*>(data)) == 0) {
            gStartTries = 0;  // there: from now on every change is the user's
        } else {
            --gStartTries;
            PostMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
        }
    }
    return 0;
}

}  // namespace

StrRef ChooseFile(bool save, StrRef defaultExt, StrRef initialFile, StrRef filter, StrRef title, uint16_t flags) {
    PoolScope scope;
    const bool many = flags & kChooseMany;
    const uint16_t kind = flags & kChooseFolderKind;
    FolderKeeper keeper(flags & kChooseKeepFolder);

    std::vector<wchar_t> file(many ? kChooseManyChars : kChooseFileChars, L'\0');
    const std::wstring initial = Wide(initialFile);
    initial.copy(file.data(), file.size() - 1);
    std::wstring startFolder;
    if (kind && initial.empty()) {
        StrRef kept = ChooserFolderOf(kind);
        if (!kept.ok() || kept.len == 0) kept = AppPath(kind);
        startFolder = Wide(PathPart(kept, kPathDriveFolder));
    }
    const StrRef nulFilter = ChooserFilter(filter);
    std::wstring wideFilter = Wide(nulFilter);
    wideFilter.append(2, L'\0');
    const std::wstring ext = Wide(defaultExt);
    const std::wstring caption = Wide(title);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    ofn.hwndOwner = Owner();
    ofn.lpstrFilter = nulFilter.ok() && nulFilter.len ? wideFilter.c_str() : nullptr;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
    ofn.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_DONTADDTORECENT;
    if (!save) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (many) ofn.Flags |= OFN_ALLOWMULTISELECT;
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    GiveBackFocus(ofn.hwndOwner);
    if (!chosen) return StrEmpty();

    // Several names come as the folder and each name, NUL between them, ended by two NULs.
    size_t len = wcslen(file.data());
    if (many) {
        while (len + 1 < file.size() && file[len + 1] != L'\0') len += 1 + wcslen(file.data() + len + 1);
    }
    const StrRef answer = Answer(file.data(), len);
    if (!answer.ok()) return scope.Return(answer);
    if (kind) {
        const uint16_t mark = PoolMark();
        KeepChooserFolder(kind, KeptChooserFolder(answer, many));
        PoolRelease(mark);
    }
    return scope.Return(answer);
}

StrRef ChooseFileOfKind(bool save, uint16_t kind, uint16_t flags, StrRef title) {
    PoolScope scope;
    const StrRef ext = FileKindExtension(kind);
    return scope.Return(ChooseFile(save, save ? ext : StrEmpty(), StrEmpty(), FileKindFilter(kind), ChooserTitle(title),
                                   static_cast<uint16_t>(flags | kChooseKeepFolder)));
}

StrRef ChooseFolder(StrRef initial, StrRef title) {
    PoolScope scope;
    std::wstring start = Wide(initial);
    if (start.empty()) {
        const DWORD n = GetCurrentDirectoryW(0, nullptr);
        start.resize(n);
        if (n) start.resize(GetCurrentDirectoryW(n, start.data()));
    }
    const std::wstring caption = Wide(ChooserTitle(title));
    const HRESULT com = CoInitialize(nullptr);
    BROWSEINFOW info{};
    info.hwndOwner = Owner();
    info.lpszTitle = caption.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseStart;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    GiveBackFocus(info.hwndOwner);
    StrRef answer = StrEmpty();
    if (item) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(item, path)) answer = Answer(path, wcslen(path));
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return scope.Return(answer);
}

StrRef ChooseColour(StrRef current) {
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = Owner();
    choose.rgbResult = ChooserStartColour(current);
    choose.lpCustColors = reinterpret_cast<COLORREF*>(CustomColours());
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    const BOOL chosen = ChooseColorW(&choose);
    GiveBackFocus(choose.hwndOwner);
    return chosen ? ColourText(choose.rgbResult) : StrEmpty();
}

StrRef ChooseFontFace() {
    LOGFONTW font{};
    CHOOSEFONTW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = Owner();
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_EFFECTS;
    const BOOL chosen = ChooseFontW(&choose);
    GiveBackFocus(choose.hwndOwner);
    return chosen ? Answer(font.lfFaceName, wcsnlen(font.lfFaceName, LF_FACESIZE)) : StrEmpty();
}

StrRef FieldButtonChoice(FieldButton kind, StrRef current) {
    PoolScope scope;
    switch (kind) {
    case FieldButton::File:
        return scope.Return(ChooseFile(true, StrEmpty(), StrEmpty(), AllFilesFilter(), ChooserTitle(StrEmpty()),
                                       kChooseKeepFolder));
    case FieldButton::Path: return scope.Return(ChooseFolder(StrEmpty(), StrEmpty()));
    case FieldButton::Colour: return scope.Return(ChooseColour(current));
    case FieldButton::Font: return scope.Return(ChooseFontFace());
    default: return StrEmpty();
    }
}

}  // namespace rt
