// Form field controls on Win32: edits, combo boxes, check buttons and rich text, their texts, and
// the replaced procedures that turn keys, focus changes and clicks into screen actions.
#include "ui/form_controls.h"

#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <string>

#include "runtime/host_hooks.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "script/field_types.h"
#include "ui/form_keys.h"
#include "ui/form_result.h"
#include "ui/wide_text.h"
#include "ui/window_layer.h"

namespace rt {
namespace {

constexpr wchar_t kRichEditClass[] = L"RICHEDIT50W";
constexpr int kEditMargin = 1;  // pixels

FormControlSeams gSeams;

// The saved procedures, one per kind of control (every control of a kind shares its class's).
WNDPROC gEditProc = nullptr;
WNDPROC gComboProc = nullptr;
WNDPROC gCheckProc = nullptr;

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }
WindowHandle W(HWND h) { return reinterpret_cast<WindowHandle>(h); }

bool OsRichEditReady() {
    // The library stays loaded for the life of the process: its class must outlive every form.
    static const bool ready = LoadLibraryW(L"Msftedit.dll") != nullptr;
    return ready;
}

// Hands an action to the form window the control sits in.
LRESULT Notify(HWND control, uint16_t actionWord) {
    return SendMessageW(GetParent(control), kMsgFieldAction, static_cast<WPARAM>(GetDlgCtrlID(control)), actionWord);
}

// The character typed, as the Windows-1252 byte the scanner keeps ('?' when it has none).
uint8_t ByteOf(WPARAM ch) {
    const wchar_t wide = static_cast<wchar_t>(ch);
    char byte = '?';
    BOOL usedDefault = FALSE;
    if (WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, &byte, 1, nullptr, &usedDefault) != 1 ||
        usedDefault)
        return '?';
    return static_cast<uint8_t>(byte);
}

std::wstring TextOf(HWND h) {
    const int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), n + 1)));
    return text;
}

// "<field>:<text>" for the click hook.
void OfferClick(HWND h) {
    auto hook = HookAs<ClickHook>(kHookClick);
    if (!hook) return;
    PoolScope scope;
    std::string text;
    const std::wstring wide = TextOf(h);
    if (!NarrowExact(wide.data(), wide.size(), &text) || text.size() > kMaxText - 8) text.clear();
    const StrRef number = Format(8, "%u:", unsigned{FieldOfInputId(static_cast<uint16_t>(GetDlgCtrlID(h)))});
    hook(Concat(number, StrMake(text.data(), static_cast<uint16_t>(text.size()))));
}

// A key pressed in a field: the key map's action goes to the form and the key is taken away.
// True when the control must not see the key.
bool KeyPressed(HWND h, WPARAM vk, bool checkButton) {
    const KeyDown k = EditKeyDown(FormEditKeys(), static_cast<uint16_t>(vk));
    if (k.f12) {
        if (auto hook = HookAs<F12Hook>(kHookF12)) hook(FormEditKeys().shift, FormEditKeys().ctrl);
    }
    uint16_t action = k.action;
    bool consume = k.consume;
    if (checkButton) {
        action = CheckButtonKeyAction(k.key, static_cast<uint16_t>(IntGet(kSysKeyMap)));
        consume = consume || action != 0;
    }
    if (action) Notify(h, action);
    return consume;
}

// Tab, Enter and Escape become actions on their key-down; their characters must not reach a
// one-line field, which would only beep.
bool IsActionCharacter(WPARAM ch) { return ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == 0x1B; }

LRESULT CALLBACK EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SETFOCUS: {
        const LRESULT r = CallWindowProcW(gEditProc, h, msg, wp, lp);
        Notify(h, kActFocus);
        return r;
    }
    case WM_KILLFOCUS: Notify(h, kActBlur); break;
    case WM_KEYDOWN:
        if (KeyPressed(h, wp, false)) return 0;
        break;
    case WM_KEYUP: EditKeyUp(FormEditKeys(), static_cast<uint16_t>(wp)); break;
    case WM_CHAR:
        switch (EditChar(FormEditKeys(), ByteOf(wp))) {
        case CharUse::Consume: return 0;
        case CharUse::ScanComplete: Notify(h, kActScanner); return 0;
        default:
            if (IsActionCharacter(wp)) return 0;
            break;
        }
        break;
    case WM_LBUTTONUP: {
        const LRESULT r = CallWindowProcW(gEditProc, h, msg, wp, lp);
        OfferClick(h);
        return r;
    }
    case WM_RBUTTONDOWN:
        if (auto hook = HookAs<ContextHook>(kHookContext)) {
            const CellSize cell = FontCell();
            const int x = static_cast<short>(LOWORD(lp));
            const int column = cell.cell ? (x * 110 / 100 + cell.cell / 2) / cell.cell : 0;
            const uint16_t field = FieldOfInputId(static_cast<uint16_t>(GetDlgCtrlID(h)));
            if (hook(field, static_cast<uint16_t>(column < 0 ? 0 : column)) == 0) return 0;
        }
        break;
    case kMsgEditPrivate: Notify(h, kActEditMessage); return 0;
    default: break;
    }
    return CallWindowProcW(gEditProc, h, msg, wp, lp);
}

