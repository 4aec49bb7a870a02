// The form window on Win32: made from a laid-out form, run modally, its actions carried out
// (focus, scrolling, choosers, help, closing), and its values collected before it goes.
#include "ui/form_window.h"

#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/host_hooks.h"
#include "runtime/log.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/typed_arrays.h"
#include "ui/check_list.h"
#include "ui/choosers.h"
#include "ui/colours.h"
#include "ui/font_stack.h"
#include "ui/form_controls.h"
#include "ui/form_keys.h"
#include "ui/form_layout.h"
#include "ui/gdi_cache.h"
#include "ui/message_box.h"
#include "ui/wide_text.h"
#include "ui/window_kinds.h"
#include "ui/window_layer.h"

namespace rt {
namespace {

constexpr uint16_t kKindMant = 2;
constexpr uint16_t kKindDialogx = 5;
constexpr ErrCode kErrWindow = 179;
constexpr int16_t kTiedValue = 0;  // WindowStack value of a form window once it had the focus
constexpr uint32_t kRgbBrushKey = 1;  // key 2 of brushes made from a colour value, not a palette index
constexpr unsigned kNotifyListDoubleClick = 2;
constexpr unsigned kNotifyComboChosen = 9;  // CBN_SELENDOK

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }
WindowHandle W(HWND h) { return reinterpret_cast<WindowHandle>(h); }

// The screen geometry outside forms: margins and spacing here, columns and rows in _DEVWID and
// _DEVHIG, where the placement of a first window reads them.
FormGrid gGeometry = {0, 0, {2, 1, 2, 2}, 0};

FormGrid CurrentGeometry() {
    FormGrid g = gGeometry;
    g.columns = static_cast<uint16_t>(IntGet(kSysDevWid));
    g.rows = static_cast<uint16_t>(IntGet(kSysDevHig));
    return g;
}

void SetGeometry(const FormGrid& g) {
    gGeometry = g;
    IntSet(kSysDevWid, static_cast<int16_t>(g.columns));
    IntSet(kSysDevHig, static_cast<int16_t>(g.rows));
}

struct FormRun {
    Form form;
    FormSession session;
    HWND window = nullptr;
    CellMetrics cell;
    PixelRect content;          // the whole grid, margins included
    int scrollX = 0, scrollY = 0;
    int rangeX = 0, rangeY = 0;
    bool sizing = false;        // the scroll bars are being shown or hidden
    bool closing = false;       // the form itself asked to close (confirmed or left)
    // The fields' texts, read just before the window goes (its controls go with it).
    bool read = false;
    std::vector<std::string> texts;
    std::vector<bool> readable;
};

FormRun* RunOf(HWND w) { return reinterpret_cast<FormRun*>(GetWindowLongPtrW(w, GWLP_USERDATA)); }

HWND InputOf(const FormRun& run, uint16_t index) {
    return run.window && index < run.form.fieldCount ? GetDlgItem(run.window, FieldInputId(run.form.fields[index].number))
                                                    : nullptr;
}

// --- scrolling ---

void ScrollBy(FormRun& run, int dx, int dy) {
    if (!dx && !dy) return;
    run.scrollX += dx;
    run.scrollY += dy;
    ScrollWindowEx(run.window, -dx, -dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    SetScrollPos(run.window, SB_HORZ, run.scrollX, TRUE);
    SetScrollPos(run.window, SB_VERT, run.scrollY, TRUE);
}

// Shows a bar for each axis whose content does not fit, with the range content - visible, and
// keeps the position within it.
void UpdateScrollBars(FormRun& run) {
    if (run.sizing || !run.window) return;
    run.sizing = true;
    RECT c;
    GetClientRect(run.window, &c);
    const LONG style = GetWindowLongW(run.window, GWL_STYLE);
    const int barW = GetSystemMetrics(SM_CXVSCROLL), barH = GetSystemMetrics(SM_CYHSCROLL);
    // The room without any bar, then what each bar takes from the other axis.
    const int innerW = c.right + ((style & WS_VSCROLL) ? barW : 0);
    const int innerH = c.bottom + ((style & WS_HSCROLL) ? barH : 0);
    bool needH = run.content.width > innerW, needV = run.content.height > innerH;
    if (needH && !needV) needV = run.content.height > innerH - barH;
    if (needV && !needH) needH = run.content.width > innerW - barW;
    if (needH != ((style & WS_HSCROLL) != 0)) ShowScrollBar(run.window, SB_HORZ, needH);
    if (needV != ((style & WS_VSCROLL) != 0)) ShowScrollBar(run.window, SB_VERT, needV);
    GetClientRect(run.window, &c);
    run.rangeX = ScrollRange(run.content.width, c.right);
    run.rangeY = ScrollRange(run.content.height, c.bottom);
    ScrollBy(run, std::min(run.scrollX, run.rangeX) - run.scrollX, std::min(run.scrollY, run.rangeY) - run.scrollY);
    for (int bar : {SB_HORZ, SB_VERT}) {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS | SIF_PAGE, 0, bar == SB_HORZ ? run.rangeX : run.rangeY, 0,
                      bar == SB_HORZ ? run.scrollX : run.scrollY, 0};
        SetScrollInfo(run.window, bar, &si, TRUE);
    }
    run.sizing = false;
}

void Scroll(FormRun& run, int bar, uint16_t request) {
    SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
    GetScrollInfo(run.window, bar, &si);
    if (bar == SB_VERT) {
        ScrollBy(run, 0, ScrollStep(run.scrollY, run.rangeY, request, run.cell.lineHeight, si.nTrackPos) - run.scrollY);
    } else {
        ScrollBy(run, ScrollStep(run.scrollX, run.rangeX, request, run.cell.cellWidth, si.nTrackPos) - run.scrollX, 0);
    }
}

// Brings field index (its label and input, one line) into view.
void ShowField(FormRun& run, uint16_t index) {
    const FormField& f = run.form.fields[index];
    const PixelRect input = FieldInputRect(run.form.grid, run.cell, f);
    PixelRect span = f.button != FieldButton::None ? FieldButtonRect(run.form.grid, run.cell, f) : input;
    span.width += span.x - input.x;
    span.x = input.x;
    if (f.label.len) {
        const PixelRect label = FieldLabelRect(run.form.grid, run.cell, f);
        if (label.x < span.x) {
            span.width += span.x - label.x;
            span.x = label.x;
        }
        span.y = std::min(span.y, label.y);
    }
    const int bottom = input.y + run.cell.lineHeight;
    RECT c;
    GetClientRect(run.window, &c);
    ScrollBy(run, ScrollToShow(run.scrollX, c.right, run.rangeX, span.x, span.x + span.width) - run.scrollX,
             ScrollToShow(run.scrollY, c.bottom, run.rangeY, span.y, bottom) - run.scrollY);
}

void FocusField(FormRun& run, uint16_t index) {
    HWND input = InputOf(run, index);
    if (!input) return;
    ShowField(run, index);
    if (GetFocus() != input) SetFocus(input);
}

// --- closing and the result ---

void ReadTexts(FormRun& run) {
    if (run.read) return;
    run.read = true;
    run.texts.assign(run.form.fieldCount, std::string());
    run.readable.assign(run.form.fieldCount, false);
    for (uint16_t i = 0; i < run.form.fieldCount; ++i) {
        const FormField& f = run.form.fields[i];
        if (f.control == FieldControl::None) {
            run.readable[i] = true;
            continue;
        }
        PoolScope scope;
        const StrRef text = FieldControlText(W(InputOf(run, i)), f);
        if (!text.ok()) continue;
        run.texts[i].assign(text.ptr, text.len);
        run.readable[i] = true;
    }
}

StrRef ReadText(void* context, const FormField& field) {
    const FormRun& run = *static_cast<const FormRun*>(context);
    const uint16_t i = static_cast<uint16_t>(field.number - 1);
    if (i >= run.texts.size() || !run.readable[i]) return StrErr(kErrBadInput);
    return PoolCopy(StrMake(run.texts[i].data(), static_cast<uint16_t>(run.texts[i].size())));
}

// The text a field's input shows at this moment, read afresh (nothing is cached for the result).
StrRef ShownText(void* context, const FormField& field) {
    FormRun& run = *static_cast<FormRun*>(context);
    HWND input = InputOf(run, static_cast<uint16_t>(field.number - 1));
    return input ? FieldControlText(W(input), field) : StrEmpty();
}

void CloseNow(FormRun& run) {
    ReadTexts(run);
    if (run.window) DestroyWindow(run.window);
}

// --- actions ---

void RunChooser(FormRun& run, uint16_t index) {
    const FormField& f = run.form.fields[index];
    HWND input = InputOf(run, index);
    PoolScope scope;
    const StrRef current = input ? FieldControlText(W(input), f) : StrEmpty();
    const StrRef choice = FieldButtonChoice(f.button, current.ok() ? current : StrEmpty());
    if (!choice.ok()) {
        ShowErrorCode(StrError(choice));
    } else if (choice.len && run.window && input) {
        if (ErrCode err = PutFieldText(W(input), f, choice)) ShowErrorCode(err);
    }
    if (run.window) FocusField(run, index);
}

void Carry(FormRun& run, const FormOutcome& o, bool closeBox) {
    if (o.result > kErrUserCanceled - 1) ShowErrorCode(o.result);
    if (!run.window) return;
    switch (o.step) {
    case FormStep::Focus: FocusField(run, o.field); break;
    case FormStep::Help:
        if (auto hook = HookAs<FormHelpHook>(kHookHelp)) hook(run.form, o.field);
        break;
    case FormStep::Chooser: RunChooser(run, o.field); break;
    default: break;
    }
    if (!o.close || !run.window) return;
    run.closing = true;
    // A close requested by an action asks the window again (action 28), which finds the form
    // ending; the close box itself needs no second question.
    if (closeBox) {
        CloseNow(run);
    } else {
        PostMessageW(run.window, WM_CLOSE, 0, 0);
    }
}

void Dispatch(FormRun& run, uint16_t id, uint16_t actionWord, bool closeBox = false) {
    PoolScope scope;
    const FormOutcome o = FormDispatch(run.session, id, actionWord);
    Carry(run, o, closeBox);
}

// The window gets the focus: the first time, while it is the top window, it is tied to the
// screen (action 95); later the focus goes back to the current field (action 91).
void WindowFocused(FormRun& run) {
    const StackValue v = StackValueOf(W(run.window));
    if (v.err || v.value > 128) return;
    const bool first = v.value == -1 && StackTop() == W(run.window);
    if (first) StackRegister(W(run.window), kTiedValue);
    PoolScope scope;
    const uint16_t current = run.session.current;
    const uint16_t id = current < run.form.fieldCount ? FieldInputId(run.form.fields[current].number) : 0;
    const FormOutcome o = FormDispatch(run.session, first ? 0 : id, first ? kActWindowFocus : kActFocus);
    if (LogEnabled(0, kLogRuntime)) {
        const StrRef name = o.result ? ErrorName(o.result) : StrEmpty();
        const std::string text(name.ok() ? name.ptr : "", name.ok() ? name.len : 0);
        Log(Format(200, "InitialId: %i, Final: %i, Result: %i (%s)", int{v.value},
                   int{StackValueOf(W(run.window)).value}, int{o.result}, text.c_str()));
    }
    Carry(run, o, false);
    if (run.window && GetFocus() == run.window) FocusField(run, run.session.current);
}

// --- colours ---

void* BrushFallback(void* handle) {
    DeleteObject(static_cast<HGDIOBJ>(handle));
    return GetStockObject(WHITE_BRUSH);
}

// A brush of a colour text: palette colours from the layer's cache, others made once here.
HBRUSH BrushOf(StrRef text) {
    const int16_t index = ColourIndex(text);
    if (index >= 0 && index < static_cast<int16_t>(kPaletteSize)) return static_cast<HBRUSH>(PaletteBrush(static_cast<uint16_t>(index)));
    const ColourRef colour = ColourFromText(text, nullptr);
    if (void* cached = GdiLookup(kGdiKindBrush, colour, kRgbBrushKey)) return static_cast<HBRUSH>(cached);
    HBRUSH brush = CreateSolidBrush(colour);
    return brush ? static_cast<HBRUSH>(GdiStore(kGdiKindBrush, colour, kRgbBrushKey, brush, BrushFallback)) : nullptr;
}

const FormField* FieldOfControl(const FormRun& run, HWND control) {
    const uint16_t id = static_cast<uint16_t>(GetDlgCtrlID(control));
    if (const uint16_t n = FieldOfInputId(id); n && n <= run.form.fieldCount) return &run.form.fields[n - 1];
    for (uint16_t i = 0; i < run.form.fieldCount; ++i) {
        const FormField& f = run.form.fields[i];
        if (f.label.len && FixedTextId(run.form.grid, f.labelRow, f.labelCol) == id) return &f;
    }
    return nullptr;
}

LRESULT Colours(FormRun& run, UINT msg, HDC dc, HWND control, LRESULT standard) {
    const FormField* f = FieldOfControl(run, control);
    const StrRef fore = f ? f->textColour : StrEmpty();
    StrRef back = f ? f->backColour : StrEmpty();
    // Labels and lines stand on the window's own colour when they have none.
    if (back.len == 0 && msg == WM_CTLCOLORSTATIC && !FieldOfInputId(static_cast<uint16_t>(GetDlgCtrlID(control))))
        back = run.form.windowColour;
    if (fore.len) SetTextColor(dc, ColourFromText(fore, nullptr));
    if (back.len == 0) return standard;
    SetBkColor(dc, ColourFromText(back, nullptr));
    HBRUSH brush = BrushOf(back);
    return brush ? reinterpret_cast<LRESULT>(brush) : standard;
}

void OfferLink(const ENLINK* link) {
    auto hook = HookAs<LinkHook>(kHookLink);
    if (!hook || link->msg != WM_LBUTTONUP || link->chrg.cpMax <= link->chrg.cpMin) return;
    const LONG n = std::min<LONG>(link->chrg.cpMax - link->chrg.cpMin, kMaxText);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    TEXTRANGEW range{{link->chrg.cpMin, link->chrg.cpMin + n}, text.data()};
    text.resize(static_cast<size_t>(SendMessageW(link->nmhdr.hwndFrom, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
    std::string narrow;
    if (!NarrowExact(text.data(), text.size(), &narrow)) return;
    PoolScope scope;
    hook(PoolCopy(StrMake(narrow.data(), static_cast<uint16_t>(narrow.size()))));
}

LRESULT CALLBACK FormProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    FormRun* run = RunOf(w);
    if (!run) {
        if (msg == WM_DESTROY) WindowDestroyed(W(w));
        return DefWindowProcW(w, msg, wp, lp);
    }
    switch (msg) {
    case kMsgFieldAction: Dispatch(*run, static_cast<uint16_t>(wp), static_cast<uint16_t>(lp)); return 0;
    case kMsgFormPrivate: Dispatch(*run, 0, ActionWord(kActWindowMessage, static_cast<uint8_t>(wp))); return 0;
    case WM_COMMAND: {
        const uint16_t id = LOWORD(wp);
        const unsigned code = HIWORD(wp);
        const uint16_t n = FieldOfInputId(id);
        const bool combo = n && n <= run->form.fieldCount && run->form.fields[n - 1].control == FieldControl::Combo;
        if (combo && code == CBN_SELCHANGE) {
            Dispatch(*run, id, kActBlur);
        } else if (combo && code == kNotifyComboChosen) {
            IntSet(kSysLastKey, static_cast<int16_t>(kKeyOther));
            Dispatch(*run, id, kActComboChoice);
        } else if (code == kNotifyListDoubleClick && !combo) {
            SendMessageW(w, WM_COMMAND, kFormOkId, 0);
        } else if (code == BN_CLICKED) {
            if (const uint16_t action = CommandAction(id)) Dispatch(*run, id, action);
        }
        return 0;
    }
    case WM_CLOSE: Dispatch(*run, 0, kActCloseBox, true); return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lp == 0) Scroll(*run, msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wp));
        return 0;
    case WM_MOUSEWHEEL:
        Scroll(*run, SB_VERT, static_cast<short>(HIWORD(wp)) > 0 ? kScrollPageUp : kScrollPageDown);
        return 0;
    case WM_SIZE:
        UpdateScrollBars(*run);
        if (IntGet(kSysAdmStat) & kAdmStatResizable) {
            if (auto hook = HookAs<FormResizeHook>(kHookResize)) hook(W(w), LOWORD(lp), HIWORD(lp));
        }
        return 0;
    case WM_SETFOCUS: WindowFocused(*run); return 0;
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE) PostMessageW(w, WM_CLOSE, 0, 0);
        return 0;
    case WM_DRAWITEM:
        if (FieldOfButtonId(static_cast<uint16_t>(wp))) {
            DrawFieldButton(reinterpret_cast<const void*>(lp));
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->code == EN_LINK) OfferLink(reinterpret_cast<const ENLINK*>(lp));
        return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        return Colours(*run, msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), DefWindowProcW(w, msg, wp, lp));
    case WM_ERASEBKGND:
        // Painted here rather than by the class: a colour text need not be a palette colour, and
        // the class's brush belongs to the layer's cache, which may have let it go.
        if (run->form.windowColour.len) {
            RECT c;
            GetClientRect(w, &c);
            if (HBRUSH brush = BrushOf(run->form.windowColour)) {
                FillRect(reinterpret_cast<HDC>(wp), &c, brush);
                return 1;
            }
        }
        break;
    case WM_DESTROY:
        ReadTexts(*run);
        run->window = nullptr;
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        WindowDestroyed(W(w));
        return 0;
    default: break;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// --- making the window ---

// A fixed text (a title line or a label) at (row, col) in the box r, one line high and as wide as
// its text needs in the control's font (never narrower than r): it is shown whole on one line,
// '&' included, and centred on the line as the inputs' texts are.
HWND MakeText(HWND w, const FormGrid& grid, uint16_t row, uint16_t col, StrRef text, const PixelRect& r) {
    const uint16_t id = FixedTextId(grid, row, col);
    // A new text at the same place replaces the old one.
    if (HWND old = GetDlgItem(w, id)) DestroyWindow(old);
    const std::wstring wide = Wide(text);
    HWND label = CreateWindowExW(0, L"STATIC", wide.c_str(),
                                 WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE, r.x, r.y,
                                 r.width, r.height, w, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                                 static_cast<HINSTANCE>(LayerInstance()), nullptr);
    if (!label) return nullptr;
    SetControlFont(W(label), true);
    if (HDC dc = GetDC(label)) {
        const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
        SIZE size{};
        if (GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size) && size.cx > r.width)
            SetWindowPos(label, nullptr, 0, 0, size.cx + 1, r.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SelectObject(dc, old);
        ReleaseDC(label, dc);
    }
    return label;
}

// Outer size for the content's client size, never larger than the work area.
void FitWindow(FormRun& run, const BoxSize& work, unsigned placeFlags) {
    RECT r{0, 0, run.content.width, run.content.height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(run.window, GWL_STYLE)) & ~(WS_HSCROLL | WS_VSCROLL), FALSE,
                       static_cast<DWORD>(GetWindowLongW(run.window, GWL_EXSTYLE)));
    const int width = std::min<int>(r.right - r.left, work.width);
    const int height = std::min<int>(r.bottom - r.top, work.height);
    Point at = NextPosition(placeFlags);
    at = ClampToWork(at, width, height, work.width, work.height);
    SetWindowPos(run.window, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

ErrCode MakeWindow(FormRun& run, uint16_t flags) {
    const CellSize c = FontCell();
    const FontSpec* top = TopFont();
    run.cell = CellMetrics{c.cell, c.line, static_cast<uint16_t>(top ? top->height : c.line)};
    run.content = FormClientRect(run.form.grid, run.cell);
    const uint16_t kind = static_cast<uint16_t>((flags & kFormMantWindow ? kKindMant : kKindDialogx) |
                                                ((IntGet(kSysAdmStat) & kAdmStatResizable) ? kKindResizable : 0));
    const BoxSize work = WorkAreaSize(nullptr);
    const BoxSize outer = OuterSize(run.content.width, run.content.height, kind, false);
    const int16_t colour = run.form.windowColour.len ? ColourIndex(run.form.windowColour) : -1;
    PoolScope scope;
    HWND w = H(CreateKindWindow(KindName(kind), run.form.title, KindFrameStyle(kind) | WS_HSCROLL | WS_VSCROLL, 0, 0,
                                std::min(outer.width, work.width), std::min(outer.height, work.height),
                                colour >= 0 && colour < static_cast<int16_t>(kPaletteSize) ? colour : -1, 0, nullptr));
    if (!w) return kErrWindow;
    // Whatever procedure the class was registered with, this window answers to the form's.
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&run));
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FormProc));
    run.window = w;
    FitWindow(run, work, (flags & kFormRightEdge) ? kPlaceRight : 0);
    UpdateScrollBars(run);
    return 0;
}

