// Tests of existence checks, folder chains, deleting by pattern, finding in folders and removal.
#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/paths.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::L;
using rt_test::S;
namespace fs = std::filesystem;

class FileOpsTest : public rt_test::FsTest {};

TEST_F(FileOpsTest, PathExists) {
    Put("a.txt", "x");
    fs::create_directory("sub");
    EXPECT_EQ(rt::PathExists(L("a.txt")), 0);
    EXPECT_EQ(rt::PathExists(L("sub")), 0);
    EXPECT_EQ(rt::PathExists(L("missing.txt")), rt::kErrFileNotFound);
    EXPECT_EQ(rt::PathExists(L("missing\\a.txt")), rt::kErrFileNotFound);
    EXPECT_EQ(rt::PathExists(L("")), rt::kErrFileNotFound);
    EXPECT_EQ(rt::PathExists(rt::StrErr(150)), 150);
}

TEST_F(FileOpsTest, MakeDirsCreatesMissingParents) {
    EXPECT_EQ(Disciplined([] { return rt::MakeDirs(L("a\\b\\c")); }), 0);
    EXPECT_TRUE(fs::is_directory("a/b/c"));
    EXPECT_EQ(rt::MakeDirs(L("a\\b\\c")), 0) << "an existing folder is fine";
    EXPECT_EQ(rt::MakeDirs(L("a\\d\\")), 0);
    EXPECT_TRUE(fs::is_directory("a/d"));
    EXPECT_EQ(rt::MakeDirs(rt::PathJoin(rt_test::V(Dir()), L("x\\y"))), 0);
    EXPECT_TRUE(fs::is_directory("x/y"));
}

TEST_F(FileOpsTest, MakeDirsRefusesRootsAndEmptyPaths) {
    for (const char* p : {"", "C:", "C:\\", "\\"}) {
        SCOPED_TRACE(p);
        rt::RecordError(0, 0);
        EXPECT_EQ(rt::MakeDirs(L(p)), rt::kErrBadInput);
    }
}

TEST_F(FileOpsTest, MakeDirsFailsUnderAFile) {
    Put("plain", "x");
    EXPECT_EQ(rt::MakeDirs(L("plain\\sub\\deeper")), rt::kErrPermission);
    EXPECT_FALSE(fs::exists("plain/sub"));
}

TEST_F(FileOpsTest, DeleteOneFile) {
    Put("a.txt", "x");
    EXPECT_EQ(rt::DeleteFiles(L("a.txt"), false), 0);
    EXPECT_FALSE(Exists("a.txt"));
    EXPECT_EQ(rt::DeleteFiles(L("a.txt"), false), rt::kErrFileNotFound);
    EXPECT_EQ(rt::RemoveFile(L("a.txt")), rt::kErrFileNotFound);
}

TEST_F(FileOpsTest, DeleteByPattern) {
    fs::create_directory("d");
    for (const char* n : {"d/a.txt", "d/b.TXT", "d/c.log", "d/noext", "d/keep.txt.bak"}) Put(n, "x");
    fs::create_directory("d/folder.txt");
    EXPECT_EQ(Disciplined([] { return rt::DeleteFiles(L("d\\*.txt"), false); }), 0);
    EXPECT_FALSE(Exists("d/a.txt"));
    EXPECT_FALSE(Exists("d/b.TXT")) << "patterns ignore case";
    EXPECT_TRUE(Exists("d/c.log"));
    EXPECT_TRUE(Exists("d/keep.txt.bak"));
    EXPECT_TRUE(fs::is_directory("d/folder.txt")) << "folders are not files to delete";
}

TEST_F(FileOpsTest, DeleteEverythingWithAnExtension) {
    fs::create_directory("d");
    for (const char* n : {"d/a.txt", "d/c.log", "d/noext"}) Put(n, "x");
    EXPECT_EQ(rt::DeleteFiles(L("d\\*.*"), true), 0);
    EXPECT_FALSE(Exists("d/a.txt"));
    EXPECT_FALSE(Exists("d/c.log"));
    EXPECT_TRUE(Exists("d/noext"));
    EXPECT_EQ(rt::DeleteFiles(L("d\\*.*"), false), 0);
    EXPECT_FALSE(Exists("d/noext"));
    EXPECT_EQ(rt::DeleteFiles(L("d\\?.txt"), false), 0) << "no match is no failure";
    EXPECT_EQ(rt::DeleteFiles(L("nofolder\\*.txt"), false), rt::kErrFileNotFound);
}

TEST_F(FileOpsTest, FindInFolders) {
    fs::create_directory("one");
    fs::create_directory("two");
    Put("two/f.txt", "2");
    Put("here.txt", "h");
    EXPECT_EQ(S(Disciplined([] { return rt::FindInFolders(L("one,two"), L("f.txt")); })), "two\\f.txt");
    EXPECT_EQ(S(rt::FindInFolders(L("one,two"), L("C:\\elsewhere\\f.txt"))), "two\\f.txt");
    EXPECT_EQ(S(rt::FindInFolders(L("one,two"), L("here.txt"))), "here.txt");
    Put("one/f.txt", "1");
    EXPECT_EQ(S(rt::FindInFolders(L("one,two"), L("f.txt"))), "one\\f.txt");
    EXPECT_EQ(S(rt::FindInFolders(L("one,two"), L("none.txt"))), "");
    EXPECT_EQ(S(rt::FindInFolders(L(""), L("none.txt"))), "");
}

}  // namespace
