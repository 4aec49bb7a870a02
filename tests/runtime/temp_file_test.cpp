// Temporary files: unique names in the asked folder, never an existing file, an open handle on demand.
#include "tests/runtime/fs_test_support.h"

#include <set>

#include "runtime/temp_file.h"

namespace rt_test {
namespace {

class TempFileTest : public FsTest {};

TEST_F(TempFileTest, ManyFilesGetDistinctNamesInTheFolder) {
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        char path[rt::kTempPathMax];
        ASSERT_EQ(rt::CreateTempFile(V(Dir()), "kvt", path, sizeof path), 0);
        EXPECT_EQ(std::string(path).rfind(Dir(), 0), 0u) << path;
        EXPECT_TRUE(names.insert(path).second) << "name given twice: " << path;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::current_path()), std::filesystem::directory_iterator()), 50);
}

TEST_F(TempFileTest, TheOpenHandleWritesTheNewFile) {
    char path[rt::kTempPathMax];
    rt::FsFile file;
    ASSERT_EQ(rt::CreateTempFile(V(Dir()), "kvt", path, sizeof path, &file), 0);
    uint32_t put = 0;
    ASSERT_EQ(file.Write("body", 4, &put), 0);
    file.Close();
    std::string native = path;
    for (char& c : native)
        if (c == '\\') c = static_cast<char>(std::filesystem::path::preferred_separator);
    EXPECT_EQ(Get(native), "body");
}

TEST_F(TempFileTest, APathThatDoesNotFitIsRefusedAndLeavesNothing) {
    char small[8];
    EXPECT_EQ(rt::CreateTempFile(V(Dir()), "kvt", small, sizeof small), rt::kErrOutOfMemory);
    EXPECT_EQ(small[0], '\0');
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::current_path()), std::filesystem::directory_iterator()), 0);
}

// The longest path and the longest name the system takes, from both sides: refused by the
// replacement itself with the reason, since not every system names it.
TEST_F(TempFileTest, AReplacementTakesTheLongestPathAndNameTheSystemTakes) {
    const std::string folder = Dir() + "\\";
    // The name that makes the whole path kMaxPathLength - 1 long.
    const size_t fill = rt::kMaxPathLength - 1 - folder.size();
    ASSERT_LT(fill, rt::kMaxNameLength);
    const struct { std::string target; rt::ErrCode want; } cases[] = {
        {folder + std::string(fill, 'p'), 0},
        {folder + std::string(fill + 1, 'p'), rt::kErrFileIo},
        {folder + "sub\\" + std::string(rt::kMaxNameLength, 'n'), rt::kErrFileIo},  // the path is too long too
        {std::string(rt::kMaxNameLength, 'n'), 0},                                   // in the working folder
        {std::string(rt::kMaxNameLength + 1, 'n'), rt::kErrFileIo},
    };
    for (const auto& c : cases) {
        rt::ReplacementFile file;
        rt::FsNoteFailure("");
        EXPECT_EQ(file.Begin(V(c.target)), c.want) << c.target.size();
        EXPECT_STREQ(rt::FsFailureReason(), c.want ? rt::kFsReasonNameTooLong : "") << c.target.size();
    }
}

TEST_F(TempFileTest, AMissingFolderGives131) {
    char path[rt::kTempPathMax];
    EXPECT_EQ(rt::CreateTempFile(V(Dir() + "\\no\\such"), "kvt", path, sizeof path), rt::kErrFileIo);
}

// A run killed half-way leaves its temporary files; the next run removes those of this program's
// own pattern once they are older than any live run, and nothing else.
TEST_F(TempFileTest, StaleOwnTemporaryFilesAreRemovedAndNothingElse) {
    namespace fs = std::filesystem;
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(72);
    struct Case { const char* name; bool aged; bool removed; };
    const Case cases[] = {
        {"~kv0123456789ab.tmp", true, true},
        {"kvh00000000ffff.tmp", true, true},
        {"kvd0123456789ab.tmp", false, false},   // a live run's download
        {"kvl0123456789AB.tmp", true, false},    // upper-case digits: not a name this program makes
        {"kvx0123456789ab.tmp", true, false},    // another prefix
        {"~kv0123456789a.tmp", true, false},     // eleven digits
        {"~kv0123456789ab.tmp.bak", true, false},
        {"report.tmp", true, false},
        {"~kv0123456789ab.txt", true, false},
    };
    for (const Case& c : cases) {
        Put(c.name, "left behind");
        if (c.aged) fs::last_write_time(c.name, old);
    }
    EXPECT_EQ(rt::RemoveStaleTempFiles(V(Dir()), 24 * 3600), 2u);
    for (const Case& c : cases) EXPECT_EQ(fs::exists(c.name), !c.removed) << c.name;
    EXPECT_EQ(rt::RemoveStaleTempFiles(V(Dir()), 24 * 3600), 0u);
    EXPECT_EQ(rt::RemoveStaleTempFiles(rt::StrEmpty(), 0), 0u);
}

}  // namespace
}  // namespace rt_test