// Creates the input controls of every field with their "..." buttons, the fixed texts, the
// starting values and the "Ok" button.
ErrCode ScreenSetWin(FormRun& run) {
    const Form& form = run.form;
    for (uint16_t k = 1; k <= form.lineCount; ++k) {
        const StrRef line = form.lines[k - 1];
        MakeText(run.window, form.grid, k, 1, line, GridRect(form.grid, run.cell, k, 1, line.len));
    }
    for (uint16_t i = 0; i < form.fieldCount; ++i) {
        const FormField& f = form.fields[i];
        if (f.label.len)
            MakeText(run.window, form.grid, f.labelRow, f.labelCol, f.label, FieldLabelRect(form.grid, run.cell, f));
        if (f.control == FieldControl::None) continue;
        if (!MakeFieldControl(W(run.window), f, FieldInputRect(form.grid, run.cell, f))) {
            return f.control == FieldControl::RichText && !RichEditReady() ? kErrInternal : kErrWindow;
        }
        if (f.button != FieldButton::None &&
            !MakeFieldButton(W(run.window), f, FieldButtonRect(form.grid, run.cell, f)))
            return kErrWindow;
    }
    for (uint16_t i = 0; i < form.fieldCount; ++i) {
        const FormField& f = form.fields[i];
        if (f.control == FieldControl::None) continue;
        PoolScope scope;
        if (ErrCode err = PutFieldText(W(InputOf(run, i)), f, FormInitialValue(f))) return err;
    }
    if (!GetDlgItem(run.window, kFormOkId)) {
        const PixelRect r = OkButtonRect(form, run.cell);
        HWND ok = CreateWindowExW(0, L"BUTTON", L"Ok", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r.x, r.y, r.width, r.height,
                                  run.window, reinterpret_cast<HMENU>(static_cast<intptr_t>(kFormOkId)),
                                  static_cast<HINSTANCE>(LayerInstance()), nullptr);
        if (!ok) return kErrWindow;
        SetControlFont(W(ok), true);
    }
    return 0;
}

