// Real forms under Wine, filled in as a person would from a second thread: keys that move and
// confirm, leaving without values, the "Ok" button and ALARM$, password, logical and choice
// fields, stores into variables, two forms in a row, values that come back exactly, scrolling,
// the resize hook, rich text and its refusal.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/host_hooks.h"
#include "runtime/log.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/text_list.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"
#include "tests/ui/form_window_test_support.h"
#include "ui/font_stack.h"
#include "ui/form_controls.h"
#include "ui/form_value.h"
#include "ui/form_window.h"
#include "ui/window_kinds.h"
#include "ui/window_layer.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::V;
using rt_test::WideOf;

namespace {

const char kTitle[] = "Configuraci\xf3n";

class FormWindowWinTest : public ui_test::FormWindowTest {
protected:
    void SetUp() override {
        FormWindowTest::SetUp();
        SetFormControlSeams(FormControlSeams{});
    }
    void TearDown() override {
        SetFormControlSeams(FormControlSeams{});
        HookSet(kHookResize, nullptr);
        FormWindowTest::TearDown();
    }

    // Runs the form while steps(form window) answers it from a second thread.
    ErrCode Run(const std::string& definition, std::function<void(HWND)> steps, uint16_t flags = kFormUpdaterFlags,
                const char* title = kTitle) {
        rt_test::WindowHelper helper([&] {
            HWND form = rt_test::OwnWindow(WideOf(title));
            if (!form) return;
            steps(form);
        });
        return RunForm(T(title), V(definition), flags, &result_);
    }
    // Value n of the result, unquoted.
    std::string Value(uint16_t n) { return Str(FormUnquote(Field(result_.values, ',', n))); }

    FormResult result_;
};

// The control of the form's thread that has the keyboard.
HWND FocusOf(HWND form) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
    return info.hwndFocus;
}
// The id of the control with the keyboard once it is `expected` (waiting up to a second for the
// form's thread to take the keys sent), or whatever it is then.
int FocusId(HWND form, int expected = -1) {
    for (int i = 0; i < 50 && GetDlgCtrlID(FocusOf(form)) != expected && expected >= 0; ++i) Sleep(20);
    return GetDlgCtrlID(FocusOf(form));
}
HWND Input(HWND form, uint16_t n) { return GetDlgItem(form, FieldInputId(n)); }

const char kThree[] = "'Uno:':'A20','Dos:':'A20','Tres:':'A20'";

TEST_F(FormWindowWinTest, KeysMoveForwardAndBackAndEnterOnTheLastFieldConfirms) {
    // Each step, then the field expected to have the keyboard.
    const struct {
        std::function<void(HWND)> step;
        int focus;
    } steps[] = {
        {[](HWND) {}, 2000},
        {[](HWND f) { rt_test::TypeText(f, L"uno"); rt_test::SendKey(f, VK_TAB); }, 2001},
        {[](HWND f) { rt_test::TypeText(f, L"dos"); rt_test::SendKey(f, VK_DOWN); }, 2002},
        {[](HWND f) { rt_test::TypeText(f, L"it's"); rt_test::SendChord(f, {VK_SHIFT, VK_TAB}); }, 2001},
        {[](HWND f) { rt_test::SendKey(f, VK_UP); }, 2000},
        {[](HWND f) { rt_test::SendKey(f, VK_UP); }, 2000},  // nothing before the first field
        {[](HWND f) { rt_test::SendKey(f, VK_RETURN); }, 2001},
        {[](HWND f) { rt_test::SendKey(f, VK_RETURN); }, 2002},
    };
    std::vector<int> seen, expected;
    const ErrCode status = Run(kThree, [&](HWND f) {
        for (const auto& s : steps) {
            s.step(f);
            expected.push_back(s.focus);
            seen.push_back(FocusId(f, s.focus));
        }
        rt_test::SendKey(f, VK_RETURN);
    });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(result_.exitKey, 0);
    // A value with a single quote comes back in double quotes.
    EXPECT_EQ(Str(result_.values), "'uno','dos',\"it's\"");
    EXPECT_EQ(StackTop(), nullptr);
}

