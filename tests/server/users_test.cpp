// The users file of the update server and the credentials check against what the client sends.
#include <gtest/gtest.h>

#include <string>

#include "runtime/scramble.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "server/credentials_tool.h"
#include "server/users.h"
#include "tests/server/server_test_support.h"

using namespace rt;

namespace {

// The passw value the updater sends: the password as its credentials form stores it.
std::string ClientPassw(const std::string& password, const std::string& user) {
    const PoolMark_t mark = PoolMark();
    const StrRef s = Scramble(StrMake(password.data(), static_cast<uint16_t>(password.size())),
                              StrMake(user.data(), static_cast<uint16_t>(user.size())));
    std::string out = s.ok() ? std::string(s.ptr, s.len) : std::string("?");
    PoolRelease(mark);
    return out;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return s;
}

}  // namespace

TEST(ServerUsersParseTest, AcceptedFile) {
    const std::string text =
        "# users of the update server\r\n"
        "\r\n"
        "ana:s3cret:app,tools/x\r\n"
        "  bob : ~" + ClientPassw("pw:with:colons", "bob") + " : * \n"
        "carl:pw:with:colons:shop\n"
        "*::demo, pub/\n";
    UsersTable t;
    int line = -1;
    const PoolMark_t mark = PoolMark();
    ASSERT_EQ(ParseUsers(text, &t, &line), 0);
    EXPECT_EQ(PoolMark(), mark);
    EXPECT_TRUE(t.restricted);
    ASSERT_EQ(t.users.size(), 3u);
    EXPECT_EQ(t.users[0].name, "ana");
    EXPECT_EQ(t.users[0].scrambled, ClientPassw("s3cret", "ana"));
    ASSERT_EQ(t.users[0].folders.size(), 2u);
    EXPECT_EQ(t.users[0].folders[1], "tools/x");
    EXPECT_EQ(t.users[1].name, "bob");
    EXPECT_EQ(t.users[1].scrambled, ClientPassw("pw:with:colons", "bob"));
    ASSERT_EQ(t.users[1].folders.size(), 1u);
    EXPECT_EQ(t.users[1].folders[0], "") << "'*' is every folder";
    EXPECT_EQ(t.users[2].scrambled, ClientPassw("pw:with:colons", "carl"))
        << "the password runs from the first to the last ':'";
    ASSERT_EQ(t.publicFolders.size(), 2u);
    EXPECT_EQ(t.publicFolders[1], "pub");
}

TEST(ServerUsersParseTest, RefusedLines) {
    struct Case { const char* text; int line; };
    const Case cases[] = {
        {"ana:pw\n", 1},                       // one ':' only
        {"ok:pw:app\nnocolon\n", 2},
        {":pw:app\n", 1},                      // no user
        {"ana::app\n", 1},                     // no password
        {"ana:~:app\n", 1},                    // empty scrambled form
        {"ana:~abc:app\n", 1},                 // odd length
        {"ana:~zz:app\n", 1},                  // not base-32
        {"ana:a:app\n# c\nana:b:app\n", 3},    // a user named twice
        {"*:pw:demo\n", 1},                    // a password for the public folders
        {"ana:pw:../etc\n", 1},                // a folder out of the root
        {"ana:pw:/etc\n", 1},
    };
    for (const Case& c : cases) {
        UsersTable t;
        int line = 0;
        EXPECT_EQ(ParseUsers(c.text, &t, &line), kErrBadInput) << c.text;
        EXPECT_EQ(line, c.line) << c.text;
        EXPECT_FALSE(t.restricted) << "a refused file leaves the table alone";
    }
}

TEST(ServerUsersLoadTest, FileAndMissingFile) {
    server_test::ScratchDir dir;
    dir.Write("users.txt", "ana:pw:app\n");
    UsersTable t;
    int line = 0;
    EXPECT_EQ(LoadUsersFile((dir / "users.txt").c_str(), &t, &line), 0);
    EXPECT_EQ(t.users.size(), 1u);
    EXPECT_EQ(LoadUsersFile((dir / "none.txt").c_str(), &t, &line), kErrFileNotFound);
    dir.Write("big.txt", std::string((1 << 20) + 10, '#'));
    EXPECT_EQ(LoadUsersFile((dir / "big.txt").c_str(), &t, &line), kErrBadInput);
}

