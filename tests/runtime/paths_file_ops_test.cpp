// Tests of existence checks, folder chains, deleting by pattern, finding in folders and removal.
#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/paths.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;
namespace fs = std::filesystem;

class FileOpsTest : public rt_test::FsTest {};

TEST_F(FileOpsTest, PathExists) {
    Put("a.txt", "x");
    fs::create_directory("sub");
    EXPECT_EQ(rt::PathExists(T("a.txt")), 0);
    EXPECT_EQ(rt::PathExists(T("sub")), 0);
    EXPECT_EQ(rt::PathExists(T("missing.txt")), rt::kErrFileNotFound);
    EXPECT_EQ(rt::PathExists(T("missing\\a.txt")), rt::kErrFileNotFound);
    EXPECT_EQ(rt::PathExists(T("")), rt::kErrFileNotFound);
    EXPECT_EQ(rt::PathExists(rt::StrErr(150)), 150);
}

TEST_F(FileOpsTest, MakeDirsCreatesMissingParents) {
    EXPECT_EQ(Disciplined([] { return rt::MakeDirs(T("a\\b\\c")); }), 0);
    EXPECT_TRUE(fs::is_directory("a/b/c"));
    EXPECT_EQ(rt::MakeDirs(T("a\\b\\c")), 0) << "an existing folder is fine";
    EXPECT_EQ(rt::MakeDirs(T("a\\d\\")), 0);
    EXPECT_TRUE(fs::is_directory("a/d"));
    EXPECT_EQ(rt::MakeDirs(rt::PathJoin(rt_test::V(Dir()), T("x\\y"))), 0);
    EXPECT_TRUE(fs::is_directory("x/y"));
}

TEST_F(FileOpsTest, MakeDirsRefusesRootsAndEmptyPaths) {
    for (const char* p : {"", "C:", "C:\\", "\\"}) {
        SCOPED_TRACE(p);
        rt::RecordError(0, 0);
        EXPECT_EQ(rt::MakeDirs(T(p)), rt::kErrBadInput);
    }
}

TEST_F(FileOpsTest, MakeDirsFailsUnderAFile) {
    Put("plain", "x");
    EXPECT_EQ(rt::MakeDirs(T("plain\\sub\\deeper")), rt::kErrPermission);
    EXPECT_FALSE(fs::exists("plain/sub"));
}

TEST_F(FileOpsTest, DeleteOneFile) {
    Put("a.txt", "x");
    EXPECT_EQ(rt::DeleteFiles(T("a.txt"), false), 0);
    EXPECT_FALSE(Exists("a.txt"));
    EXPECT_EQ(rt::DeleteFiles(T("a.txt"), false), rt::kErrFileNotFound);
    EXPECT_EQ(rt::RemoveFile(T("a.txt")), rt::kErrFileNotFound);
}

TEST_F(FileOpsTest, DeleteByPattern) {
    fs::create_directory("d");
    for (const char* n : {"d/a.txt", "d/b.TXT", "d/c.log", "d/noext", "d/keep.txt.bak"}) Put(n, "x");
    fs::create_directory("d/folder.txt");
    EXPECT_EQ(Disciplined([] { return rt::DeleteFiles(T("d\\*.txt"), false); }), 0);
    EXPECT_FALSE(Exists("d/a.txt"));
    EXPECT_FALSE(Exists("d/b.TXT")) << "patterns ignore case";
    EXPECT_TRUE(Exists("d/c.log"));
    EXPECT_TRUE(Exists("d/keep.txt.bak"));
    EXPECT_TRUE(fs::is_directory("d/folder.txt")) << "folders are not files to delete";
}

TEST_F(FileOpsTest, DeleteEverythingWithAnExtension) {
    fs::create_directory("d");
    for (const char* n : {"d/a.txt", "d/c.log", "d/noext"}) Put(n, "x");
    EXPECT_EQ(rt::DeleteFiles(T("d\\*.*"), true), 0);
    EXPECT_FALSE(Exists("d/a.txt"));
    EXPECT_FALSE(Exists("d/c.log"));
    EXPECT_TRUE(Exists("d/noext"));
    EXPECT_EQ(rt::DeleteFiles(T("d\\*.*"), false), 0);
    EXPECT_FALSE(Exists("d/noext"));
    EXPECT_EQ(rt::DeleteFiles(T("d\\?.txt"), false), 0) << "no match is no failure";
    EXPECT_EQ(rt::DeleteFiles(T("nofolder\\*.txt"), false), rt::kErrFileNotFound);
}

TEST_F(FileOpsTest, FindInFolders) {
    fs::create_directory("one");
    fs::create_directory("two");
    Put("two/f.txt", "2");
    Put("here.txt", "h");
    EXPECT_EQ(Str(Disciplined([] { return rt::FindInFolders(T("one,two"), T("f.txt")); })), "two\\f.txt");
    EXPECT_EQ(Str(rt::FindInFolders(T("one,two"), T("C:\\elsewhere\\f.txt"))), "two\\f.txt");
    EXPECT_EQ(Str(rt::FindInFolders(T("one,two"), T("here.txt"))), "here.txt");
    Put("one/f.txt", "1");
    EXPECT_EQ(Str(rt::FindInFolders(T("one,two"), T("f.txt"))), "one\\f.txt");
    EXPECT_EQ(Str(rt::FindInFolders(T("one,two"), T("none.txt"))), "");
    EXPECT_EQ(Str(rt::FindInFolders(T(""), T("none.txt"))), "");
}

}  // namespace
