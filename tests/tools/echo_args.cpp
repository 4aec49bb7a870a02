// echo_args.exe: writes the command line it was started with to echo_args.txt beside itself, for
// the tests of program starts. A GUI-subsystem program, as kelvaner.exe is, whose exit code (7) a
// waiting caller reads.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string out(path, n);
    out = out.substr(0, out.find_last_of('\\') + 1) + "echo_args.txt";
    if (FILE* f = std::fopen(out.c_str(), "wb")) {
        std::fputs(GetCommandLineA(), f);
        std::fclose(f);
    }
    return 7;
}