TEST(ServerFoldersCoverTest, Table) {
    struct Case { std::vector<std::string> folders; const char* folder; bool want; };
    const Case cases[] = {
        {{"app"}, "app", true},        {{"app"}, "app/sub", true},
        {{"app"}, "apple", false},     {{"app"}, "", false},
        {{"app/sub"}, "app", false},   {{""}, "anything/below", true},
        {{}, "app", false},            {{"x", "app"}, "app/a/b", true},
    };
    for (const Case& c : cases) EXPECT_EQ(FoldersCover(c.folders, c.folder), c.want) << c.folder;
}

TEST(ServerCheckAccessTest, Table) {
    UsersTable t;
    int line = 0;
    ASSERT_EQ(ParseUsers("ana:s3cret:app\nbob:~" + ClientPassw("hunter2", "bob") +
                             ":*\n*::demo\n",
                         &t, &line),
              0);
    const std::string ana = ClientPassw("s3cret", "ana");
    const std::string bob = ClientPassw("hunter2", "bob");
    struct Case { bool hasUser; std::string user; bool hasPassw; std::string passw; const char* folder; ErrCode want; };
    const Case cases[] = {
        {true, "ana", true, ana, "app", 0},
        {true, "ana", true, ana, "app/sub", 0},
        {true, "ana", true, Upper(ana), "app", 0},   // base-32 letters in either case
        {true, "ana", true, ana, "shop", 175},        // not her folder
        {true, "ana", true, "s3cret", "app", 175},    // the plain password is not what is sent
        {true, "ana", true, ana + "00", "app", 175},
        {true, "ana", true, ana.substr(2), "app", 175},
        {true, "ana", true, "", "app", 175},
        {true, "ana", false, "", "app", 175},
        {true, "Ana", true, ana, "app", 175},         // user names are exact
        {true, "bob", true, bob, "shop/x", 0},
        {true, "bob", true, ana, "shop/x", 175},
        {true, "eve", true, ana, "app", 175},
        {false, "", false, "", "app", 175},
        {false, "", false, "", "demo", 0},            // published without users
        {false, "", false, "", "demo/sub", 0},
        {true, "eve", true, "x", "demo", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckAccess(t, c.hasUser, c.user, c.hasPassw, c.passw, c.folder), c.want)
            << c.user << " " << c.passw << " " << c.folder;
    }
    UsersTable open;  // no users file: everything is public
    EXPECT_EQ(CheckAccess(open, false, "", false, "", "app"), 0);
}

// The credentials tool writes what the updater's form saves; what the updater could not read
// back, or a request could not carry, is refused.
TEST(ServerCredentialsToolTest, Table) {
    const std::string u64(kMaxCredentialUser, 'u'), p128(kMaxCredentialPassword, 'p');
    const struct { std::string user, password, want; } cases[] = {
        {" ana\t", " s3cret ", "USER$='ana'\r\nPASSW$='" + ClientPassw("s3cret", "ana") + "'\r\n"},
        {"O'Brien", "pa\"ss", "USER$=\"O'Brien\"\r\nPASSW$='" + ClientPassw("pa\"ss", "O'Brien") + "'\r\n"},
        {u64, p128, "USER$='" + u64 + "'\r\nPASSW$='" + ClientPassw(p128, u64) + "'\r\n"},
        {u64 + "u", "pw", "!the user is longer than 64 bytes"},
        {"ana", p128 + "p", "!the password is longer than 128 bytes"},
        {"ana", " ", "!the password is empty"},
        {"a\x01", "pw", "!the user holds a control character"},
        {"O'B\"x", "pw", "!the user holds both kinds of quote"},
    };
    for (const auto& c : cases) {
        std::string out, why;
        const ErrCode err = CredentialsFileText(c.user, c.password, &out, &why);
        EXPECT_EQ(err ? "!" + why : out, c.want) << c.user;
        EXPECT_EQ(err, c.want[0] == '!' ? kErrBadInput : kOk) << c.user;
    }
    EXPECT_EQ(PasswordLine("s3cret\r\nsecond"), "s3cret");
}
