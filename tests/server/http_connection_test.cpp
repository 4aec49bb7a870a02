// Request heads and targets of the standalone server's connections.
#include <gtest/gtest.h>

#include <string>

#include "server/http_connection.h"

using namespace rt;

TEST(ServerRequestHeadTest, Table) {
    struct Case { const char* head; int status; const char* method; const char* target; };
    const Case cases[] = {
        {"GET /cgi-bin/updater?a=1 HTTP/1.1\r\nHost: x\r\n\r\n", 0, "GET", "/cgi-bin/updater?a=1"},
        {"GET /x HTTP/1.0\n\n", 0, "GET", "/x"},
        // The updater does not encode blanks in file names: the target runs to the last blank.
        {"GET /u?downfile=my file.txt HTTP/1.1\r\n\r\n", 0, "GET", "/u?downfile=my file.txt"},
        {"HEAD / HTTP/1.1\r\n\r\n", 0, "HEAD", "/"},
        {"GET / HTTP/2.0\r\n\r\n", 505, "", ""},
        {"GET /\r\n\r\n", 400, "", ""},
        {"GET  HTTP/1.1\r\n\r\n", 400, "", ""},
        {" / HTTP/1.1\r\n\r\n", 400, "", ""},
        {"GET / FTP/1.1\r\n\r\n", 400, "", ""},
        {"\r\n\r\n", 400, "", ""},
        {"", 400, "", ""},
    };
    for (const Case& c : cases) {
        RequestHead h;
        EXPECT_EQ(ParseRequestHead(c.head, &h), c.status) << c.head;
        if (c.status == 0) {
            EXPECT_EQ(h.method, c.method);
            EXPECT_EQ(h.target, c.target);
        }
    }
}

TEST(ServerUpdaterQueryTest, Table) {
    struct Case { const char* target; bool ok; const char* query; };
    const Case cases[] = {
        {"/cgi-bin/updater?view=12&path=a", true, "view=12&path=a"},
        {"/cgi-bin/updater", true, ""},
        {"/cgi-bin/updater?", true, ""},
        {"http://host:8080/cgi-bin/updater?x=1", true, "x=1"},
        {"/cgi-bin/updater/?x=1", false, ""},
        {"/cgi-bin/updaterx?x=1", false, ""},
        {"/CGI-BIN/updater?x=1", false, ""},
        {"/?x=/cgi-bin/updater", false, ""},
        {"http://host", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        std::string q = "untouched";
        EXPECT_EQ(UpdaterQuery(c.target, &q), c.ok) << c.target;
        EXPECT_EQ(q, c.ok ? c.query : "untouched") << c.target;
    }
}
