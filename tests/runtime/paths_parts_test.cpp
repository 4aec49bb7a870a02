// Tests of path parts, joining, resolving, extensions and wildcards.
#include <gtest/gtest.h>

#include "runtime/paths.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;

class PathPartTest : public rt_test::FsTest {};

struct PartCase {
    const char* path;
    uint16_t bits;
    int mode;
    const char* expected;
};

TEST_F(PathPartTest, Table) {
    const PartCase cases[] = {
        {"C:\\a\\b\\file.txt", 1, 0, "C:"},
        {"C:\\a\\b\\file.txt", 2, 0, "\\a\\b"},
        {"C:\\a\\b\\file.txt", 3, 0, "C:\\a\\b"},
        {"C:\\a\\b\\file.txt", 4, 0, "file"},
        {"C:\\a\\b\\file.txt", 8, 0, "txt"},
        {"C:\\a\\b\\file.txt", 12, 0, "file.txt"},
        {"C:\\a\\b\\file.txt", 6, 0, "\\a\\b\\file"},
        {"C:\\a\\b\\file.txt", 14, 0, "\\a\\b\\file.txt"},
        {"C:\\a\\b\\file.txt", 15, 0, "C:\\a\\b\\file.txt"},
        {"C:\\a\\b\\file.txt", 7, 0, "C:\\a\\b\\file"},
        {"C:\\a\\b\\file.txt", 0, 0, ""},
        {"C:\\x", 2, 0, "\\"},
        {"C:\\x", 3, 0, "C:\\"},
        {"C:\\x", 7, 0, "C:\\x"},
        {"C:\\a.b\\file", 8, 0, ""},
        {"C:\\a.b\\file", 12, 0, "file"},
        {"\\x.txt", 2, 0, "\\"},
        {"x.txt", 3, 0, ""},
        {"x.txt", 12, 0, "x.txt"},
        {"D:b.txt", 1, 0, "D:"},
        {"D:b.txt", 2, 0, ""},
        {"D:b.txt", 12, 0, "b.txt"},
        {"D:b.txt", 5, 0, "D:b"},
        {"a\\b\\", 2, 0, "a\\b"},
        {"a\\b\\", 4, 0, ""},
        {"a\\b\\", 6, 0, "a\\b\\"},
        {"C:\\dir\\.profile", 4, 0, ".profile"},
        {"C:\\dir\\.profile", 8, 0, ""},
        {"C:\\dir\\..", 12, 0, ".."},
        {"C:\\dir\\.", 12, 0, "."},
        {"C:\\dir\\..", 8, 0, ""},
        {"C:\\dir\\a.tar.gz", 4, 0, "a.tar"},
        {"C:\\dir\\a.tar.gz", 8, 0, "gz"},
        {"C:\\dir\\name.", 12, 0, "name"},
        {"C:/a/b/file.txt", 2, 1, "/a/b"},
        {"C:/a/b/file.txt", 6, 1, "/a/b/file"},
        {"C:/a/b/file.txt", 2, 0, ""},
        {"C:/x", 2, 1, "/"},
        {"", 15, 0, ""},
    };
    for (const PartCase& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " bits " + std::to_string(c.bits));
        EXPECT_EQ(Str(Disciplined([&] { return rt::PathPart(T(c.path), c.bits, c.mode); })), c.expected);
    }
}

TEST_F(PathPartTest, SinglePartsArePiecesOfThePath) {
    rt::StrRef path = T("C:\\a\\b\\file.txt");
    const uint16_t before = rt::PoolMark();
    for (uint16_t bits : {1, 2, 4, 8, 12}) {
        rt::StrRef part = rt::PathPart(path, bits);
        EXPECT_TRUE(part.ptr >= path.ptr && part.ptr + part.len <= path.ptr + path.len) << bits;
    }
    EXPECT_EQ(rt::PoolMark(), before);
}