// A form that fits the work area gets a client area of exactly its grid (margins 2, 1, 2, 2 cells
// around it) and no scroll bars; its labels are shown whole on one line.
TEST_F(FormWindowWinTest, AFormIsSizedToItsGridAndShowsItsLabelsWhole) {
    RECT client{};
    LONG style = 0;
    std::vector<std::pair<std::wstring, int>> labels;  // text and the width it needs
    const ErrCode status = Run("'Denominaci\xf3n:':'A20','Origen & destino:':'A30'", [&](HWND f) {
        GetClientRect(f, &client);
        style = GetWindowLongW(f, GWL_STYLE);
        EnumChildWindows(
            f,
            [](HWND h, LPARAM lp) -> BOOL {
                if (rt_test::ClassOf(h) != L"Static") return TRUE;
                const std::wstring text = rt_test::WindowTextOf(h);
                HDC dc = GetDC(h);
                SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(h, WM_GETFONT, 0, 0)));
                SIZE need{};
                GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &need);
                ReleaseDC(h, dc);
                RECT r;
                GetClientRect(h, &r);
                reinterpret_cast<std::vector<std::pair<std::wstring, int>>*>(lp)->emplace_back(text, need.cx - r.right);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&labels));
        rt_test::SendKey(f, VK_ESCAPE);
    });
    EXPECT_EQ(status, kErrUserCanceled);
    const CellSize cell = FontCell();
    // "Origen & destino:" is 17 long: inputs at column 18, the wider one ends at 47.
    EXPECT_EQ(client.right, (2 + 47 + 2) * cell.cell);
    EXPECT_EQ(client.bottom, (1 + 4 + 2) * cell.line);
    EXPECT_FALSE(style & (WS_HSCROLL | WS_VSCROLL));
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[1].first, L"Origen & destino:") << "an '&' is shown, not taken for an access key";
    for (const auto& [text, missing] : labels) EXPECT_LE(missing, 0) << rt_test::Cp1252Of(text);
}

