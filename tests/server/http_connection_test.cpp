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

// What a desktop says of itself is taken only as it should read; anything else is left out.
TEST(ServerRequestHeadTest, DesktopReport) {
    struct Case { const char* fields; const char* machine; const char* version; int exit; const char* list; const char* auth; };
    const std::string d(64, 'a');
    const Case cases[] = {
        {"X-Kelvane-Machine: PC%C3%A9-1\r\nX-Kelvane-Version: 1.4.0\r\nx-kelvane-previous-exit: 131\r\n", "PC\xc3\xa9-1", "1.4.0", 131, "", ""},
        {"X-Kelvane-Machine: a%0Ab%FF%zz\r\nX-Kelvane-Previous-Exit: 65536\r\n", "a?b?%zz", "", -1, "", ""},
        {"X-Kelvane-Version: 1 2\r\nX-Kelvane-Previous-Exit: -1\r\nX-Kelvane-List: A\r\n", "", "", -1, "", ""},
        {"X-Kelvane-Previous-Exit: 65535\r\nAuthorization: Basic eDp5\r\n", "", "", 65535, "", "Basic eDp5"},
    };
    for (const Case& c : cases) {
        RequestHead h;
        ASSERT_EQ(ParseRequestHead(std::string("GET / HTTP/1.1\r\n") + c.fields + "\r\n", &h), 0) << c.fields;
        EXPECT_EQ(h.report.machine, c.machine) << c.fields;
        EXPECT_EQ(h.report.version, c.version) << c.fields;
        EXPECT_EQ(h.report.previousExit, c.exit) << c.fields;
        EXPECT_EQ(h.authorization, c.auth) << c.fields;
    }
    RequestHead h;
    ASSERT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nX-Kelvane-List: " + d + "\r\n\r\n", &h), 0);
    EXPECT_EQ(h.report.list, d);
    ASSERT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nX-Kelvane-List: " + d + "0\r\n\r\n", &h), 0);
    EXPECT_EQ(h.report.list, d);  // the earlier one stays: 65 digits are no digest
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