TEST_F(PathPartTest, ErrorValuePassesThrough) {
    EXPECT_EQ(rt::StrError(rt::PathPart(rt::StrErr(150), 3)), 150);
    EXPECT_EQ(rt::StrError(rt::PathJoin(rt::StrErr(151), T("x"))), 151);
    EXPECT_EQ(rt::StrError(rt::PathJoin(T("x"), rt::StrErr(152))), 152);
    EXPECT_EQ(rt::StrError(rt::PathResolve(rt::StrErr(153), T("x"))), 153);
}

struct JoinCase {
    const char* base;
    const char* name;
    int mode;
    const char* expected;
};

TEST_F(PathPartTest, JoinRawTable) {
    const JoinCase cases[] = {
        {"C:\\a", "b.txt", 0, "C:\\a\\b.txt"},
        {"C:\\a\\", "b.txt", 0, "C:\\a\\b.txt"},
        {"C:\\a", "\\b.txt", 0, "\\b.txt"},
        {"C:\\a", "D:b.txt", 0, "D:b.txt"},
        {"C:", "b.txt", 0, "C:b.txt"},
        {"", "b.txt", 0, "b.txt"},
        {"C:\\a", "", 0, "C:\\a\\"},
        {"C:\\a", "sub\\b.txt", 0, "C:\\a\\sub\\b.txt"},
        {"C:\\a\\b", "..\\c.txt", 0, "C:\\a\\c.txt"},
        {"C:\\a\\b", "..\\..\\c.txt", 0, "C:\\c.txt"},
        {"C:/a", "b.txt", 1, "C:/a/b.txt"},
        {"C:/a/", "b.txt", 1, "C:/a/b.txt"},
        {"C:/a", "/b.txt", 1, "/b.txt"},
    };
    for (const JoinCase& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " + " + c.name);
        EXPECT_EQ(Str(Disciplined([&] { return rt::PathJoinRaw(T(c.base), T(c.name), c.mode); })), c.expected);
    }
}

TEST_F(PathPartTest, JoinTurnsSlashesIntoBackslashes) {
    EXPECT_EQ(Str(rt::PathJoin(T("C:/a/b"), T("c/d.txt"))), "C:\\a\\b\\c\\d.txt");
    EXPECT_EQ(Str(rt::PathJoin(T("C:\\a"), T("/d.txt"))), "\\d.txt");
}

TEST_F(PathPartTest, ResolveTable) {
    const JoinCase cases[] = {
        {"C:\\a\\b", "..\\..\\c", 0, "C:\\c"},
        {"C:\\a\\b", "..\\c", 0, "C:\\a\\c"},
        {"C:\\a\\b", "..", 0, "C:\\a\\"},
        {"C:\\a\\b", "c", 0, "C:\\a\\b\\c"},
        {"C:\\a\\b", ".\\c", 0, "C:\\a\\b\\c"},
        {"C:\\a", "..\\..\\..\\c", 0, "C:\\c"},
        {"C:\\a\\b", "..\\data", 0, "C:\\a\\data"},
        {"", "Help", 0, "Help"},
        {"C:\\a\\b", "D:\\x", 0, "D:\\x"},
    };
    for (const JoinCase& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " + " + c.name);
        EXPECT_EQ(Str(Disciplined([&] { return rt::PathResolve(T(c.base), T(c.name)); })), c.expected);
    }
}

TEST_F(PathPartTest, ExtensionAndWildcard) {
    EXPECT_EQ(Str(rt::WithExtension(T("C:\\a\\file"), T("txt"))), "C:\\a\\file.txt");
    EXPECT_EQ(Str(rt::WithExtension(T("file"), T(""))), "file");
    EXPECT_EQ(Str(rt::WithWildcard(T("C:\\a"), true)), "C:\\a\\*.*");
    EXPECT_EQ(Str(rt::WithWildcard(T("C:\\a\\"), true)), "C:\\a\\*.*");
    EXPECT_EQ(Str(rt::WithWildcard(T("C:\\a"), false)), "C:\\a");
}

TEST_F(PathPartTest, LongestJoinIsRefused) {
    std::string base(30000, 'a');
    std::string name(3000, 'b');
    EXPECT_EQ(rt::StrError(rt::PathJoin(rt_test::V(base), rt_test::V(name))), rt::kErrOutOfMemory);
}

}  // namespace
