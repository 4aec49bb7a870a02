// The answers of the update server: the text answers, the list answer and the file answer, and
// the handling of one request from its query to its answer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/errcode.h"
#include "server/folder_walk.h"
#include "server/server_config.h"

namespace rt {

// An open file descriptor, closed with the owner.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(-1); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    int get() const { return fd_; }
    void Reset(int fd);

private:
    int fd_ = -1;
};

// One answer: `head` is sent as it is, then, for a file answer, `fileBytes` bytes of `file` from
// its current position. The HTTP status is always 200, errors included: the updater reads the
// body only of a 200 answer, and its error codes travel in the body.
struct Answer {
    const char* contentType = "text/plain";
    int status = 200;       // other than 200 only for the fleet page (401, 403, 404, 500)
    std::string extraHead;  // header lines of such an answer, each ending in CR LF
    std::string head;
    UniqueFd file;
    uint64_t fileBytes = 0;
    ErrCode code = 0;  // 0, or the code of an error answer (for the server's own log)

    uint64_t ContentLength() const { return head.size() + fileBytes; }
};

// "Error #<code>.<text>" with text the error's English name when none is given. The updater
// shows the text up to its next '.', so texts given here hold none.
Answer ErrorAnswer(ErrCode code, std::string_view text = {});
// "OK" or "Fail".
Answer TextAnswer(const char* text);

// The list answer for files: a transfer header (size and checksum of the body, date and time of the
// newest file) and the body the updater parses. kErrOutOfMemory (as an error answer, saying how
// many files) when its names pass what the list's length field can announce (kMaxNamesBlock).
Answer ListAnswer(const std::vector<PublishedFile>& files);

// The file answer for the real path of a regular file: a transfer header with its size, local
// last-write date and time and the checksum of its bytes (from the shared checksum cache), then
// the bytes. kErrFileNotFound when it cannot be opened or read.
Answer FileAnswer(const std::string& realPath);

// The answer to a query string. Order of the checks: the query reads (kErrBadInput), the folder
// does not escape the root (kErrBadInput), the credentials admit the folder (kErrPermission), the
// folder exists (kErrFileNotFound), the credentials admit where the folder really is
// (kErrPermission: it may be a link), then the request itself: the status query answers "OK" when
// no file of the folder and its subfolders is newer than the date and time sent, else "Fail"; the
// file request refuses names that escape (kErrBadInput), missing files (kErrFileNotFound) and files
// whose real folder the credentials do not admit (kErrPermission). Lists and status queries see
// only the files the credentials may read. Safe to call from several threads at once.
Answer HandleQuery(const ServerConfig& config, std::string_view query);

// Writes all n bytes to a descriptor (socket or pipe), retrying interrupted and partial writes.
// kErrNetAccess when the other side is gone or the write fails.
ErrCode WriteAll(int fd, const char* data, size_t n);

// Sends the answer's body (head and file bytes) to fd. kErrNetAccess when writing fails; kErrFileIo
// when the file ends before fileBytes (it shrank after it was measured).
ErrCode SendAnswerBody(int fd, Answer* answer);

}  // namespace rt
