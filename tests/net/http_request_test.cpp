// The address split, the host's port and the exact request text.
#include <gtest/gtest.h>

#include <string>

#include "net/http_request.h"
#include "tests/net/net_test_support.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::V;

class HttpRequestTest : public test::NetTest {};

struct SplitCase {
    const char* address;
    uint16_t flags;
    std::string expected;
};

TEST_F(HttpRequestTest, SplitAddressTable) {
    const SplitCase cases[] = {
        {"http://host/cgi-bin/updater?x=1", kSplitFetch, std::string("host\0/cgi-bin/updater?x=1", 25)},
        {"HTTP://host/a", kSplitFetch, std::string("host\0/a", 7)},
        {"http://host", kSplitFetch, std::string("host\0/", 6)},          // a bare host asks for "/"
        {"http://host:8080/p", kSplitFetch, std::string("host:8080\0/p", 12)},
        {"https://host/a", kSplitFetch, std::string("https:\0//host/a", 15)},  // 0x41 keeps "https://"
        {"https://host/a", kSplitHttps | kSplitHostPath, std::string("host\0/a", 7)},
        {"http://www.host/a", kSplitHttp | kSplitPrefix, "host/a"},
        {"http://mail.host/a", kSplitHttp | kSplitPrefix, "mail.host/a"},  // only the first item, "www"
        {"http://host/a", kSplitHttp, "host/a"},
        {"ftp://host/a", kSplitHttp, "ftp://host/a"},
        {"", kSplitFetch, std::string("\0/", 2)},
    };
    for (const SplitCase& c : cases) {
        uint16_t mark = PoolMark();
        EXPECT_EQ(Str(SplitAddress(StrFromLiteral(c.address), c.flags)), c.expected) << c.address;
        PoolRelease(mark);
    }
}

TEST_F(HttpRequestTest, SplitAddressPassesErrorsOn) {
    EXPECT_EQ(StrError(SplitAddress(StrErr(kErrDiskIo), kSplitFetch)), kErrDiskIo);
}

struct PortCase {
    const char* host;
    ErrCode error;
    const char* name;
    uint16_t port;
};

TEST_F(HttpRequestTest, PortInTheHostPart) {
    const PortCase cases[] = {
        {"host", 0, "host", 80},
        {"host:8080", 0, "host", 8080},
        {"127.0.0.1:1", 0, "127.0.0.1", 1},
        {"host:65535", 0, "host", 65535},
        {" host :81", 0, "host", 81},
        {"host:0", kErrBadInput, "", 0},
        {"host:65536", kErrBadInput, "", 0},
        {"host:", kErrBadInput, "", 0},
        {"host:80a", kErrBadInput, "", 0},
        {"host:123456", kErrBadInput, "", 0},
        {":80", kErrBadInput, "", 0},
        {"", kErrBadInput, "", 0},
    };
    for (const PortCase& c : cases) {
        HostPort hp = SplitHostPort(StrFromLiteral(c.host));
        EXPECT_EQ(hp.error, c.error) << c.host;
        if (c.error == 0) {
            EXPECT_EQ(Str(hp.name), c.name) << c.host;
            EXPECT_EQ(hp.port, c.port) << c.host;
        }
    }
}

TEST_F(HttpRequestTest, RequestTextIsExact) {
    PoolScope scope;
    StrRef request = BuildRequest(StrFromLiteral("/cgi-bin/updater?view=12&path=app"), StrFromLiteral("host:8080"));
    EXPECT_EQ(Str(request),
              std::string("GET /cgi-bin/updater?view=12&path=app HTTP/1.1\r\n"
                          "Accept: text/html, application/xhtml+xml, image/jxr, */*\r\n"
                          "Accept-Encoding: identity\r\n"
                          "Referer: http://") +
                  kDefaultServerHost +
                  "/\r\n"
                  "Accept-Language: es-ES\r\n"
                  "Host: host:8080\r\n"
                  "\r\n");
}

TEST_F(HttpRequestTest, LineEndsInThePathCannotAddHeaderLines) {
    PoolScope scope;
    StrRef request = BuildRequest(StrFromLiteral("/a b\r\nX-Evil: 1\xf3"), StrFromLiteral("host"));
    std::string text = Str(request);
    EXPECT_EQ(text.substr(0, 40), "GET /a%20b%0D%0AX-Evil:%201%F3 HTTP/1.1\r");
    EXPECT_EQ(text.find("\r\nX-Evil"), std::string::npos);
}

// The desktop's report lines go out as they are, or not at all when one could end the head or
// start a line of its own.
TEST_F(HttpRequestTest, ExtraHeaderLines) {
    struct Case { const char* lines; bool sent; };
    const Case cases[] = {
        {"X-A: 1\r\nX-B: %3C\r\n", true},
        {"", true},
        {"X-A: 1\r\n\r\nGET /x HTTP/1.1\r\n", false},
        {"X-A: 1\nX-B: 2\r\n", false},
        {"X-A: 1", false},
        {": 1\r\n", false},
        {"X-A: \xe9\r\n", false},
    };
    for (const Case& c : cases) {
        PoolScope scope;
        SetRequestExtraHeaders(c.lines);
        const std::string text = Str(BuildRequest(StrFromLiteral("/"), StrFromLiteral("h")));
        const std::string tail = std::string("Host: h\r\n") + (c.sent ? c.lines : "") + "\r\n";
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), tail.size())), tail) << c.lines;
    }
    SetRequestExtraHeaders("");
}

TEST_F(HttpRequestTest, HostWithLineEndIsRefused) {
    EXPECT_EQ(StrError(BuildRequest(StrFromLiteral("/"), StrFromLiteral("host\r\nX: y"))), kErrBadInput);
}

TEST_F(HttpRequestTest, OverlongPathGives145) {
    std::string path(20000, '\x80');  // every byte triples
    EXPECT_EQ(StrError(BuildRequest(V(path), StrFromLiteral("h"))), kErrOutOfMemory);
}

}  // namespace
}  // namespace rt