TEST_F(FormWindowWinTest, EscapeAndTheCloseBoxLeaveWith122AndNoValues) {
    const std::function<void(HWND)> leaves[] = {
        [](HWND f) { rt_test::SendKey(f, VK_ESCAPE); },
        // The close box, as the frame reports a click on it.
        [](HWND f) { PostMessageW(f, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    StoreSet(kGroupSystem, kItemFormValues, T("'antes'"));
    VarSetText(T("NOMBRE$"), T("antes"));
    for (const auto& leave : leaves) {
        const ErrCode status = Run("'Nombre:':'A20':NOMBRE$::NOMBRE$,'Otro:':'A20'", [&](HWND f) {
            rt_test::TypeText(f, L"cambiado ");
            rt_test::SendKey(f, VK_TAB);  // a key that accepts, on the way
            rt_test::TypeText(f, L"otro");
            leave(f);
        });
        EXPECT_EQ(status, kErrUserCanceled);
        EXPECT_EQ(result_.status, kErrUserCanceled);
        EXPECT_EQ(Str(result_.values), "");
        EXPECT_EQ(Str(result_.assignments), "");
        EXPECT_EQ(Str(VarGetText(T("NOMBRE$"))), "antes");
        EXPECT_EQ(Str(StoreGet(kGroupSystem, kItemFormValues)), "'antes'");
        EXPECT_EQ(StackTop(), nullptr);
    }
}

TEST_F(FormWindowWinTest, OkButtonConfirmsWhereAlarmRefuses) {
    // The last field's ALARM$ entry: 1 keeps the form open quietly, an ErrCode is shown first.
    for (const char* alarm : {"1", "174"}) {
        bool stayed = false, shown = false;
        StoreSet(kGroupSystem, kItemFormValues, StrEmpty());
        const std::string definition = std::string(kThree) + " /ALARM$=\",," + alarm + "\"";
        const ErrCode status = Run(definition, [&](HWND f) {
            for (WORD k : {VK_RETURN, VK_RETURN}) rt_test::SendKey(f, k);
            rt_test::TypeText(f, L"fin");
            rt_test::SendKey(f, VK_RETURN);
            if (HWND box = rt_test::FindOwnedDialog(f, std::string(alarm) == "1" ? 500 : 5000)) {
                shown = true;
                rt_test::PressButton(box, rt_test::Plain(rt_test::WindowTextOf(GetDlgItem(box, IDOK))));
                rt_test::WaitGone(rt_test::WindowTextOf(box), GetCurrentProcessId(), 3000);
            }
            Sleep(200);
            stayed = IsWindow(f) && FocusId(f, 2002) == 2002;
            rt_test::PressButton(f, L"Ok");
        });
        EXPECT_TRUE(stayed) << alarm;
        EXPECT_EQ(shown, std::string(alarm) != "1") << alarm;
        EXPECT_EQ(status, 0) << alarm;
        EXPECT_EQ(Str(result_.values), "'','','fin'") << alarm;
    }
}

TEST_F(FormWindowWinTest, PasswordFieldShowsNoCharacters) {
    LONG style = 0;
    wchar_t shownAs = 0;
    const ErrCode status = Run("'Usuario:':'A30','Contrase\xf1" "a:':'P30'", [&](HWND f) {
        rt_test::TypeText(f, L"ana");
        rt_test::SendKey(f, VK_TAB);
        rt_test::TypeText(f, L"s3cr\u00e9t");
        style = GetWindowLongW(Input(f, 2), GWL_STYLE);
        shownAs = static_cast<wchar_t>(SendMessageW(Input(f, 2), EM_GETPASSWORDCHAR, 0, 0));
        rt_test::SendKey(f, VK_RETURN);
    });
    EXPECT_TRUE(style & ES_PASSWORD);
    EXPECT_NE(shownAs, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Str(result_.values), "'ana','s3cr\xe9t'");
}

TEST_F(FormWindowWinTest, LogicalFieldAsTextOrAsCheckButton) {
    const struct {
        int16_t auxStat;
        const char* initial;
        std::function<void(HWND)> steps;
        std::wstring cls;
        const char* value;
    } cases[] = {
        {0, "0", [](HWND f) { rt_test::SendKey(f, VK_BACK); rt_test::TypeText(f, L"S"); }, L"Edit", "S"},
        {16, "0", [](HWND f) { rt_test::SendKey(f, VK_SPACE); }, L"Button", "YES"},
        {16, "S", [](HWND f) { rt_test::SendKey(f, VK_SPACE); }, L"Button", ""},
        {16, "1", [](HWND f) { rt_test::PressButton(f, L"YES"); }, L"Button", ""},
        {16, "N", [](HWND f) { rt_test::SendKey(f, VK_SPACE); rt_test::SendKey(f, VK_SPACE); }, L"Button", ""},
    };
    for (const auto& c : cases) {
        IntSet(kSysAuxStat, c.auxStat);
        std::wstring cls;
        LONG style = 0;
        const ErrCode status = Run(std::string("'Recordar (S/N):':'L1'::") + c.initial + ",'Otro:':'A5'", [&](HWND f) {
            cls = rt_test::ClassOf(Input(f, 1));
            style = GetWindowLongW(Input(f, 1), GWL_STYLE);
            SendMessageW(Input(f, 1), EM_SETSEL, 1, 1);
            c.steps(f);
            rt_test::SendKey(f, VK_TAB);
            rt_test::SendKey(f, VK_RETURN);
        });
        EXPECT_EQ(status, 0) << c.auxStat << c.initial;
        EXPECT_EQ(_wcsicmp(cls.c_str(), c.cls.c_str()), 0) << c.auxStat;
        if (c.auxStat == 0) {
            EXPECT_TRUE(style & ES_RIGHT);
        }
        EXPECT_EQ(Value(1), c.value) << c.auxStat << c.initial;
    }
    IntSet(kSysAuxStat, 0);
}

TEST_F(FormWindowWinTest, ChoiceFieldIsFilledFromMenu) {
    std::vector<std::wstring> items;
    const ErrCode status = Run("'Origen:':'S20','Ciudad:':'S20' /MENU$=\"'http,share',"
                               "'Madrid,\"Bilbao, Vizcaya\",Sevilla'\"",
                               [&](HWND f) {
                                   HWND combo = Input(f, 2);
                                   const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
                                   for (LRESULT i = 0; i < n; ++i) {
                                       std::wstring item(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)), L'\0');
                                       SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
                                       items.push_back(item);
                                   }
                                   rt_test::TypeText(f, L"s");
                                   rt_test::SendKey(f, VK_TAB);
                                   rt_test::TypeText(f, L"b");
                                   rt_test::SendKey(f, VK_RETURN);
                               });
    EXPECT_EQ(items, (std::vector<std::wstring>{L"Madrid", L"Bilbao, Vizcaya", L"Sevilla"}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value(1), "share");
    EXPECT_EQ(Value(2), "Bilbao, Vizcaya");
}

TEST_F(FormWindowWinTest, BoundFieldsStoreOnAcceptanceConvertedToTheirTypes) {
    VarSetText(T("NOMBRE$"), T("antes"));
    const ErrCode status = Run("'Nombre:':'A20':::NOMBRE$,'Importe:':'N10':::IMPORTE#,'Edad:':'N3':::EDAD,"
                               "'Ciudad:':'A20':CIUDAD$",
                               [](HWND f) {
                                   for (const wchar_t* typed : {L"Se\u00f1or Mu\u00f1oz", L"1234,5", L"42", L"Le\u00f3n"}) {
                                       rt_test::TypeText(f, typed);
                                       rt_test::SendKey(f, VK_RETURN);
                                   }
                               });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(Str(VarGetText(T("NOMBRE$"))), "Se\xf1or Mu\xf1oz");
    ScaledNumber amount = 0, age = 0;
    EXPECT_EQ(VarGetNumber(T("IMPORTE#"), &amount), 0);
    EXPECT_EQ(amount, 123450);  // two decimals
    EXPECT_EQ(VarGetNumber(T("EDAD"), &age), 0);
    EXPECT_EQ(age, 4200);
    // A part-3 target is named in the assignments, for the caller to run.
    EXPECT_EQ(Str(result_.assignments), "CIUDAD$='Le\xf3n'");
}

TEST_F(FormWindowWinTest, AStoreThatFailsDropsTheValues) {
    StoreSet(kGroupSystem, kItemFormValues, T("'antes','antes'"));
    VarSetText(T("NOMBRE$"), T("antes"));
    const ErrCode status = Run("'Nombre:':'A20':::NOMBRE$,'Lista:':'A5':::L$(1;2;3;4;5)", [](HWND f) {
        rt_test::TypeText(f, L"nuevo");
        rt_test::PressButton(f, L"Ok");
    });
    EXPECT_EQ(status, kErrDimStruct);
    EXPECT_EQ(Str(result_.values), "");
    EXPECT_EQ(Str(StoreGet(kGroupSystem, kItemFormValues)), "'antes','antes'");
}

TEST_F(FormWindowWinTest, TheSecondFormStartsFromTheFirstOnesValues) {
    ASSERT_EQ(Run(kThree, [](HWND f) {
        for (const wchar_t* typed : {L"a,b", L"it's", L"[$1]"}) {
            rt_test::TypeText(f, typed);
            rt_test::SendKey(f, VK_TAB);
        }
    }), 0);
    std::vector<std::wstring> shown;
    const ErrCode status = Run("'Uno:':'A20','Dos:':'A20','Tres:':'A20','Cuatro:':'A20'", [&](HWND f) {
        for (uint16_t n = 1; n <= 4; ++n) shown.push_back(rt_test::WindowTextOf(Input(f, n)));
        rt_test::PressButton(f, L"Ok");
    });
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"a,b", L"it's", L"[$1]", L""}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Str(result_.values), "'a,b',\"it's\",'[$1]',''");
}

