// A connection of the standalone server over a non-blocking POSIX socket.
#include "server/http_connection.h"

#include <errno.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>

#include <climits>
#include <utility>

#include "server/fleet_page.h"

namespace rt {
namespace {

// One sendfile call moves at most this much, so that one fast client does not keep the loop
// from the others.
constexpr size_t kSendSlice = 1 << 20;

const char* Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 431: return "Request Header Fields Too Large";
        case 500: return "Internal Server Error";
        case 505: return "HTTP Version Not Supported";
        default: return "Error";
    }
}

std::string HttpHead(int status, const char* contentType, uint64_t length, const char* extra) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
    head += "Content-Type: ";
    head += contentType;
    head += "\r\nContent-Length: " + std::to_string(length) + "\r\n";
    head += extra;
    head += "Connection: close\r\n\r\n";
    return head;
}

// Where the head ends (just past its empty line), or npos.
size_t HeadEnd(std::string_view data) {
    const size_t crlf = data.find("\r\n\r\n");
    const size_t lf = data.find("\n\n");
    if (crlf != std::string_view::npos && (lf == std::string_view::npos || crlf + 2 <= lf)) {
        return crlf + 4;
    }
    return lf == std::string_view::npos ? std::string_view::npos : lf + 2;
}

bool WouldBlock(int e) { return e == EAGAIN || e == EWOULDBLOCK; }

}  // namespace

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
    size_t at = lineEnd + 1;
    while (at < head.size()) {
        size_t end = head.find('\n', at);
        if (end == std::string_view::npos) end = head.size();
        const std::string_view field = head.substr(at, end - at);
        at = end + 1;
        const size_t colon = field.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = field.substr(0, colon);
        std::string_view value = field.substr(colon + 1);
        if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        std::string lower(name);
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (lower == "authorization") {
            out->authorization = std::string(value);
        } else {
            TakeReportHeader(name, value, &out->report);
        }
    }
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

HttpConnection::HttpConnection(UniqueFd socket, int64_t nowMs, const ConnectionLimits& limits)
    : socket_(std::move(socket)), limits_(limits), acceptedAt_(nowMs) {}

short HttpConnection::Events() const {
    switch (phase_) {
        case Phase::kHead:
        case Phase::kDrain: return POLLIN;
        case Phase::kSend: return POLLOUT;
        default: return 0;
    }
}

int64_t HttpConnection::Deadline() const {
    switch (phase_) {
        case Phase::kHead: return acceptedAt_ + limits_.headDeadlineMs;
        case Phase::kSend: return windowStart_ + limits_.rateWindowMs;
        case Phase::kDrain: return drainUntil_;
        default: return INT64_MAX;
    }
}

void HttpConnection::OnReady(int64_t nowMs) {
    if (phase_ == Phase::kHead) ReadHead(nowMs);
    if (phase_ == Phase::kSend) Send(nowMs);
    if (phase_ == Phase::kDrain) Drain();
}

void HttpConnection::OnTime(int64_t nowMs) {
    if (nowMs < Deadline()) return;
    if (phase_ == Phase::kSend) {
        const uint64_t wanted = uint64_t{limits_.minSendRate} * limits_.rateWindowMs / 1000;
        if (windowBytes_ >= wanted) {
            windowStart_ = nowMs;
            windowBytes_ = 0;
            return;
        }
        // What waits in the system's buffers for a client this slow is dropped with it, rather
        // than trickled out after the connection is closed.
        const struct linger reset = {1, 0};
        setsockopt(socket_.get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    Close();
}

void HttpConnection::ReadHead(int64_t now) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = recv(socket_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && WouldBlock(errno)) return;
        if (got <= 0) return Close();  // gone, or closed before its head was complete
        in_.append(buffer, static_cast<size_t>(got));
        // The limit is checked on what has arrived, after each read: a head is refused as soon
        // as it cannot end within the limit, however the client cuts it into pieces.
        const size_t end = HeadEnd(in_);
        if (end != std::string::npos && end <= kMaxRequestHead) return TakeHead(std::string_view(in_).substr(0, end), now);
        if (in_.size() >= kMaxRequestHead) return Refuse(431, now);
    }
}

