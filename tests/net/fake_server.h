// A scripted HTTP server on 127.0.0.1 for the network tests: a thread with a listening socket
// that reads each request and plays back the pieces of a fixed answer, with pauses between them.
//
// Every wait of the thread is bounded, so a test that goes wrong ends instead of hanging.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "net/socket.h"
#include "net/socket_os.h"

namespace rt::test {

struct FakePiece {
    uint32_t delayMs;  // pause before the piece is sent
    std::string bytes;
};

struct FakeScript {
    std::vector<FakePiece> pieces;
    uint32_t holdMs = 0;       // after the answer, keep the connection open (until the client closes)
    int connections = 1;       // served one after the other, each with the same answer
    // Keeps the listener's queue full until acceptDelayMs has passed, so that a client's connect
    // cannot complete before then.
    bool fullBacklog = false;
    uint32_t acceptDelayMs = 0;
    uint32_t acceptWaitMs = 10000;  // how long the server waits for each client
};

// Bound of the server's wait for a request.
inline constexpr uint32_t kFakeRequestWaitMs = 5000;

// A listening socket on 127.0.0.1 at a free port; *at receives its address.
inline ScopedSocket LoopbackListener(int backlog, sockaddr_in* at) {
    SocketStartup();
    ScopedSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    std::memset(at, 0, sizeof *at);
    at->sin_family = AF_INET;
    at->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener.get(), reinterpret_cast<sockaddr*>(at), sizeof *at);
    listen(listener.get(), backlog);
    sock_len_t len = sizeof *at;
    getsockname(listener.get(), reinterpret_cast<sockaddr*>(at), &len);
    return listener;
}

inline bool SocketReady(socket_t s, uint32_t ms) {
    bool ready = false;
    return SysWaitReady(ToSys(s), false, ms, &ready) == 0 && ready;
}

// One request's bytes up to its empty line, each wait bounded.
inline std::string ReadRequest(socket_t s) {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        if (!SocketReady(s, kFakeRequestWaitMs)) break;
        int n = static_cast<int>(recv(s, buffer, sizeof buffer, 0));
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
    }
    return request;
}

inline bool SendAll(socket_t s, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        size_t chunk = bytes.size() - done;
        if (chunk > 65536) chunk = 65536;
#ifdef MSG_NOSIGNAL
        int n = static_cast<int>(send(s, bytes.data() + done, chunk, MSG_NOSIGNAL));
#else
        int n = static_cast<int>(send(s, bytes.data() + done, static_cast<int>(chunk), 0));
#endif
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

class FakeServer {
public:
    explicit FakeServer(FakeScript script) : script_(std::move(script)) {
        sockaddr_in at;
        listener_ = LoopbackListener(script_.fullBacklog ? 0 : 16, &at);
        port_ = ntohs(at.sin_port);
        if (script_.fullBacklog) {
            // One finished connection that nobody accepts fills a queue of length 0.
            filler_ = ScopedSocket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
            connect(filler_.get(), reinterpret_cast<sockaddr*>(&at), sizeof at);
        }
        thread_ = std::thread([this] { Run(); });
    }
    ~FakeServer() { Join(); }
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    uint16_t port() const { return port_; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    // The requests received, in order (complete after Join).
    const std::vector<std::string>& requests() const { return requests_; }
    int served() const { return served_; }

private:
    static void Pause(uint32_t ms) {
        if (ms) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    void Run() {
        if (script_.fullBacklog) {
            Pause(script_.acceptDelayMs);
            return;
        }
        for (int i = 0; i < script_.connections; ++i) {
            if (!SocketReady(listener_.get(), script_.acceptWaitMs)) return;
            ScopedSocket peer(accept(listener_.get(), nullptr, nullptr));
            if (!peer.valid()) return;
            requests_.push_back(ReadRequest(peer.get()));
            bool sent = true;
            for (const FakePiece& piece : script_.pieces) {
                Pause(piece.delayMs);
                if (!SendAll(peer.get(), piece.bytes)) {
                    sent = false;
                    break;
                }
            }
            if (sent && script_.holdMs && SocketReady(peer.get(), script_.holdMs)) {
                char sink[256];
                recv(peer.get(), sink, sizeof sink, 0);
            }
            ++served_;
        }
    }

    FakeScript script_;
    ScopedSocket listener_;
    ScopedSocket filler_;
    uint16_t port_ = 0;
    std::thread thread_;
    std::vector<std::string> requests_;
    int served_ = 0;
};

// An answer with status 200 and a Content-Length body, in one piece.
inline FakeScript LengthAnswer(const std::string& body) {
    FakeScript s;
    s.pieces.push_back({0, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body});
    return s;
}

}  // namespace rt::test
