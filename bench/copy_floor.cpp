// The floor for folder updates: the least a Windows program does to bring a folder's files into
// another (list the source, CopyFileA each file), with no comparison, check or backup, so that a
// folder update is measured against the cost of Wine's own calls.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: copy_floor SOURCE-FOLDER TARGET-FOLDER\n");
        return 2;
    }
    const std::string from = argv[1], to = argv[2];
    const auto start = std::chrono::steady_clock::now();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 3;
    unsigned copied = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string name = found.cFileName;
        if (!CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE)) return 4;
        ++copied;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f %u\n", took.count(), copied);
    return 0;
}
