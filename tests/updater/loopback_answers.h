// An HTTP server on 127.0.0.1 inside the test program that answers every GET with the body a
// callback gives for the request's address, so that the update's fetches run their production
// path: socket, HTTP reader and body writer. A callback answer of kNoAnswer closes the connection
// without a word. Every wait is bounded, so a test that goes wrong ends instead of hanging.
#pragma once

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/socket.h"
#include "net/socket_os.h"

namespace rt_test {

class LoopbackAnswers {
public:
    static inline const std::string kNoAnswer = std::string("\0no answer\0", 11);
    using AnswerFn = std::function<std::string(const std::string& address)>;

    explicit LoopbackAnswers(AnswerFn answer) : answer_(std::move(answer)) {
        rt::SocketStartup();
        listener_ = rt::ScopedSocket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in at;
        std::memset(&at, 0, sizeof at);
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_.get(), reinterpret_cast<sockaddr*>(&at), sizeof at);
        listen(listener_.get(), 16);
        rt::sock_len_t len = sizeof at;
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&at), &len);
        base_ = "http://127.0.0.1:" + std::to_string(ntohs(at.sin_port));
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackAnswers() {
        stop_ = true;
        thread_.join();
    }
    LoopbackAnswers(const LoopbackAnswers&) = delete;
    LoopbackAnswers& operator=(const LoopbackAnswers&) = delete;

    // "http://127.0.0.1:PORT", the start of every address the server answers.
    const std::string& Base() const { return base_; }
    // Every address asked for, in order.
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    void ClearRequests() {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.clear();
    }

private:
    static bool Ready(rt::socket_t s, uint32_t ms) {
        bool ready = false;
        return rt::SysWaitReady(rt::ToSys(s), false, ms, &ready) == 0 && ready;
    }
    void Serve() {
        while (!stop_) {
            if (!Ready(listener_.get(), 50)) continue;
            rt::ScopedSocket peer(accept(listener_.get(), nullptr, nullptr));
            if (!peer.valid()) continue;
            std::string request;
            char buffer[2048];
            while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && Ready(peer.get(), 5000)) {
                const int n = static_cast<int>(recv(peer.get(), buffer, sizeof buffer, 0));
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            const size_t start = request.find(' ') + 1, end = request.find(' ', start);
            if (start == 0 || end == std::string::npos) continue;
            const std::string address = base_ + request.substr(start, end - start);
            std::string body;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(address);
                body = answer_(address);
            }
            if (body == kNoAnswer) continue;
            Send(peer.get(), "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + body);
        }
    }
    static void Send(rt::socket_t s, const std::string& bytes) {
        for (size_t done = 0; done < bytes.size();) {
            const size_t chunk = std::min<size_t>(bytes.size() - done, 65536);
#ifdef MSG_NOSIGNAL
            const int n = static_cast<int>(send(s, bytes.data() + done, chunk, MSG_NOSIGNAL));
#else
            const int n = static_cast<int>(send(s, bytes.data() + done, static_cast<int>(chunk), 0));
#endif
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }

    AnswerFn answer_;
    rt::ScopedSocket listener_;
    std::string base_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

}  // namespace rt_test
