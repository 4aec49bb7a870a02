// The standalone HTTP server of the update server: one event loop over POSIX sockets.
#include "server/http_listener.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "server/answer_workers.h"
#include "server/query.h"

namespace rt {
namespace {

// Stop requests are looked at least this often.
constexpr int kStopCheckMs = 200;
// Connections the system may queue before the server takes them.
constexpr int kBacklog = 1024;

int64_t MonotonicMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

bool StopRequested(const std::atomic<bool>* stop, const volatile std::sig_atomic_t* stopSignal) {
    return (stop && stop->load()) || (stopSignal && *stopSignal != 0);
}

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Sending file bytes (sendfile) to a client that has gone raises SIGPIPE, which would end the
// process. It is held back in the serving thread while Serve runs and taken away before the
// thread's mask is put back; the failed call reports the lost client anyway.
class PipeSignalHeld {
public:
    PipeSignalHeld() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &before_);
    }
    ~PipeSignalHeld() {
        const struct timespec now = {0, 0};
        while (sigtimedwait(&pipe_, nullptr, &now) == SIGPIPE) {
        }
        pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

private:
    sigset_t pipe_;
    sigset_t before_;
};

// The connections of one Serve call, by a number that is never reused, so that an answer
// finished for a connection that has gone meanwhile finds nobody.
class Connections {
public:
    Connections(const ServerConfig& config, const ServeLimits& limits, int wakeFd, FILE* log)
        : limits_(limits), workers_(config, limits.workers, wakeFd, log), log_(log) {}

    size_t size() const { return open_.size(); }

    void Add(UniqueFd socket, int64_t now, std::string peer) {
        auto c = std::make_unique<HttpConnection>(std::move(socket), now, limits_.connection);
        c->SetPeer(std::move(peer));
        open_.emplace(nextId_++, std::move(c));
    }

    // Makes room by closing the connection that has waited longest for its head; false when
    // every connection is past its head.
    bool DropOldestIdle() {
        auto oldest = open_.end();
        for (auto it = open_.begin(); it != open_.end(); ++it) {
            if (it->second->phase() != HttpConnection::Phase::kHead) continue;
            if (oldest == open_.end() || it->second->acceptedAt() < oldest->second->acceptedAt()) oldest = it;
        }
        if (oldest == open_.end()) return false;
        open_.erase(oldest);
        return true;
    }

    // The poll set of the connections after `fixed` entries; ids_ says whose entry is whose.
    void FillPoll(std::vector<struct pollfd>* set) {
        ids_.clear();
        for (const auto& [id, c] : open_) {
            const short events = c->Events();
            if (!events) continue;
            set->push_back(pollfd{c->fd(), events, 0});
            ids_.push_back(id);
        }
    }

    int64_t NextDeadline() const {
        int64_t next = INT64_MAX;
        for (const auto& entry : open_) next = std::min(next, entry.second->Deadline());
        return next;
    }

    void OnPolled(const std::vector<struct pollfd>& set, size_t first, int64_t now) {
        for (size_t i = 0; i < ids_.size(); ++i) {
            if (!set[first + i].revents) continue;
            const auto it = open_.find(ids_[i]);
            if (it != open_.end()) Advance(it->first, *it->second, now);
        }
    }

    void TakeAnswers(int64_t now) {
        for (AnswerWorkers::Done& done : workers_.TakeDone()) {
            const auto it = open_.find(done.id);
            if (it == open_.end()) continue;
            HttpConnection& c = *it->second;
            if (log_) {
                const std::string what = c.fleetFormat().empty() ? QueryForLog(c.query()) : "fleet page (" + c.fleetFormat() + ")";
                const int shown = done.answer.status != 200 ? done.answer.status : done.answer.code ? done.answer.code : 200;
                std::fprintf(log_, "%s %s -> %d\n", c.method().c_str(), what.c_str(), shown);
                std::fflush(log_);
            }
            c.TakeAnswer(std::move(done.answer), now);
            c.OnReady(now);  // most answers fit the socket's buffer at once
        }
    }

    void OnTime(int64_t now) {
        for (auto& [id, c] : open_) {
            if (c->Deadline() <= now) c->OnTime(now);
        }
    }

    void RemoveClosed() {
        std::erase_if(open_, [](const auto& entry) {
            return entry.second->phase() == HttpConnection::Phase::kClosed;
        });
    }

    // A connection that has just read its head asks the workers for its answer.
    void Advance(uint64_t id, HttpConnection& c, int64_t now) {
        const bool wasReading = c.phase() == HttpConnection::Phase::kHead;
        c.OnReady(now);
        if (wasReading && c.phase() == HttpConnection::Phase::kAnswer)
            workers_.Submit(id, AnswerWorkers::Request{c.query(), c.fleetFormat(), c.authorization(), c.peer(), c.report()});
    }

