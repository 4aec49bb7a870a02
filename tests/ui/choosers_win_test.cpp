// The real choosers under Wine, opened from a form field's "..." button and answered as a person
// would: a file name typed and saved, a folder picked in the tree, a colour typed in, a font
// chosen from the list; the field receives the choice, and cancelling leaves it as it was.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <string>

#include "runtime/string_store.h"
#include "runtime/text_list.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"
#include "tests/ui/form_window_test_support.h"
#include "ui/choosers.h"
#include "ui/font_stack.h"
#include "ui/form_value.h"
#include "ui/form_window.h"
#include "ui/window_layer.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::WideOf;

namespace {

const char kTitle[] = "Elecci\xf3n";
const char kDefinition[] =
    "'Fichero:':'A200'::'antes','Carpeta:':'A200'::'antes','Color:':'A10'::'ff8000','Letra:':'A40'::'antes'"
    " /FLDBUTTONS$=\"FILE,PATH,COLOR,FONT\"";
constexpr int kFileNameBox = 0x47C;
constexpr int kColourRed = 706, kColourGreen = 707, kColourBlue = 708, kAddCustomColour = 712;
constexpr int kFontName = 0x470;

class ChoosersWinTest : public ui_test::FormWindowTest {
protected:
    // Opens field n's chooser from its "..." button, lets answer(dialog) choose, then confirms the
    // form; the value field n came back with. *what gets what the dialog showed, when asked.
    std::string Choose(uint16_t n, std::function<void(HWND)> answer) {
        FormResult result;
        ErrCode status;
        {
            rt_test::WindowHelper helper([&] {
                HWND form = rt_test::OwnWindow(WideOf(kTitle));
                if (!form) return;
                rt_test::Activate(form);
                PostMessageW(GetDlgItem(form, FieldButtonId(n)), BM_CLICK, 0, 0);
                HWND dialog = rt_test::FindOwnedDialog(form);
                if (dialog) {
                    Sleep(300);
                    answer(dialog);
                    for (int i = 0; i < 250 && IsWindow(dialog); ++i) Sleep(20);
                }
                rt_test::PressButton(form, L"Ok");
            });
            status = RunForm(T(kTitle), T(kDefinition), kFormUpdaterFlags, &result);
        }
        EXPECT_EQ(status, 0);
        return Str(FormUnquote(Field(result.values, ',', n)));
    }
};

void Press(HWND dialog, int id) {
    rt_test::Activate(dialog);
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// The folder browser fills and selects its tree after it shows: waits (at most 10 s) until the
// selected item reads name, so that a press answers what a person would have seen.
bool WaitForTreeSelection(HWND dialog, const std::wstring& name) {
    for (int i = 0; i < 500; ++i) {
        HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
        for (HWND child = nullptr; !tree && (child = FindWindowExW(dialog, child, nullptr, nullptr));)
            tree = FindWindowExW(child, nullptr, L"SysTreeView32", nullptr);
        if (tree) {
            auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
            wchar_t text[MAX_PATH] = {};
            TVITEMW tv{};
            tv.mask = TVIF_TEXT;
            tv.hItem = item;
            tv.pszText = text;
            tv.cchTextMax = MAX_PATH;
            if (item && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) && name == text) return true;
        }
        Sleep(20);
    }
    return false;
}

std::string CurrentFolder() {
    wchar_t buffer[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, buffer);
    return rt_test::Cp1252Of(buffer);
}

TEST_F(ChoosersWinTest, TheFileChooserPutsTheSavedPathIntoTheField) {
    rt_test::TempDir dir("kvchoose");
    dir.Enter();
    const std::string folder = CurrentFolder();
    std::wstring proposed;
    const std::string got = Choose(1, [&](HWND d) {
        proposed = rt_test::WindowTextOf(GetDlgItem(GetDlgItem(d, kFileNameBox), kFileNameBox));
        rt_test::TypeText(d, L"n\u00f3minas.dat");
        rt_test::SendKey(d, VK_RETURN);
    });
    EXPECT_EQ(got, folder + "\\n\xf3minas.dat");
    EXPECT_EQ(CurrentFolder(), folder) << "the current folder is put back";
    EXPECT_EQ(Choose(1, [](HWND d) { Press(d, IDCANCEL); }), "antes");
}

TEST_F(ChoosersWinTest, TheFolderBrowserStartsInTheCurrentFolderAndPutsTheChoiceIntoTheField) {
    rt_test::TempDir dir("kvchoose");
    std::filesystem::create_directories(dir.path() / "destino");
    dir.Enter();
    const std::string folder = CurrentFolder();
    const std::wstring last = dir.path().filename().wstring();
    // Accepting what it starts on gives the current folder; one step into the tree, its child.
    EXPECT_EQ(Choose(2, [&](HWND d) {
                  EXPECT_TRUE(WaitForTreeSelection(d, last));
                  Press(d, IDOK);
              }),
              folder);
    EXPECT_EQ(Choose(2, [&](HWND d) {
                  EXPECT_TRUE(WaitForTreeSelection(d, last));
                  rt_test::SendKey(d, VK_RIGHT);
                  rt_test::SendKey(d, VK_DOWN);
                  EXPECT_TRUE(WaitForTreeSelection(d, L"destino"));
                  Press(d, IDOK);
              }),
              folder + "\\destino");
    EXPECT_EQ(Choose(2, [](HWND d) { Press(d, IDCANCEL); }), "antes");
}

TEST_F(ChoosersWinTest, TheColourChooserStartsOnTheFieldsColourAndGivesColourText) {
    for (uint16_t i = 0; i < kCustomColours; ++i) CustomColours()[i] = 0xFFFFFF;
    std::wstring red, green, blue;
    const std::string got = Choose(3, [&](HWND d) {
        red = rt_test::WindowTextOf(GetDlgItem(d, kColourRed));
        green = rt_test::WindowTextOf(GetDlgItem(d, kColourGreen));
        blue = rt_test::WindowTextOf(GetDlgItem(d, kColourBlue));
        // The access keys of the Spanish labels: &Rojo, &Verde, A&zul.
        for (const auto& [key, value] : {std::pair{'R', L"18"}, std::pair{'V', L"52"}, std::pair{'Z', L"86"}}) {
            rt_test::SendChord(d, {VK_MENU, static_cast<WORD>(key)});
            rt_test::TypeText(d, value);
        }
        Press(d, kAddCustomColour);
        Sleep(200);
        Press(d, IDOK);
    });
    // The field held "ff8000".
    EXPECT_EQ(red, L"255");
    EXPECT_EQ(green, L"128");
    EXPECT_EQ(blue, L"0");
    EXPECT_EQ(got, "123456");
    // The custom colour stays for the next dialog, which cancelled leaves the field alone.
    EXPECT_EQ(CustomColours()[0], ColourRef{0x563412});
    EXPECT_EQ(Choose(3, [](HWND d) { Press(d, IDCANCEL); }), "ff8000");
    EXPECT_EQ(CustomColours()[0], ColourRef{0x563412});
}

TEST_F(ChoosersWinTest, TheFontChooserGivesTheChosenFacesName) {
    std::wstring chosen;
    const std::string got = Choose(4, [&](HWND d) {
        HWND names = GetDlgItem(d, kFontName);
        const LRESULT count = SendMessageW(names, CB_GETCOUNT, 0, 0);
        ASSERT_GT(count, 1);
        // The second face of the list, as a person picks it: its name typed into the box.
        std::wstring face(static_cast<size_t>(SendMessageW(names, CB_GETLBTEXTLEN, 1, 0)), L'\0');
        SendMessageW(names, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(face.data()));
        chosen = face;
        rt_test::SendChord(d, {VK_MENU, 'F'});
        rt_test::TypeText(d, face);
        Sleep(200);
        Press(d, IDOK);
    });
    ASSERT_FALSE(chosen.empty());
    EXPECT_EQ(got, rt_test::Cp1252Of(chosen));
    EXPECT_EQ(Choose(4, [](HWND d) { Press(d, IDCANCEL); }), "antes");
}

}  // namespace