void HttpConnection::TakeHead(std::string_view head, int64_t now) {
    RequestHead request;
    const int status = ParseRequestHead(head, &request);
    if (status) return Refuse(status, now);
    if (!UpdaterQuery(request.target, &query_) && !FleetPageTarget(request.target, &fleetFormat_, &query_))
        return Refuse(404, now);
    if (request.method != "GET" && request.method != "HEAD") return Refuse(405, now, "Allow: GET, HEAD\r\n");
    method_ = std::move(request.method);
    authorization_ = std::move(request.authorization);
    report_ = std::move(request.report);
    in_.clear();
    in_.shrink_to_fit();
    phase_ = Phase::kAnswer;
}

void HttpConnection::Refuse(int status, int64_t now, const char* extra) {
    const std::string body = std::to_string(status) + " " + Reason(status) + "\n";
    StartSending(HttpHead(status, "text/plain", body.size(), extra) + body, UniqueFd(), 0, now);
}

void HttpConnection::TakeAnswer(Answer answer, int64_t nowMs) {
    if (phase_ != Phase::kAnswer) return;
    std::string out = HttpHead(answer.status, answer.contentType, answer.ContentLength(), answer.extraHead.c_str());
    if (method_ == "HEAD") return StartSending(std::move(out), UniqueFd(), 0, nowMs);
    out += answer.head;
    StartSending(std::move(out), std::move(answer.file), answer.fileBytes, nowMs);
}

void HttpConnection::StartSending(std::string out, UniqueFd file, uint64_t fileBytes, int64_t now) {
    in_.clear();
    out_ = std::move(out);
    outSent_ = 0;
    file_ = std::move(file);
    fileOffset_ = 0;
    fileLeft_ = file_.get() >= 0 ? fileBytes : 0;
    windowStart_ = now;
    windowBytes_ = 0;
    phase_ = Phase::kSend;
}

void HttpConnection::Send(int64_t now) {
    while (outSent_ < out_.size()) {
        const ssize_t sent = send(socket_.get(), out_.data() + outSent_, out_.size() - outSent_,
                                  MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && WouldBlock(errno)) return;
        if (sent <= 0) return Close();
        outSent_ += static_cast<size_t>(sent);
        windowBytes_ += static_cast<uint64_t>(sent);
    }
    while (fileLeft_ > 0) {
        off_t offset = static_cast<off_t>(fileOffset_);
        const size_t want = fileLeft_ < kSendSlice ? static_cast<size_t>(fileLeft_) : kSendSlice;
        const ssize_t sent = sendfile(socket_.get(), file_.get(), &offset, want);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && WouldBlock(errno)) return;
        // 0: the file ended early (it shrank after it was measured); the client sees a short
        // answer and refuses it, which is all that can be done once the length is announced.
        if (sent <= 0) return Close();
        fileOffset_ += static_cast<uint64_t>(sent);
        fileLeft_ -= static_cast<uint64_t>(sent);
        windowBytes_ += static_cast<uint64_t>(sent);
        if (static_cast<size_t>(sent) == want && fileLeft_ > 0) return;  // others' turn; POLLOUT brings us back
    }
    // Closing a socket with unread input makes the system send a reset, which can destroy the
    // end of an answer the peer has not read yet. So the sending side is shut first and what the
    // peer still sends is read away, for a bounded time and amount.
    file_.Reset(-1);
    out_.clear();
    out_.shrink_to_fit();
    shutdown(socket_.get(), SHUT_WR);
    drainUntil_ = now + limits_.drainMs;
    drained_ = 0;
    phase_ = Phase::kDrain;
}

void HttpConnection::Drain() {
    char buffer[4096];
    for (;;) {
        const ssize_t got = recv(socket_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && WouldBlock(errno)) return;
        if (got <= 0) return Close();
        drained_ += static_cast<size_t>(got);
        if (drained_ >= 65536) return Close();
    }
}

void HttpConnection::Close() {
    socket_.Reset(-1);
    file_.Reset(-1);
    phase_ = Phase::kClosed;
}

}  // namespace rt