LRESULT CALLBACK ComboProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    // While its list is open the keys choose in the list, as a person expects.
    const bool open = SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0) != 0;
    switch (msg) {
    case WM_SETFOCUS: {
        const LRESULT r = CallWindowProcW(gComboProc, h, msg, wp, lp);
        Notify(h, kActFocus);
        return r;
    }
    case WM_KILLFOCUS: Notify(h, kActBlur); break;
    case WM_KEYDOWN:
        if (!open && KeyPressed(h, wp, false)) return 0;
        break;
    case WM_KEYUP: EditKeyUp(FormEditKeys(), static_cast<uint16_t>(wp)); break;
    case WM_CHAR:
        if (!open && IsActionCharacter(wp)) return 0;
        break;
    default: break;
    }
    return CallWindowProcW(gComboProc, h, msg, wp, lp);
}

LRESULT CALLBACK CheckProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SETFOCUS: {
        const LRESULT r = CallWindowProcW(gCheckProc, h, msg, wp, lp);
        Notify(h, kActFocus);
        return r;
    }
    case WM_KILLFOCUS: Notify(h, kActBlur); break;
    case WM_KEYDOWN:
        if (wp == VK_SPACE) {
            ToggleCheck(W(h));
            return 0;
        }
        if (KeyPressed(h, wp, true)) return 0;
        break;
    case WM_KEYUP:
        EditKeyUp(FormEditKeys(), static_cast<uint16_t>(wp));
        if (wp == VK_SPACE) return 0;
        break;
    case WM_CHAR:
        if (wp == L' ' || IsActionCharacter(wp)) return 0;
        break;
    case WM_LBUTTONDOWN: ToggleCheck(W(h)); break;
    default: break;
    }
    return CallWindowProcW(gCheckProc, h, msg, wp, lp);
}

void Subclass(HWND h, WNDPROC proc, WNDPROC* saved) {
    const WNDPROC old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    if (!*saved) *saved = old;
}

// The logical "true" word of the language definition ("YES" by default).
StrRef TrueWord() {
    return Trim(Field(Field(LogicalAnswerMessage(), ';', 2), ',', 3), kTrimStart | kTrimEnd);
}

bool Checked(HWND h) { return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND h, bool on) {
    SendMessageW(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    PoolScope scope;
    SetWindowTextW(h, on ? Wide(TrueWord()).c_str() : L"");
}

// A check button's four cells hold the box, but not always the box and the "true" word beside
// it; the button grows to show the word whole.
void WidenForTrueWord(HWND h, const PixelRect& r) {
    PoolScope scope;
    const std::wstring word = Wide(TrueWord());
    HDC dc = GetDC(h);
    if (!dc) return;
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(h, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, word.c_str(), static_cast<int>(word.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    const int need = GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE) + size.cx + 2;
    if (need > r.width) SetWindowPos(h, nullptr, 0, 0, need, r.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsEditLike(FieldControl c) {
    return c == FieldControl::Edit || c == FieldControl::Password || c == FieldControl::EditRight;
}

}  // namespace

void SetFormControlSeams(const FormControlSeams& seams) { gSeams = seams; }

bool RichEditReady() { return gSeams.richEditReady ? gSeams.richEditReady() : OsRichEditReady(); }

WindowHandle MakeFieldControl(WindowHandle form, const FormField& field, const PixelRect& r) {
    const wchar_t* cls = L"EDIT";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    switch (field.control) {
    case FieldControl::Edit: style |= ES_AUTOHSCROLL; break;
    case FieldControl::Password: style |= ES_AUTOHSCROLL | ES_PASSWORD; break;
    case FieldControl::EditRight: style |= ES_AUTOHSCROLL | ES_RIGHT; break;
    case FieldControl::CheckButton: cls = L"BUTTON"; style |= BS_CHECKBOX; break;
    case FieldControl::Combo: cls = L"COMBOBOX"; style |= CBS_DROPDOWNLIST | WS_VSCROLL; break;
    case FieldControl::RichText:
        if (!RichEditReady()) return nullptr;
        cls = kRichEditClass;
        style = (style & ~WS_TABSTOP) | ES_READONLY | ES_AUTOHSCROLL;
        break;
    default: return nullptr;
    }
    const DWORD ex = HasSunkenEdge(field.control) ? WS_EX_CLIENTEDGE : 0;
    HWND h = CreateWindowExW(ex, cls, L"", style, r.x, r.y, r.width, r.height, H(form),
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(FieldInputId(field.number))),
                             static_cast<HINSTANCE>(LayerInstance()), nullptr);
    if (!h) return nullptr;
    SetControlFont(W(h), true);
    // No width means no limit of the field's own, but never more than a text can hold.
    const WPARAM limit = field.width ? field.width : kMaxText;
    if (IsEditLike(field.control)) {
        SendMessageW(h, EM_LIMITTEXT, limit, 0);
        // The font's own margins would take the room of a character from a field sized in cells.
        SendMessageW(h, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(kEditMargin, kEditMargin));
    }
    if (field.control == FieldControl::RichText) {
        SendMessageW(h, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(limit));
        SendMessageW(h, EM_AUTOURLDETECT, TRUE, 0);
        const LRESULT mask = SendMessageW(h, EM_GETEVENTMASK, 0, 0);
        SendMessageW(h, EM_SETEVENTMASK, 0, mask | ENM_LINK);
    }
    if (field.control == FieldControl::CheckButton) WidenForTrueWord(h, r);
    if (field.control == FieldControl::Combo) {
        PoolScope scope;
        const uint16_t count = FieldChoiceCount(field);
        for (uint16_t k = 1; k <= count; ++k) {
            const uint16_t mark = PoolMark();
            SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(FieldChoice(field, k)).c_str()));
            PoolRelease(mark);
        }
    }
    if (!(IntGet(kSysCompat) & kCompatNoSubclass)) {
        if (IsEditLike(field.control)) Subclass(h, EditProc, &gEditProc);
        if (field.control == FieldControl::Combo) Subclass(h, ComboProc, &gComboProc);
        if (field.control == FieldControl::CheckButton) Subclass(h, CheckProc, &gCheckProc);
    }
    return W(h);
}