    void Advance(uint64_t id, int64_t now) {
        const auto it = open_.find(id);
        if (it != open_.end()) Advance(id, *it->second, now);
    }

    uint64_t lastId() const { return nextId_ - 1; }

private:
    const ServeLimits& limits_;
    AnswerWorkers workers_;
    FILE* log_;
    std::unordered_map<uint64_t, std::unique_ptr<HttpConnection>> open_;
    std::vector<uint64_t> ids_;
    uint64_t nextId_ = 1;
};

// Takes the connections waiting at the listener while there is room. False when accepting
// fails for good; *pauseUntil is set when descriptors run short for a moment.
bool AcceptPending(int listenFd, Connections* conns, const ServeLimits& limits, int64_t now,
                   int64_t* pauseUntil) {
    for (;;) {
        if (conns->size() >= limits.maxConnections && !conns->DropOldestIdle()) {
            // Every connection is being answered: new ones wait in the queue a moment.
            *pauseUntil = now + 20;
            return true;
        }
        struct sockaddr_in peer;
        socklen_t peerLen = sizeof peer;
        UniqueFd socket(accept4(listenFd, reinterpret_cast<struct sockaddr*>(&peer), &peerLen, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (socket.get() >= 0) {
            char address[INET_ADDRSTRLEN] = "";
            if (peer.sin_family == AF_INET) inet_ntop(AF_INET, &peer.sin_addr, address, sizeof address);
            conns->Add(std::move(socket), now, address);
            // A client that sent its request with the connection is served without another round.
            conns->Advance(conns->lastId(), now);
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
        // A connection that vanished before it was taken is no reason to stop serving.
        if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // The pending connection stays queued; waiting a moment instead of spinning.
            *pauseUntil = now + 100;
            return true;
        }
        return false;
    }
}

}  // namespace

ErrCode ParseListenAddress(std::string_view text, std::string* host, uint16_t* port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) {
        return kErrBadInput;
    }
    const std::string_view digits = text.substr(colon + 1);
    if (digits.size() > 5) return kErrBadInput;
    uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return kErrBadInput;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value > 65535) return kErrBadInput;
    *host = std::string(text.substr(0, colon));
    *port = static_cast<uint16_t>(value);
    return kOk;
}

ErrCode OpenListener(const std::string& host, uint16_t port, UniqueFd* out, uint16_t* bound) {
    struct addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    struct addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return kErrNetAccess;
    struct sockaddr_in addr;
    std::memcpy(&addr, found->ai_addr, sizeof addr);
    freeaddrinfo(found);
    addr.sin_port = htons(port);
    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) return kErrNetAccess;
    const int yes = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (bind(fd.get(), reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(fd.get(), kBacklog) != 0) {
        return kErrNetAccess;
    }
    socklen_t len = sizeof addr;
    if (getsockname(fd.get(), reinterpret_cast<struct sockaddr*>(&addr), &len) != 0) {
        return kErrNetAccess;
    }
    *bound = ntohs(addr.sin_port);
    *out = std::move(fd);
    return kOk;
}

ErrCode Serve(int listenFd, const ServerConfig& config, const std::atomic<bool>* stop,
              const volatile std::sig_atomic_t* stopSignal, FILE* log, const ServeLimits& limits) {
    int wake[2];
    if (!SetNonBlocking(listenFd) || pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) return kErrNetAccess;
    const UniqueFd wakeRead(wake[0]), wakeWrite(wake[1]);
    const PipeSignalHeld pipeSignal;
    Connections conns(config, limits, wakeWrite.get(), log);
    int64_t acceptPausedUntil = 0;
    std::vector<struct pollfd> set;
    while (!StopRequested(stop, stopSignal)) {
        int64_t now = MonotonicMs();
        set.clear();
        set.push_back(pollfd{wakeRead.get(), POLLIN, 0});
        const bool accepting = now >= acceptPausedUntil;
        set.push_back(pollfd{accepting ? listenFd : -1, POLLIN, 0});
        conns.FillPoll(&set);
        const int64_t due = std::min(conns.NextDeadline(), accepting ? INT64_MAX : acceptPausedUntil);
        const int64_t wait = std::clamp<int64_t>(due - now, 0, kStopCheckMs);
        const int ready = poll(set.data(), set.size(), static_cast<int>(wait));
        if (ready < 0 && errno != EINTR) return kErrNetAccess;
        now = MonotonicMs();
        if (ready > 0) {
            if (set[0].revents) {
                char sink[256];
                while (read(wakeRead.get(), sink, sizeof sink) > 0) {
                }
                conns.TakeAnswers(now);
            }
            conns.OnPolled(set, 2, now);
            if (set[1].revents && !AcceptPending(listenFd, &conns, limits, now, &acceptPausedUntil)) {
                return kErrNetAccess;
            }
        }
        conns.OnTime(now);
        conns.RemoveClosed();
    }
    return kOk;
}

}  // namespace rt
