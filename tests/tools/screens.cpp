// screens.exe: shows the window layer's own windows that kelvaner.exe never shows, and saves a
// picture of each (a 24-bit BMP per window, named layer_*, in the folder given) for a person to
// look at: every box type, the check list and each chooser open. It starts as kelvaner.exe does,
// so the windows have the product's font. The updater's own windows are pictured from the real
// program (tests/e2e/updater_windows.sh); tools/screens runs both and turns them into PNG.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/catalogue.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/typed_arrays.h"
#include "ui/form_value.h"
#include "ui/form_window.h"
#include "ui/message_box.h"
#include "ui/wide_text.h"
#include "ui/window_layer.h"
#include "tests/support/window_helper.h"
#include "updater/startup.h"

using namespace rt;

namespace {

std::string gFolder = "screens";
int gFailures = 0;

bool Capture(HWND w, const std::string& name) {
    const bool written = rt_test::SaveWindowPicture(w, gFolder + "\\" + name + ".bmp");
    std::printf("%s %s\n", written ? "saved" : "FAILED", name.c_str());
    if (!written) ++gFailures;
    return written;
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

// The layer's own forms: the check list and a form of every chooser.
void CaptureForms() {
    PoolScope scope;
    {
        IntSet(kSysUser01, 2);
        const std::string title = Text(Message(49));
        for (int16_t aux : {0, 16}) {
            IntSet(kSysAuxStat, aux);
            rt_test::WindowHelper helper([&] {
                CaptureWhenUp(title, aux ? "layer_check_list_buttons" : "layer_check_list",
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
        CaptureForm(title, definition, "layer_form_choosers", 1, "layer_chooser_file");
        CaptureForm(title, definition, "layer_form_choosers", 2, "layer_chooser_colour");
        CaptureForm(title, definition, "layer_form_choosers", 3, "layer_chooser_font");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) gFolder = argv[1];
    CreateDirectoryA(gFolder.c_str(), nullptr);
    RunPlan plan{};
    if (StartUp(GetModuleHandleA(nullptr), GetCommandLineA(), &plan) != 0) return 2;

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
            CaptureWhenUp(title, "layer_box_" + std::to_string(type), [](HWND w) {
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
    CaptureForms();
    WindowLayerClose();
    return gFailures ? 1 : 0;
}
