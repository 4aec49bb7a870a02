// The floor for the fetch benchmark: the least a Windows program can do per file (socket, connect,
// one GET, receive until the server closes, CreateFile and WriteFile), with no checks at all, so
// that the updater's client is measured against the cost of Wine's own calls.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fetch_floor ADDRESS-LIST OUTPUT-FOLDER\n");
        return 2;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 3;
    std::vector<std::string> addresses;
    std::ifstream list(argv[1]);
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) addresses.push_back(line);
    }
    // As large as the client's reads: under Wine each receive is a round trip to its server.
    static char buffer[1 << 18];
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < addresses.size(); ++i) {
        // http://HOST:PORT/PATH
        const std::string& a = addresses[i];
        const size_t hostStart = a.find("//") + 2;
        const size_t pathStart = a.find('/', hostStart);
        const std::string hostPort = a.substr(hostStart, pathStart - hostStart);
        const size_t colon = hostPort.find(':');
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<u_short>(std::stoi(hostPort.substr(colon + 1))));
        inet_pton(AF_INET, hostPort.substr(0, colon).c_str(), &to.sin_addr);
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET || connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) return 4;
        const std::string request = "GET " + a.substr(pathStart) + " HTTP/1.1\r\nHost: " + hostPort +
                                    "\r\nConnection: close\r\n\r\n";
        send(s, request.data(), static_cast<int>(request.size()), 0);
        const std::string output = std::string(argv[2]) + "\\f" + std::to_string(i);
        HANDLE f = CreateFileA(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 5;
        for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) {
            DWORD put = 0;
            WriteFile(f, buffer, static_cast<DWORD>(n), &put, nullptr);
        }
        CloseHandle(f);
        closesocket(s);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", took.count());
    WSACleanup();
    return 0;
}
