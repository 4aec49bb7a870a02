// CGI requests of the update server.
#include "server/cgi.h"

#include <string>

namespace rt {
namespace {

ErrCode WriteHead(int fd, const char* status, const char* type, uint64_t length) {
    std::string head = "Status: ";
    head += status;
    head += "\r\nContent-Type: ";
    head += type;
    head += "\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
    return WriteAll(fd, head.data(), head.size());
}

}  // namespace

ErrCode RunCgiRequest(const ServerConfig& config, const char* method, const char* query,
                      int outFd) {
    const std::string verb = method ? method : "GET";
    if (verb != "GET" && verb != "HEAD") {
        static const char kBody[] = "405 Method Not Allowed\n";
        const ErrCode err = WriteHead(outFd, "405 Method Not Allowed", "text/plain", sizeof kBody - 1);
        return err ? err : WriteAll(outFd, kBody, sizeof kBody - 1);
    }
    Answer answer = HandleQuery(config, query ? query : "");
    const ErrCode err = WriteHead(outFd, "200 OK", answer.contentType, answer.ContentLength());
    if (err || verb == "HEAD") return err;
    return SendAnswerBody(outFd, &answer);
}

ErrCode WriteCgiFailure(int outFd, const char* reason) {
    std::string body = reason;
    body += "\n";
    const ErrCode err = WriteHead(outFd, "500 Internal Server Error", "text/plain", body.size());
    return err ? err : WriteAll(outFd, body.data(), body.size());
}

}  // namespace rt
