// Path kinds: schemes, bracketed prefixes, UNC paths, drive letters and the ":/" rule.
#include <gtest/gtest.h>

#include "net/path_kind.h"

namespace rt {
namespace {

struct KindCase {
    const char* path;
    uint16_t kind;
};

TEST(PathKindTest, TableOfPaths) {
    const KindCase cases[] = {
        {"\\\\server\\share\\app", kPathShare},
        {"[smb]\\server\\share", kPathShare},
        {"[SMB]\\server\\share", kPathShare},
        {"\\\\:x", kPathShare},             // the scheme "\\"
        {"ras:dial", kPathRas},
        {"[ras]\\x", kPathRas},
        {"rpc:host", kPathRpc},
        {"[rpc]\\x", kPathRpc},
        {"ftp://host/dir", kPathFtp},
        {"[ftp]\\x", kPathFtp},
        {"ssl://host", kPathSsl},
        {"[ssl]\\x", kPathSsl},
        {"http://host/updater/app", kPathHttp},
        {"HTTP://HOST/", kPathHttp},
        {"[http]\\host", kPathHttp},
        {"[http]", kPathHttp},               // a prefix without a backslash is the whole text
        {"https://host/updater/app", kPathHttps},
        {"HttpS://host", kPathHttps},
        {"[https]\\host", kPathHttps},
        {"c:\\program files\\app", kPathLocal},  // the scheme "c" is no kind
        {"c:/program files/app", kPathSsl},      // a slash after the drive: the ":/" rule
        {"relative\\folder", kPathLocal},
        {"", kPathLocal},
        {"\\single", kPathLocal},
        {"httpx://host", kPathSsl},          // an unknown scheme with ":/"
        {"mailto:someone", kPathLocal},
        {"[web]\\x", kPathLocal},
        {"http", kPathLocal},                // no colon: no scheme
    };
    for (const KindCase& c : cases) {
        EXPECT_EQ(PathKind(StrFromLiteral(c.path)), c.kind) << c.path;
    }
}

TEST(PathKindTest, ErrorValueIsLocal) {
    EXPECT_EQ(PathKind(StrErr(kErrBadInput)), kPathLocal);
}

TEST(PathKindTest, LooksOnlyAtTheGivenLength) {
    // "http:" followed by bytes past the length must not count.
    const char text[] = "httpsXXX://";
    EXPECT_EQ(PathKind(StrMake(text, 4)), kPathLocal);
}

}  // namespace
}  // namespace rt