// Every value a person may give (quotes, separators, markers, braces, line breaks, 255
// characters) goes into a real control through the definition and comes back exactly.
TEST_F(FormWindowWinTest, HostileValuesComeBackExactly) {
    const std::vector<std::string> values = ui_test::HostileValues();
    std::vector<StrRef> given;
    std::string definition;
    for (size_t n = 1; n <= values.size(); ++n) {
        given.push_back(V(values[n - 1]));
        definition += (n > 1 ? ",'V" : "'V") + std::to_string(n) + ":':'A255'::'[$" + std::to_string(n) + "]'";
    }
    const StrRef filled = FormFill(V(definition), given.data(), static_cast<uint16_t>(given.size()));
    ASSERT_TRUE(filled.ok());
    const ErrCode status = Run(Str(filled), [&](HWND f) { rt_test::PressButton(f, L"Ok"); });
    ASSERT_EQ(status, 0);
    for (size_t n = 1; n <= values.size(); ++n) EXPECT_EQ(Value(static_cast<uint16_t>(n)), values[n - 1]);
}

// A value its control cannot show as it is (a choice that is not in the list), or a typed text
// that cannot come out of it unchanged, is refused with message 17 rather than coming back as
// something else.
TEST_F(FormWindowWinTest, TextsTheControlsCannotCarryAreRefusedWithMessage17) {
    bool appeared = true;
    {
        rt_test::WindowHelper helper([&] { appeared = rt_test::FindTopWindow(WideOf(kTitle), GetCurrentProcessId(), 500); });
        EXPECT_EQ(RunForm(T(kTitle), T("'Uno:':'A5','Ciudad:':'S20'::'Valencia' /MENU$=\",'Madrid,Sevilla'\""),
                          kFormUpdaterFlags, &result_),
                  kErrBadInput);
    }
    EXPECT_NE(Str(ErrorDetail()).find("Parametros incorrectos para campo de pantalla 2\r\n ('Ciudad:'"), std::string::npos)
        << Str(ErrorDetail());
    EXPECT_EQ(StackTop(), nullptr);
    EXPECT_FALSE(appeared);

    // Typed text with a letter Windows-1252 has no byte for would come back changed ('?').
    StoreSet(kGroupSystem, kItemFormValues, T("'antes'"));
    const ErrCode typed = Run("'Ciudad:':'A20'", [](HWND f) {
        rt_test::TypeText(f, L"\u0141\u00f3d\u017a");
        rt_test::SendKey(f, VK_RETURN);
    });
    EXPECT_EQ(typed, kErrBadInput);
    EXPECT_NE(Str(ErrorDetail()).find("Parametros incorrectos para campo de pantalla 1"), std::string::npos);
    EXPECT_EQ(Str(result_.values), "");
    EXPECT_EQ(Str(StoreGet(kGroupSystem, kItemFormValues)), "'antes'");
}