bool HasRichText(const Form& form) {
    for (uint16_t i = 0; i < form.fieldCount; ++i)
        if (form.fields[i].control == FieldControl::RichText) return true;
    return false;
}

// Everything up to the collection; the last key the form ended with in *lastKey.
ErrCode Show(FormRun& run, StrRef title, StrRef definition, uint16_t flags, const FormCallbacks* callbacks,
             uint16_t* lastKey) {
    if (ErrCode err = AcceptWinSelect(run.form, title, definition, flags)) return err;
    const FormGrid current = CurrentGeometry();
    if (ErrCode err = FormLayout(run.form, flags, FlagTest(kSysAuxStat, kAuxStatLogicalButton), current)) return err;
    if (HasRichText(run.form) && !RichEditReady()) return kErrInternal;
    FormGrid screen = run.form.grid;
    screen.columns = static_cast<uint16_t>(std::min<uint32_t>(0x7FFF, screen.columns + screen.margins[0] + screen.margins[2]));
    screen.rows = static_cast<uint16_t>(std::min<uint32_t>(0x7FFF, screen.rows + screen.margins[1] + screen.margins[3]));
    SetGeometry(screen);

    WindowLayerInit();
    if (ErrCode err = MakeWindow(run, flags)) return err;
    if (ErrCode err = ScreenSetWin(run)) {
        run.read = true;  // nothing to collect from a form that never ran
        DestroyWindow(run.window);
        return err;
    }
    FormSessionStart(run.session, run.form);
    if (callbacks) ScreenActionSet(run.session, callbacks->handler, callbacks->onEnd);
    run.session.shown = ShownText;
    run.session.shownContext = &run;

    HWND w = run.window;
    ShowTop(-1);
    // The window takes the focus itself first, which ties it to the screen and hands the focus on
    // to the first field (WindowFocused). Made active when it was made, it may hold the focus
    // already, from before its procedure was the form's.
    if (run.window && GetFocus() == run.window) {
        WindowFocused(run);
    } else if (run.window && !IsChild(run.window, GetFocus())) {
        SetFocus(run.window);
    }
    RunModal(W(w));
    if (run.window) CloseNow(run);
    // A window that went without the form asking (its owner destroyed, the loop ended by someone
    // else) was not accepted, whatever key was pressed last.
    *lastKey = run.closing ? static_cast<uint16_t>(IntGet(kSysLastKey)) : kKeyEscape;
    return 0;
}

}  // namespace