WindowHandle MakeFieldButton(WindowHandle form, const FormField& field, const PixelRect& r) {
    HWND h = CreateWindowExW(0, L"BUTTON", L"...", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, r.x, r.y, r.width, r.height,
                             H(form), reinterpret_cast<HMENU>(static_cast<intptr_t>(FieldButtonId(field.number))),
                             static_cast<HINSTANCE>(LayerInstance()), nullptr);
    if (h) SetControlFont(W(h), true);
    return W(h);
}

void DrawFieldButton(const void* item) {
    const auto* d = static_cast<const DRAWITEMSTRUCT*>(item);
    RECT r = d->rcItem;
    const bool pushed = d->itemState & ODS_SELECTED;
    DrawFrameControl(d->hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    // Three dots drawn to the button's size: the text "..." in the field's font would not fit the
    // two cells the button has.
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int dot = std::max(2, width / 10);
    const int gap = std::max(1, dot / 2 + 1);
    int x = r.left + (width - (3 * dot + 2 * gap)) / 2 + (pushed ? 1 : 0);
    const int y = r.top + (height - dot) * 2 / 3 + (pushed ? 1 : 0);
    HBRUSH text = GetSysColorBrush(COLOR_BTNTEXT);
    for (int i = 0; i < 3; ++i, x += dot + gap) {
        const RECT spot{x, y, x + dot, y + dot};
        FillRect(d->hDC, &spot, text);
    }
    if (d->itemState & ODS_FOCUS) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(d->hDC, &r);
    }
}

ErrCode PutFieldText(WindowHandle control, const FormField& field, StrRef value) {
    if (ErrCode err = CheckFieldValue(field, value)) return err;
    HWND h = H(control);
    if (!h) return ReportFieldText(field);
    PoolScope scope;
    switch (field.control) {
    case FieldControl::CheckButton:
        SetChecked(h, IsYes(Trim(value, kTrimStart | kTrimEnd)));
        return 0;
    case FieldControl::Combo: {
        const LRESULT at = value.len ? SendMessageW(h, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                    reinterpret_cast<LPARAM>(Wide(value).c_str()))
                                     : CB_ERR;
        SendMessageW(h, CB_SETCURSEL, at == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(at), 0);
        break;
    }
    default: SetWindowTextW(h, Wide(value).c_str()); break;
    }
    // What the control shows must be what it was given, or the form would hand back another value.
    const StrRef shown = FieldControlText(control, field);
    return shown.ok() && StrEq(shown, value) ? 0 : ReportFieldText(field);
}

StrRef FieldControlText(WindowHandle control, const FormField& field) {
    HWND h = H(control);
    if (!h) return StrErr(kErrBadInput);
    if (field.control == FieldControl::CheckButton) return Checked(h) ? PoolCopy(TrueWord()) : StrEmpty();
    std::wstring wide;
    if (field.control == FieldControl::Combo) {
        const LRESULT at = SendMessageW(h, CB_GETCURSEL, 0, 0);
        if (at != CB_ERR) {
            const LRESULT n = SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
            if (n == CB_ERR) return StrErr(kErrBadInput);
            wide.assign(static_cast<size_t>(n) + 1, L'\0');
            wide.resize(static_cast<size_t>(
                SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(wide.data()))));
        }
    } else {
        wide = TextOf(h);
    }
    std::string text;
    if (!NarrowExact(wide.data(), wide.size(), &text) || text.size() > kMaxText) return StrErr(kErrBadInput);
    return PoolCopy(StrMake(text.data(), static_cast<uint16_t>(text.size())));
}

void ToggleCheck(WindowHandle button) { SetChecked(H(button), !Checked(H(button))); }

}  // namespace rt
