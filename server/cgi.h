// The CGI mode of the update server: one request from the web server's environment, one answer
// with CGI headers on the output.
#pragma once

#include "runtime/errcode.h"
#include "server/answers.h"

namespace rt {

// Answers one request: method as REQUEST_METHOD (null counts as GET), query as QUERY_STRING
// (null counts as empty). Writes "Status:", "Content-Type:" and "Content-Length:" lines, an
// empty line and, unless the method is HEAD, the body to outFd. Any method other than GET and
// HEAD gets "Status: 405". kErrNetAccess when the output cannot be written. After the answer is
// written the request is recorded in config's fleet store, when it keeps one, with the client's
// address (REMOTE_ADDR) and the desktop's report headers from the environment (HTTP_X_KELVANE_*);
// outFd then leads to /dev/null, so that the web server sees the answer end before the store waits.
ErrCode RunCgiRequest(const ServerConfig& config, const char* method, const char* query,
                      int outFd);

// The answer a CGI program gives when it cannot serve at all (a missing root, a broken users
// file): "Status: 500" and the reason as text.
ErrCode WriteCgiFailure(int outFd, const char* reason);

}  // namespace rt
