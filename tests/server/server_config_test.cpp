// Loading what a server publishes: a users setting that is given must be a users file.
#include <gtest/gtest.h>

#include <string>

#include "server/server_config.h"
#include "tests/server/server_test_support.h"

using namespace rt;

TEST(ServerConfigTest, UsersSettingGivenButUnusableRefusesToServe) {
    server_test::ScratchDir dir;
    dir.MakeFolder("root");
    dir.MakeFolder("folder");
    dir.Write("users.txt", "ana:pw:app\n");
    dir.Write("blank.txt", "");
    const std::string root = dir / "root";
    struct Case { const char* users; ErrCode err; bool restricted; };
    const Case cases[] = {
        {nullptr, 0, false},     // no users file: every folder public
        {"users.txt", 0, true},
        {"blank.txt", 0, true},  // a file without users: nothing is public
        {"", 163, false},        // an empty setting (KELVANE_USERS= or --users '')
        {"missing.txt", 164, false},
        {"folder", 164, false},  // cannot be read as a file
    };
    for (const Case& c : cases) {
        const std::string users = c.users && *c.users ? dir / c.users : std::string(c.users ? "" : "-");
        ServerConfig config;
        std::string why;
        const ErrCode err = LoadServerConfig(root.c_str(), c.users ? users.c_str() : nullptr, &config, &why);
        EXPECT_EQ(err, c.err) << (c.users ? c.users : "(none)");
        EXPECT_EQ(config.users.restricted, c.restricted) << (c.users ? c.users : "(none)");
        EXPECT_EQ(why.empty(), err == 0) << why;
    }
}