TEST_F(FormWindowWinTest, ALongTypedValueComesBackWhole) {
    std::wstring typed;
    for (int i = 0; i < 255; ++i) typed += L"ab',\":-{}[$1]/ "[i % 15];
    const ErrCode status = Run("'Valor:':'A255'", [&](HWND f) {
        rt_test::TypeText(f, typed + L"past the width");
        rt_test::SendKey(f, VK_RETURN);
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value(1), rt_test::Cp1252Of(typed));
}

// A form taller than the work area gets a vertical bar, and Tab reaches every field, each shown
// in the window when it has the keyboard.
TEST_F(FormWindowWinTest, ALargeFormScrollsToEveryFieldByKeyboard) {
    constexpr uint16_t kFields = 60;
    std::string definition;
    for (uint16_t n = 1; n <= kFields; ++n) definition += (n > 1 ? ",'Campo " : "'Campo ") + std::to_string(n) + ":':'A8'";
    std::vector<uint16_t> hidden;
    LONG style = 0;
    RECT window{};
    int lineDown = -1, pageDown = -1, bottom = -1, range = 0;
    const ErrCode status = Run(definition, [&](HWND f) {
        style = GetWindowLongW(f, GWL_STYLE);
        GetWindowRect(f, &window);
        for (uint16_t n = 1; n <= kFields; ++n) {
            RECT client, input;
            FocusId(f, FieldInputId(n));
            GetClientRect(f, &client);
            GetWindowRect(Input(f, n), &input);
            MapWindowPoints(nullptr, f, reinterpret_cast<POINT*>(&input), 2);
            if (FocusId(f, FieldInputId(n)) != FieldInputId(n) || input.top < 0 || input.bottom > client.bottom)
                hidden.push_back(n);
            rt_test::TypeText(f, std::to_wstring(n));
            if (n < kFields) rt_test::SendKey(f, VK_TAB);
        }
        // The bar itself: lines move 2 pixels, pages a line, the end is the range.
        SendMessageW(f, WM_VSCROLL, SB_TOP, 0);
        SendMessageW(f, WM_VSCROLL, SB_LINEDOWN, 0);
        lineDown = GetScrollPos(f, SB_VERT);
        SendMessageW(f, WM_VSCROLL, SB_PAGEDOWN, 0);
        pageDown = GetScrollPos(f, SB_VERT);
        SendMessageW(f, WM_VSCROLL, SB_BOTTOM, 0);
        bottom = GetScrollPos(f, SB_VERT);
        int low = 0;
        GetScrollRange(f, SB_VERT, &low, &range);
        rt_test::SendKey(f, VK_RETURN);
    });
    EXPECT_TRUE(style & WS_VSCROLL);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(window.bottom - window.top, work.bottom - work.top);
    EXPECT_TRUE(hidden.empty()) << "first hidden field: " << (hidden.empty() ? 0 : hidden[0]);
    EXPECT_EQ(lineDown, 2);
    EXPECT_EQ(pageDown, 2 + FontCell().line);
    EXPECT_EQ(bottom, range);
    EXPECT_GT(range, 0);
    ASSERT_EQ(status, 0);
    for (uint16_t n = 1; n <= kFields; ++n) EXPECT_EQ(Value(n), std::to_string(n));
}

std::vector<std::pair<int, int>> gResized;
void OnResize(WindowHandle, int width, int height) { gResized.emplace_back(width, height); }

TEST_F(FormWindowWinTest, AResizableFormCallsTheResizeHook) {
    IntSet(kSysAdmStat, kAdmStatResizable);
    HookSet(kHookResize, reinterpret_cast<HookFn>(OnResize));
    gResized.clear();
    LONG style = 0;
    RECT client{};
    const ErrCode status = Run(kThree, [&](HWND f) {
        style = GetWindowLongW(f, GWL_STYLE);
        gResized.clear();
        RECT r;
        GetWindowRect(f, &r);
        SetWindowPos(f, nullptr, 0, 0, r.right - r.left + 100, r.bottom - r.top + 50, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(f, &client);
        rt_test::SendKey(f, VK_ESCAPE);
    });
    IntSet(kSysAdmStat, 0);
    EXPECT_EQ(status, kErrUserCanceled);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    ASSERT_FALSE(gResized.empty());
    EXPECT_EQ(gResized.back(), std::make_pair(int{client.right}, int{client.bottom}));
}

TEST_F(FormWindowWinTest, RichTextUsesTheRichEditClassOrIsRefused) {
    std::wstring cls;
    LONG style = 0;
    const ErrCode status = Run("'Nota:':'R40'::'Vea http://kelvane.invalid/ayuda','Nombre:':'A10'", [&](HWND f) {
        cls = rt_test::ClassOf(Input(f, 1));
        style = GetWindowLongW(Input(f, 1), GWL_STYLE);
        const bool focusOnName = FocusId(f, FieldInputId(2)) == FieldInputId(2);
        rt_test::TypeText(f, focusOnName ? L"ana" : L"");
        rt_test::SendKey(f, VK_RETURN);
    });
    EXPECT_EQ(_wcsicmp(cls.c_str(), L"RICHEDIT50W"), 0) << cls;
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Str(result_.values), "'Vea http://kelvane.invalid/ayuda','ana'");

    SetFormControlSeams(FormControlSeams{[] { return false; }});
    bool appeared = true;
    {
        rt_test::WindowHelper helper([&] { appeared = rt_test::FindTopWindow(WideOf(kTitle), GetCurrentProcessId(), 1000); });
        EXPECT_EQ(RunForm(T(kTitle), T("'Nota:':'R40'::'x','Nombre:':'A10'"), kFormUpdaterFlags, &result_),
                  kErrInternal);
    }
    EXPECT_FALSE(appeared);
    EXPECT_EQ(StackTop(), nullptr);
}

TEST_F(FormWindowWinTest, ADefinitionThatDoesNotReadShowsNoWindow) {
    for (const char* definition : {"'a':'A5':x:'y':z:w", "'a':'A5',,'b':'A5'", "'a':'#5'"}) {
        bool appeared = true;
        {
            rt_test::WindowHelper helper(
                [&] { appeared = rt_test::FindTopWindow(WideOf(kTitle), GetCurrentProcessId(), 500); });
            EXPECT_EQ(RunForm(T(kTitle), T(definition), kFormUpdaterFlags, &result_), kErrBadInput) << definition;
        }
        EXPECT_FALSE(appeared) << definition;
    }
}

TEST_F(FormWindowWinTest, TheCheckListAnswersWithItsMask) {
    IntSet(kSysUser01, 2);
    uint16_t mask = 0;
    ErrCode status;
    {
        rt_test::WindowHelper helper([] {
            HWND f = rt_test::OwnWindow(L"Reinicio");
            if (!f) return;
            rt_test::SendKey(f, VK_END);
            rt_test::SendKey(f, VK_BACK);
            rt_test::TypeText(f, L"S");
            rt_test::SendKey(f, VK_RETURN);
            rt_test::SendKey(f, VK_RETURN);
        });
        status = RunCheckList(T("Reinicio"), T("Contrase\xf1" "as,'Servidor, desconocido'"), kSysUser01, &mask);
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(mask, 3);
    EXPECT_EQ(IntGet(kSysUser01), 3);
    {
        rt_test::WindowHelper helper([] {
            if (HWND f = rt_test::OwnWindow(L"Reinicio")) rt_test::SendKey(f, VK_ESCAPE);
        });
        status = RunCheckList(T("Reinicio"), T("a,b"), kSysUser01, &mask);
    }
    EXPECT_EQ(status, kErrUserCanceled);
    EXPECT_EQ(IntGet(kSysUser01), 3);
}

TEST_F(FormWindowWinTest, ScreenColoursPaintTheWindowAndTheFields) {
    COLORREF window = 0, field = 0;
    const ErrCode status = Run("'Uno:':'A10','Dos:':'A10' /SCRCOLORS$=\"black;yellow,red;salmon\"", [&](HWND f) {
        Sleep(300);
        HDC dc = GetDC(f);
        window = GetPixel(dc, 2, 2);
        ReleaseDC(f, dc);
        HWND second = Input(f, 2);
        RECT r;
        GetClientRect(second, &r);
        dc = GetDC(second);
        field = GetPixel(dc, r.right - 3, r.bottom / 2);
        ReleaseDC(second, dc);
        rt_test::SendKey(f, VK_ESCAPE);
    });
    EXPECT_EQ(status, kErrUserCanceled);
    EXPECT_EQ(window, RGB(255, 255, 0));
    EXPECT_EQ(field, RGB(250, 128, 114));
}

TEST_F(FormWindowWinTest, KindAndPlacementFollowTheFlags) {
    const WindowHandle below = CreateKindWindow(T("UserWin"), T("Fondo"), kFrameMain | WS_VISIBLE, 50, 50, 300, 200, -1, 0,
                                                nullptr);
    ASSERT_NE(below, nullptr);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const struct {
        uint16_t flags;
        const wchar_t* cls;
        bool rightEdge;
        bool belowEnabled;
    } cases[] = {
        {kFormUpdaterFlags, L"Dialogx", false, false},
        {kFormUpdaterFlags | kFormRightEdge, L"Dialogx", true, false},
        {kFormUpdaterFlags | kFormMantWindow, L"Mant", false, true},
    };
    for (const auto& c : cases) {
        std::wstring cls;
        RECT r{};
        bool enabled = false;
        Run(kThree, [&](HWND f) {
            cls = rt_test::ClassOf(f);
            GetWindowRect(f, &r);
            enabled = IsWindowEnabled(reinterpret_cast<HWND>(below));
            rt_test::SendKey(f, VK_ESCAPE);
        }, c.flags);
        EXPECT_EQ(cls, c.cls) << c.flags;
        EXPECT_EQ(enabled, c.belowEnabled) << c.flags;
        if (c.rightEdge) {
            EXPECT_EQ(r.right, work.right - 24) << c.flags;
        } else {
            EXPECT_LT(r.right, work.right - 24) << c.flags;
        }
        EXPECT_TRUE(IsWindowEnabled(reinterpret_cast<HWND>(below))) << "the window below is enabled again";
        EXPECT_EQ(StackTop(), below);
    }
}

TEST_F(FormWindowWinTest, TheFirstFocusIsTracedWhenTheLogAsksForIt) {
    rt_test::TempDir dir("kvtrace");
    const std::string log = dir.Path("UPlog.txt");
    StoreSet(kGroupSystem, kItemLogName, V(log));
    IntSet(kSysTrace, kLogRuntime);
    const ErrCode status = Run(kThree, [](HWND f) { rt_test::SendKey(f, VK_ESCAPE); });
    IntSet(kSysTrace, 1);
    StoreSet(kGroupSystem, kItemLogName, StrEmpty());
    EXPECT_EQ(status, kErrUserCanceled);
    std::ifstream in(rt_test::TempDir::Native(log), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Tied to the screen on its first focus: -1 before, 0 after.
    EXPECT_NE(text.find("InitialId: -1, Final: 0, Result: 0 ()\r\n"), std::string::npos) << text;
}

}  // namespace
