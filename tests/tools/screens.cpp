// screens.exe: shows every window of the window layer once and saves a picture of each (a 24-bit
// BMP per window in the folder given), for a person to look at. tools/screens turns them into PNG.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/catalogue.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "ui/font_stack.h"
#include "ui/menu.h"
#include "ui/message_box.h"
#include "ui/progress_window.h"
#include "ui/status_window.h"
#include "ui/wide_text.h"
#include "ui/window_layer.h"
#include "tests/support/window_helper.h"

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
    WindowLayerClose();
    return gFailures ? 1 : 0;
}
