// The window driver (tests/tools/window_driver.cpp) as another process answers this one's box:
// it reads the texts as Windows-1252 bytes and presses a button by its label.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "ui/message_box.h"
#include "ui/window_stack.h"
#include "tests/support/text.h"

using namespace rt;

namespace {

std::string Beside(const std::string& name) {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\') + 1) + name;
}

// Starts the driver with steps, its output going to a file; returns the process handle.
HANDLE StartDriver(const std::string& steps, const std::string& out) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = file;
    si.hStdError = file;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + Beside("window_driver.exe") + "\" " + steps;
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(file);
    if (!started) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

TEST(WindowDriverTest, ReadsTextsAndPressesAButtonByItsLabel) {
    StackReset();
    const std::string out = Beside("window_driver_out.txt");
    const std::string pid = std::to_string(GetCurrentProcessId());
    HANDLE driver = StartDriver("pid=" + pid + " \"texts=Aviso de prueba\" \"press=Aviso de prueba|Cancelar\"", out);
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(ShowMessage(rt_test::T("Configuraci\xf3n \xbf" "Continuar?"), rt_test::T("Aviso de prueba"), 2), 3);
    WaitForSingleObject(driver, 20000);
    DWORD code = 99;
    GetExitCodeProcess(driver, &code);
    CloseHandle(driver);
    EXPECT_EQ(code, 0u);
    std::ifstream in(out, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string texts = s.str();
    EXPECT_NE(texts.find("Configuraci\xf3n \xbf" "Continuar?\n"), std::string::npos) << texts;
    EXPECT_NE(texts.find("Aceptar\n"), std::string::npos) << texts;
    EXPECT_NE(texts.find("Cancelar\n"), std::string::npos) << texts;
    DeleteFileA(out.c_str());
}

TEST(WindowDriverTest, AMissingWindowFailsItsStep) {
    const std::string out = Beside("window_driver_out.txt");
    HANDLE driver = StartDriver("timeout=200 \"wait=No hay tal ventana\"", out);
    ASSERT_NE(driver, nullptr);
    WaitForSingleObject(driver, 20000);
    DWORD code = 99;
    GetExitCodeProcess(driver, &code);
    CloseHandle(driver);
    EXPECT_EQ(code, 2u);
    DeleteFileA(out.c_str());
}

}  // namespace
