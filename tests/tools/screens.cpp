// screens.exe: shows every window of the window layer once and saves a picture of each (a 24-bit
// BMP per window in the folder given), for a person to look at: boxes, status and progress,
// menus, every form of the updater filled with sample values, and each chooser open.
// tools/screens turns them into PNG.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/catalogue.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/typed_arrays.h"
#include "ui/font_stack.h"
#include "ui/form_value.h"
#include "ui/form_window.h"
#include "ui/menu.h"
#include "ui/message_box.h"
#include "ui/progress_window.h"
#include "ui/status_window.h"
#include "ui/wide_text.h"
#include "ui/window_layer.h"
#include "tests/support/window_helper.h"

using namespace rt;

namespace {

constexpr uint16_t kSysUser01 = 46;
std::string gFolder = "screens";
int gFailures = 0;

bool Capture(HWND w, const std::string& name) {
    const bool written = rt_test::SaveWindowPicture(w, gFolder + "\\" + name + ".bmp");
    std::printf("%s %s\n", written ? "saved" : "FAILED", name.c_str());
    if (!written) ++gFailures;
    return written;
}

// Lets the windows paint, pumping the queue meanwhile.
void Settle(DWORD ms) {
    const ULONGLONG until = GetTickCount64() + ms;
    while (GetTickCount64() < until) {
        DrainMessages(nullptr);
        Sleep(20);
    }
}

HWND OwnTop(const std::string& title) { return rt_test::OwnWindow(Wide(title.c_str())); }

// Captures the dialog titled title once it is up, then answers it with answer(window).
template <class Answer>
void CaptureWhenUp(const std::string& title, const std::string& name, Answer answer) {
    HWND w = OwnTop(title);
    if (!w) {
        std::printf("FAILED %s: no window\n", name.c_str());
        ++gFailures;
        return;
    }
    Sleep(400);
    Capture(w, name);
    answer(w);
}

std::string Text(StrRef s) { return s.ok() ? std::string(s.ptr, s.len) : std::string(); }

// Fields of a definition's field list without those numbered in `drop` (1-based).
std::string WithoutFields(StrRef list, std::initializer_list<uint16_t> drop) {
    std::string out;
    const uint16_t count = FieldCount(list, ',');
    for (uint16_t n = 1; n <= count; ++n) {
        if (std::find(drop.begin(), drop.end(), n) != drop.end()) continue;
        out += (out.empty() ? "" : ",") + Text(Field(list, ',', n));
    }
    return out;
}

// Shows a form, captures it as name, then, when chooserField is not 0, opens that field's chooser
// from its "..." button and captures the dialog as chooserName; then leaves the form.
void CaptureForm(const std::string& title, const std::string& definition, const std::string& name,
                 uint16_t chooserField = 0, const std::string& chooserName = "") {
    rt_test::WindowHelper helper([&] {
        CaptureWhenUp(title, name, [&](HWND form) {
            if (chooserField) {
                rt_test::Activate(form);
                PostMessageW(GetDlgItem(form, FieldButtonId(chooserField)), BM_CLICK, 0, 0);
                if (HWND dialog = rt_test::FindOwnedDialog(form)) {
                    Sleep(600);
                    Capture(dialog, chooserName);
                    rt_test::Activate(dialog);
                    PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
                    for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(20);
                } else {
                    std::printf("FAILED %s: no dialog\n", chooserName.c_str());
                    ++gFailures;
                }
            }
            rt_test::SendKey(form, VK_ESCAPE);
        });
    });
    FormResult result;
    RunForm(StrFromLiteral(title.c_str()), StrMake(definition.data(), static_cast<uint16_t>(definition.size())),
            kFormUpdaterFlags, &result);
}

// The updater's forms, filled as the updater fills them, with sample values.
void CaptureForms() {
    PoolScope scope;
    {
        const StrRef values[] = {StrFromLiteral("Tienda - Central"), StrFromLiteral("\\\\servidor\\aplicaciones\\tienda"),
                                 StrFromLiteral("C:\\Aplicaciones\\Tienda, S.L.\\")};
        const std::string definition = Text(FormFill(Message(139), values, 3)) + " /FLDBUTTONS$=\",,PATH\"";
        CaptureForm(Text(Message(79)), definition, "form_configuration", 3, "chooser_folder");
    }
    {
        const StrRef panel = Message(135);
        const uint16_t hyphen = FindChar(panel, 0, '-', false);
        const std::string title = Text(SubStr(panel, 0, hyphen));
        const StrRef values[] = {StrFromLiteral("1"), StrFromLiteral("C:\\Aplicaciones\\Tienda"),
                                 StrFromLiteral("C:\\Aplicaciones\\Kelvane\\kelvaner.exe"), StrFromLiteral("20240315"),
                                 StrFromLiteral("10:42:07"), StrFromLiteral("0")};
        const StrRef fields = FormFill(SubStr(panel, static_cast<int32_t>(hyphen) + 1, kNpos), values, 6);
        // With a program path the panel has no target folder; without one, no "check" fields.
        CaptureForm(title, WithoutFields(fields, {2}), "form_preferences_program");
        CaptureForm(title, WithoutFields(fields, {1, 7}), "form_preferences");
    }
    {
        const std::string title = Text(Replace(MessageField(90, 2), StrFromLiteral("[$]"),
                                               StrFromLiteral("servidor.tienda.es"), true));
        const std::string definition = Text(MessageField(102, 1)) + ":USER$:'ana.garc\xed" "a'," +
                                       Text(MessageField(103, 1)) + ":PASSW$:'s3creto'," + Text(Message(104)) + "::'S'";
        CaptureForm(title, definition, "form_credentials");
    }
    {
        IntSet(kSysUser01, 2);
        const std::string title = Text(Message(49));
        for (int16_t aux : {0, 16}) {
            IntSet(kSysAuxStat, aux);
            rt_test::WindowHelper helper([&] {
                CaptureWhenUp(title, aux ? "check_list_buttons" : "check_list",
                              [](HWND w) { rt_test::SendKey(w, VK_ESCAPE); });
            });
            uint16_t mask = 0;
            RunCheckList(Message(49), Message(141), kSysUser01, &mask);
        }
        IntSet(kSysAuxStat, 0);
    }
    {
        const std::string definition =
            "'Fichero:':'A40'::'C:\\Aplicaciones\\Tienda\\n\xf3minas.dat','Color:':'A10'::'ff8000',"
            "'Letra:':'A30'::'Lucida Console' /FLDBUTTONS$=\"FILE,COLOR,FONT\"";
        const std::string title = "Elecci\xf3n";
        CaptureForm(title, definition, "form_choosers", 1, "chooser_file");
        CaptureForm(title, definition, "form_choosers", 2, "chooser_colour");
        CaptureForm(title, definition, "form_choosers", 3, "chooser_font");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) gFolder = argv[1];
    CreateDirectoryA(gFolder.c_str(), nullptr);
    if (SystemVarsInit() != 0) return 2;
    PushFont(16, 9, 0, 2);
    WindowLayerInit();

    ShowStatus(Message(1001));
    Settle(300);
    Capture(rt_test::FindTopWindow(Wide(Message(1001)), GetCurrentProcessId(), 3000), "status");
    CloseStatus();

    OpenProgress(0, 100);
    for (int i = 0; i < 40; ++i) ProgressStep(100, 1, StrEmpty(), kProgressKeepMode);
    Settle(300);
    Capture(reinterpret_cast<HWND>(Progress().window), "progress_bar");
    CloseProgress();
    ShowProgressText(StrFromLiteral("C:\\Aplicaciones\\Configuraci\xf3n\\n\xf3minas.dat"));
    Settle(300);
    Capture(reinterpret_cast<HWND>(Progress().window), "progress_text");
    CloseProgress();

    const char* texts[kBoxTypes] = {
        "Informaci\xf3n de la aplicaci\xf3n",     "Configuraci\xf3n incompleta",
        "Se aplicar\xe1 la actualizaci\xf3n",     "Error de Fichero no encontrado",
        "No se pudo conectar con el servidor",    "\xbf" "Continuar?",
        "\xbf" "Guardar los cambios de Configuraci\xf3n?",
    };
    for (uint16_t type = 0; type < kBoxTypes; ++type) {
        PoolScope scope;
        const std::string title(BoxTitle(type, StrEmpty()).ptr, BoxTitle(type, StrEmpty()).len);
        rt_test::WindowHelper helper([&] {
            CaptureWhenUp(title, "box_" + std::to_string(type), [](HWND w) {
                for (int id : {IDOK, IDRETRY, IDYES}) {
                    if (HWND b = GetDlgItem(w, id)) {
                        rt_test::PressButton(w, rt_test::Plain(rt_test::WindowTextOf(b)));
                        return;
                    }
                }
            });
        });
        ShowMessage(StrFromLiteral(texts[type]), StrEmpty(), type);
    }

    const auto escape = [](HWND w) { rt_test::SendKey(w, VK_ESCAPE); };
    {
        PoolScope scope;
        const StrRef title = Message(49);
        const std::string t(title.ptr, title.len);
        rt_test::WindowHelper helper([&] { CaptureWhenUp(t, "admin_menu", escape); });
        Select(title, StrFromLiteral("Credenciales,Configuraci\xf3n,Preferencias"), kMenuNewWindow, 0);
    }
    {
        PoolScope scope;
        const StrRef title = Message(34);
        const std::string t(title.ptr, title.len);
        rt_test::WindowHelper helper([&] { CaptureWhenUp(t, "application_list", escape); });
        Select(title, StrFromLiteral("Tienda,Almac\xe9n,Contabilidad,N\xf3minas,Facturaci\xf3n"),
               kMenuNewWindow | kMenuListBox | kMenuMargin, 2);
    }
    {
        const std::string t = "Reinicio de contrase\xf1" "as";
        rt_test::WindowHelper helper([&] {
            CaptureWhenUp(t, "multiple_selection", [](HWND w) { rt_test::PressButton(w, L"Cancelar"); });
        });
        SelectMany(StrFromLiteral(t.c_str()), StrFromLiteral("servidor.tienda.es,(sin nombre),almac\xe9n"));
    }
    CaptureForms();
    WindowLayerClose();
    return gFailures ? 1 : 0;
}
