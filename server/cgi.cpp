// CGI requests of the update server.
#include "server/cgi.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "protocol/desktop_report.h"
#include "server/fleet_store.h"

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
    ErrCode err = WriteHead(outFd, "200 OK", answer.contentType, answer.ContentLength());
    if (!err && verb != "HEAD") err = SendAnswerBody(outFd, &answer);
    if (config.fleet) {
        // The answer is complete: the web server sees the output end now rather than after the
        // store's wait (the descriptor stays open, on /dev/null, for whoever closes it). Done with
        // the request, the web server may ask the process to end: it ends after the record.
        signal(SIGTERM, SIG_IGN);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, outFd);
            close(null);
        }
        // The web server hands header fields over as HTTP_ and the name in capitals, '-' as '_'.
        DesktopReport report;
        for (const char* name : {kHeaderMachine, kHeaderVersion, kHeaderPreviousExit, kHeaderList}) {
            std::string variable = "HTTP_";
            for (const char* c = name; *c; ++c)
                variable += *c == '-' ? '_' : static_cast<char>(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : *c);
            if (const char* value = std::getenv(variable.c_str())) TakeReportHeader(name, value, &report);
        }
        const char* peer = std::getenv("REMOTE_ADDR");
        RecordAnswered(config, query ? query : "", peer ? peer : "", answer.code, report);
    }
    return err;
}

ErrCode WriteCgiFailure(int outFd, const char* reason) {
    std::string body = reason;
    body += "\n";
    const ErrCode err = WriteHead(outFd, "500 Internal Server Error", "text/plain", body.size());
    return err ? err : WriteAll(outFd, body.data(), body.size());
}

}  // namespace rt
