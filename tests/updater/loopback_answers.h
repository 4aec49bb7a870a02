// An HTTP server on 127.0.0.1 inside the test program that answers every GET with the body a
// callback gives for the request's address, so that the update's fetches run their production
// path: socket, HTTP reader and body writer. A callback answer of kNoAnswer closes the connection
// without a word. Every wait is bounded, so a test that goes wrong ends instead of hanging.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "tests/net/fake_server.h"

namespace rt_test {

class LoopbackAnswers {
public:
    static inline const std::string kNoAnswer = std::string("\0no answer\0", 11);
    using AnswerFn = std::function<std::string(const std::string& address)>;

    explicit LoopbackAnswers(AnswerFn answer) : answer_(std::move(answer)) {
        sockaddr_in at;
        listener_ = rt::test::LoopbackListener(16, &at);
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
private:
    void Serve() {
        while (!stop_) {
            if (!rt::test::SocketReady(listener_.get(), 50)) continue;
            rt::ScopedSocket peer(accept(listener_.get(), nullptr, nullptr));
            if (!peer.valid()) continue;
            const std::string request = rt::test::ReadRequest(peer.get());
            const size_t start = request.find(' ') + 1, end = request.find(' ', start);
            if (start == 0 || end == std::string::npos) continue;
            const std::string address = base_ + request.substr(start, end - start);
            std::string body;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                body = answer_(address);
            }
            if (body == kNoAnswer) continue;
            rt::test::SendAll(peer.get(), "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                              "\r\nConnection: close\r\n\r\n" + body);
        }
    }

    AnswerFn answer_;
    rt::ScopedSocket listener_;
    std::string base_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
};

}  // namespace rt_test
