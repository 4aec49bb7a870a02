// Published folders and files below the root: normalisation and every way out being refused.
#include <gtest/gtest.h>

#include <string>

#include "server/published_path.h"
#include "tests/server/server_test_support.h"

using namespace rt;
using server_test::ScratchDir;

TEST(ServerNormalizeRelativeTest, Table) {
    struct Case { std::string in; ErrCode err; const char* want; };
    const Case cases[] = {
        {"app", 0, "app"},
        {"app/", 0, "app"},  // the download address adds a '/'
        {"updater/shop/app", 0, "updater/shop/app"},
        {"a\\b", 0, "a/b"},
        {"a//b/./c/", 0, "a/b/c"},
        {"./app", 0, "app"},
        {"", 0, ""},
        {".", 0, ""},
        {"a..b/..c", 0, "a..b/..c"},  // dots inside names are no escape
        {"..", 163, ""},
        {"app/..", 163, ""},
        {"app/../../etc", 163, ""},
        {"app\\..\\x", 163, ""},
        {"/etc", 163, ""},
        {"\\etc", 163, ""},
        {"C:/Windows", 163, ""},
        {"app/x:y", 163, ""},
        {std::string("app\0/x", 6), 163, ""},
        {"app\n", 163, ""},
        {"app\x1f", 163, ""},
    };
    for (const Case& c : cases) {
        std::string got = "untouched";
        EXPECT_EQ(NormalizeRelative(c.in, &got), c.err) << c.in;
        EXPECT_EQ(got, c.err ? "untouched" : c.want) << c.in;
    }
}

TEST(ServerIsInsideTest, Table) {
    struct Case { const char* root; const char* path; bool want; };
    const Case cases[] = {
        {"/srv/pub", "/srv/pub", true},      {"/srv/pub", "/srv/pub/app", true},
        {"/srv/pub", "/srv/public", false},  {"/srv/pub", "/srv", false},
        {"/", "/etc", true},                 {"/srv/pub", "/srv/pu", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsInside(c.root, c.path), c.want) << c.root << " " << c.path;
}

class ServerResolveTest : public testing::Test {
protected:
    void SetUp() override {
        outside_.Write("secret.txt", "secret");
        outside_.MakeFolder("private");
        root_.MakeFolder("app");
        root_.MakeFolder("app/sub");
        root_.Write("app/a.txt", "a");
        root_.Write("app/sub/b.txt", "b");
        root_.MakeFolder("other");
        root_.Write("other/c.txt", "c");
        root_.Link(outside_.path() + "/private", "escape");       // folder link out of the root
        root_.Link(outside_.path() + "/secret.txt", "app/leak.txt");  // file link out of the root
        root_.Link("../other", "app/inner");                      // folder link inside the root
        root_.Link("../other/c.txt", "app/c_link.txt");           // file link inside the root
    }
    ScratchDir root_;
    ScratchDir outside_;
};

TEST_F(ServerResolveTest, Folders) {
    struct Case { const char* path; ErrCode err; const char* rel; };
    const Case cases[] = {
        {"app", 0, "app"},   {"app/", 0, "app"},      {"app/sub", 0, "app/sub"},
        {"", 0, ""},         {"app/inner", 0, "other"},
        {"escape", 163, ""}, {"app/../..", 163, ""},  {"/tmp", 163, ""},
        {"missing", 164, ""}, {"app/a.txt", 164, ""},  // a file is no folder
        {"app/a.txt/x", 164, ""},
    };
    for (const Case& c : cases) {
        std::string got;
        EXPECT_EQ(ResolveFolder(root_.path(), c.path, &got), c.err) << c.path;
        if (c.err == 0) {
            EXPECT_EQ(got, *c.rel ? root_ / c.rel : root_.path()) << c.path;
        }
    }
}

TEST_F(ServerResolveTest, Files) {
    const std::string folder = root_ / "app";
    struct Case { const char* name; ErrCode err; const char* rel; };
    const Case cases[] = {
        {"a.txt", 0, "app/a.txt"},
        {"sub/b.txt", 0, "app/sub/b.txt"},
        {"sub\\b.txt", 0, "app/sub/b.txt"},
        {"c_link.txt", 0, "other/c.txt"},
        {"inner/c.txt", 0, "other/c.txt"},
        {"leak.txt", 163, ""},          // a link that leads out of the root
        {"../other/c.txt", 163, ""},
        {"/etc/passwd", 163, ""},
        {"C:/x.txt", 163, ""},
        {"NUL", 163, ""},               // names the client refuses are refused here too
        {"a.txt.", 163, ""},
        {"", 163, ""},
        {"sub/", 163, ""},
        {"missing.txt", 164, ""},
        {"sub", 164, ""},               // a folder is no file
        {"missing/x.txt", 164, ""},
    };
    for (const Case& c : cases) {
        std::string got;
        EXPECT_EQ(ResolveFile(root_.path(), folder, c.name, &got), c.err) << c.name;
        if (c.err == 0) {
            EXPECT_EQ(got, root_ / c.rel) << c.name;
        }
    }
}

// The file-name check takes a 16-bit length: without the server's own bound a name of 65539
// bytes would be checked as its first 3 ("sub") and then resolve wherever the rest leads, here
// into the folder of another user.
TEST_F(ServerResolveTest, NameLongerThan64KiBIsRefused) {
    const std::string tail = "/../../other/c.txt";
    std::string name = "sub";
    while (name.size() + tail.size() < 65539) name += "/.";
    name += tail;
    ASSERT_EQ(name.size(), 65539u);
    std::string got;
    EXPECT_EQ(ResolveFile(root_.path(), root_ / "app", name, &got), 163);
    EXPECT_EQ(got, "");
}

TEST(ServerRelativeToRootTest, Table) {
    struct Case { const char* root; const char* real; const char* relative; const char* folder; };
    const Case cases[] = {
        {"/srv/pub", "/srv/pub", "", ""},
        {"/srv/pub", "/srv/pub/a.txt", "a.txt", ""},
        {"/srv/pub", "/srv/pub/app/sub/b.txt", "app/sub/b.txt", "app/sub"},
        {"/", "/etc/passwd", "etc/passwd", "etc"},
    };
    for (const Case& c : cases) {
        const std::string relative = RelativeToRoot(c.root, c.real);
        EXPECT_EQ(relative, c.relative) << c.real;
        EXPECT_EQ(FolderOf(relative), c.folder) << c.real;
    }
}