ErrCode RunForm(StrRef title, StrRef definition, uint16_t flags, FormResult* out, const FormCallbacks* callbacks) {
    *out = FormResult{};
    out->values = out->assignments = StrEmpty();
    if (ErrCode err = StrError(title)) return out->status = err;
    if (ErrCode err = StrError(definition)) return out->status = err;
    const FormGrid saved = CurrentGeometry();
    const int16_t savedField = IntGet(kSysCurEdFld);
    const uint16_t mark = PoolMark();
    uint16_t lastKey = kKeyEscape;
    FormRun run;
    ErrCode status = Show(run, title, definition, flags, callbacks, &lastKey);
    PoolRelease(mark);
    if (!status) status = FormCollect(run.form, lastKey, flags, ReadText, &run, out);
    IntSet(kSysCurEdFld, savedField);
    if (!(flags & kFormKeepGeometry)) SetGeometry(saved);
    return out->status = status;
}

ErrCode RunCheckList(StrRef title, StrRef names, int16_t sysVar, uint16_t* mask) {
    *mask = 0;
    PoolScope scope;
    const StrRef definition = CheckListDefinition(names, sysVar);
    if (!definition.ok()) return StrError(definition);
    FormResult result;
    if (ErrCode err = RunForm(title, definition, kFormUpdaterFlags, &result)) return err;
    *mask = CheckListMask(result.values, sysVar);
    return 0;
}

}  // namespace rt
