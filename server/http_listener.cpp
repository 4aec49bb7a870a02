// The standalone HTTP server of the update server over POSIX sockets.
#include "server/http_listener.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

namespace rt {
namespace {

int64_t MonotonicMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

const char* Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 431: return "Request Header Fields Too Large";
        case 505: return "HTTP Version Not Supported";
        default: return "Error";
    }
}

void SendHead(int fd, int status, const char* contentType, uint64_t length, const char* extra) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
    head += "Content-Type: ";
    head += contentType;
    head += "\r\nContent-Length: " + std::to_string(length) + "\r\n";
    head += extra;
    head += "Connection: close\r\n\r\n";
    WriteAll(fd, head.data(), head.size());
}

void SendStatus(int fd, int status, const char* extra = "") {
    const std::string body = std::to_string(status) + " " + Reason(status) + "\n";
    SendHead(fd, status, "text/plain", body.size(), extra);
    WriteAll(fd, body.data(), body.size());
}

// Where the head ends (just past its empty line), or npos.
size_t HeadEnd(const std::string& data) {
    const size_t crlf = data.find("\r\n\r\n");
    const size_t lf = data.find("\n\n");
    if (crlf != std::string::npos && (lf == std::string::npos || crlf + 2 <= lf)) return crlf + 4;
    return lf == std::string::npos ? std::string::npos : lf + 2;
}

// 0 with the head in *head; 431 when it grows too long; -1 when the peer closes or is too slow.
int ReadHead(int fd, std::string* head) {
    const int64_t deadline = MonotonicMs() + kReadDeadlineMs;
    std::string data;
    char buffer[4096];
    for (;;) {
        const size_t end = HeadEnd(data);
        if (end != std::string::npos) {
            data.resize(end);
            *head = std::move(data);
            return 0;
        }
        if (data.size() > kMaxRequestHead) return 431;
        const int64_t left = deadline - MonotonicMs();
        if (left <= 0) return -1;
        struct pollfd p = {fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return -1;
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return -1;
        data.append(buffer, static_cast<size_t>(got));
    }
}

bool StopRequested(const std::atomic<bool>* stop, const volatile std::sig_atomic_t* stopSignal) {
    return (stop && stop->load()) || (stopSignal && *stopSignal != 0);
}

// Query texts in the log are cut short and keep only printable bytes.
std::string Printable(std::string_view s) {
    std::string out;
    for (char c : s.substr(0, 200)) {
        const unsigned char u = static_cast<unsigned char>(c);
        out.push_back(u >= 0x20 && u < 0x7F ? c : '?');
    }
    return out;
}

// Closing a socket with unread input makes the system send a reset, which can destroy the end
// of an answer the peer has not read yet. So the sending side is shut first and what the peer
// still sends is read away, for a bounded time and amount.
void DrainAndClose(int fd) {
    shutdown(fd, SHUT_WR);
    const int64_t deadline = MonotonicMs() + 1000;
    char buffer[4096];
    size_t total = 0;
    while (total < 65536) {
        const int64_t left = deadline - MonotonicMs();
        if (left <= 0) break;
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        total += static_cast<size_t>(got);
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

int ParseRequestHead(std::string_view head, RequestHead* out) {
    size_t lineEnd = head.find('\n');
    if (lineEnd == std::string_view::npos) lineEnd = head.size();
    std::string_view line = head.substr(0, lineEnd);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t first = line.find(' ');
    const size_t last = line.rfind(' ');
    if (first == std::string_view::npos || first == 0 || last <= first + 1) return 400;
    const std::string_view version = line.substr(last + 1);
    if (version.substr(0, 5) != "HTTP/") return 400;
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return 505;
    out->method = std::string(line.substr(0, first));
    out->target = std::string(line.substr(first + 1, last - first - 1));
    return 0;
}

bool UpdaterQuery(std::string_view target, std::string* query) {
    const size_t q = target.find('?');
    std::string_view path = target.substr(0, q);
    const size_t scheme = path.find("://");
    if (scheme != std::string_view::npos) {
        const size_t slash = path.find('/', scheme + 3);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
    }
    if (path != kUpdaterTarget) return false;
    *query = q == std::string_view::npos ? std::string() : std::string(target.substr(q + 1));
    return true;
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
        listen(fd.get(), 16) != 0) {
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

void ServeConnection(int fd, const ServerConfig& config, FILE* log) {
    struct timeval sendTimeout = {kSendTimeoutMs / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    std::string head;
    const int read = ReadHead(fd, &head);
    if (read < 0) return;
    if (read > 0) return SendStatus(fd, read);
    RequestHead request;
    const int parsed = ParseRequestHead(head, &request);
    if (parsed) return SendStatus(fd, parsed);
    std::string query;
    if (!UpdaterQuery(request.target, &query)) return SendStatus(fd, 404);
    const bool headOnly = request.method == "HEAD";
    if (request.method != "GET" && !headOnly) return SendStatus(fd, 405, "Allow: GET, HEAD\r\n");
    Answer answer = HandleQuery(config, query);
    if (log) {
        std::fprintf(log, "%s %s -> %s\n", request.method.c_str(), Printable(query).c_str(),
                     answer.code ? std::to_string(answer.code).c_str() : "200");
        std::fflush(log);
    }
    SendHead(fd, 200, answer.contentType, answer.ContentLength(), "");
    if (!headOnly) SendAnswerBody(fd, &answer);
}

ErrCode Serve(int listenFd, const ServerConfig& config, const std::atomic<bool>* stop,
              const volatile std::sig_atomic_t* stopSignal, FILE* log) {
    while (!StopRequested(stop, stopSignal)) {
        struct pollfd p = {listenFd, POLLIN, 0};
        const int ready = poll(&p, 1, 200);
        if (ready < 0 && errno != EINTR) return kErrNetAccess;
        if (ready <= 0) continue;
        UniqueFd conn(accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC));
        if (conn.get() < 0) {
            // A connection that vanished before it was taken, or a passing shortage of
            // descriptors, is no reason to stop serving.
            if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN || errno == EPROTO) {
                continue;
            }
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                poll(nullptr, 0, 100);  // the pending connection stays; wait instead of spinning
                continue;
            }
            return kErrNetAccess;
        }
        ServeConnection(conn.get(), config, log);
        DrainAndClose(conn.get());
    }
    return kOk;
}

}  // namespace rt
