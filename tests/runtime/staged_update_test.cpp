// The all-or-nothing update: a commit that fails at any rename leaves every old file, one that
// succeeds every new file with its backup; a journal a killed run left rolls forward; nothing of
// the program's patterns stays either way.
#include "tests/runtime/fs_test_support.h"

#include <algorithm>
#include <vector>

#include "runtime/fs.h"
#include "runtime/journal.h"
#include "runtime/errors.h"
#include "runtime/staged_update.h"
#include "runtime/streams.h"

namespace rt_test {
namespace {

namespace fs = std::filesystem;

const char* const kNames[] = {"a.dll", "sub/b.exe", "c.txt"};

// Every file below the working folder but the log, with its bytes: "name=bytes;" sorted.
std::string Tree() {
    std::vector<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(fs::current_path())) {
        if (!e.is_regular_file() || e.path().filename() == "log.txt") continue;
        std::ifstream in(e.path(), std::ios::binary);
        all.push_back(fs::relative(e.path()).generic_string() + "=" +
                      std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
    std::sort(all.begin(), all.end());
    std::string out;
    for (const auto& s : all) out += s + ";";
    return out;
}

class StagedUpdateTest : public FsTest {
protected:
    void SetUp() override {
        FsTest::SetUp();
        fs::create_directories("sub");
        for (const char* n : kNames)
            if (std::string(n) != "c.txt") Put(n, std::string("old ") + n);  // c.txt is new
    }
    void TearDown() override {
        rt::SetFsSeams({});
        FsTest::TearDown();
    }
    // Stages the new version of every name in update.
    void StageAll(rt::StagedUpdate& update) {
        rt::StagingScope scope(update);
        for (const char* n : kNames) {
            rt::ReplacementFile file;
            std::string target = Dir() + "\\" + n;
            std::replace(target.begin(), target.end(), '/', '\\');
            ASSERT_EQ(rt::BeginStaged(file, V(target), rt::kStagePrefix), 0);
            const std::string bytes = std::string("new ") + n;
            uint32_t put = 0;
            ASSERT_EQ(file.file().Write(bytes.data(), static_cast<uint32_t>(bytes.size()), &put), 0);
            ASSERT_EQ(update.Stage(file), 0);
        }
    }
    const std::string kOld = "a.dll=old a.dll;sub/b.exe=old sub/b.exe;";
    const std::string kNew = "a.dll=new a.dll;c.txt=new c.txt;sub/b.exe=new sub/b.exe;";
};

int gReplaces = 0;
int gFailAt = 0;
rt::ErrCode FailNthReplace(rt::FsFaultPoint point, const char*) {
    return point == rt::kFaultReplace && ++gReplaces == gFailAt ? rt::kErrPermission : 0;
}

// The commit's renames and links are numbered; failing each in turn (the journal's own rename
// first) must leave the old folder or, where a rename can stand in for a failed link, the new one.
TEST_F(StagedUpdateTest, ACommitIsAllOrNothingAtEveryRename) {
    int total = 0;  // the renames and links of a commit nothing fails
    for (gFailAt = 1; total == 0 || gFailAt <= total; ++gFailAt) {
        SetUp();
        fs::remove("c.txt");
        gReplaces = 0;
        rt::ErrCode err;
        {
            rt::StagedUpdate update(V(Dir()), rt::kBackupOff);
            StageAll(update);
            ASSERT_EQ(Get("a.dll") + Get("sub/b.exe") + Get("c.txt"), "old a.dllold sub/b.exe")
                << "staging changes nothing in place";
            rt::SetFsSeams({FailNthReplace});
            err = update.Commit();
            rt::SetFsSeams({});
            EXPECT_EQ(Tree(), err ? kOld : kNew) << "failing rename " << gFailAt;
        }
        EXPECT_EQ(Tree(), err ? kOld : kNew) << "failing rename " << gFailAt;
        if (err == 0 && gReplaces < gFailAt) total = gReplaces;
        ASSERT_LT(gFailAt, 40);
    }
    EXPECT_GT(total, 4) << "the journal and two files each need renames";
    EXPECT_FALSE(Exists(rt::kStagingFolder));
}

// Staged files wait in folders of kStagingBucket files: the last file of the third one, bound
// for a subfolder the target lacks, goes in with the others, and the staging folders go.
TEST_F(StagedUpdateTest, ManyFilesStageInBucketsAndNewSubfoldersAreMade) {
    const uint32_t count = 2 * rt::kStagingBucket + 1;
    {
        rt::StagedUpdate update(V(Dir()), rt::kBackupOff);
        rt::StagingScope scope(update);
        for (uint32_t i = 0; i < count; ++i) {
            const std::string name = (i + 1 == count ? "fresh\\f" : "f") + std::to_string(i);
            rt::ReplacementFile file;
            ASSERT_EQ(rt::BeginStaged(file, V(Dir() + "\\" + name), rt::kStagePrefix), 0);
            EXPECT_NE(std::string(file.path()).find(std::string(rt::kStagingFolder) + "\\" + (i < 64 ? "0" : i < 128 ? "1" : "2")),
                      std::string::npos) << file.path();
            ASSERT_EQ(update.Stage(file, 0), 0);
        }
        ASSERT_EQ(update.Commit(), 0);
    }
    EXPECT_TRUE(Exists("f0") && Exists("f127") && Exists("fresh/f128"));
    EXPECT_FALSE(Exists(rt::kStagingFolder));
}

// The room for what will be staged is looked at before anything is: an impossible need is
// refused with the folder and both sizes, a small one passes.
TEST_F(StagedUpdateTest, RoomIsCheckedBeforeStaging) {
    rt::StagedUpdate update(V(Dir()), rt::kBackupOff);
    EXPECT_EQ(update.CheckRoom(4096), 0);
    EXPECT_EQ(update.CheckRoom(4096, uint64_t{1} << 60), rt::kErrFileIo) << "the backups count too";
    EXPECT_EQ(update.CheckRoom(uint64_t{1} << 60), rt::kErrFileIo);
    EXPECT_EQ(Str(rt::ErrorDetail()).rfind(Dir() + " (disk full: the update needs 1152921504607895552 bytes, ", 0), 0u)
        << Str(rt::ErrorDetail());
}

// A killed commit leaves its journal: the next start finishes it, whichever files were already
// in place, and removes the leftovers of the program's patterns.
TEST_F(StagedUpdateTest, AJournalLeftByAKilledRunRollsForward) {
    for (int inPlace = 0; inPlace <= 4; ++inPlace) {
        for (const char* n : kNames)
            if (std::string(n) != "c.txt") Put(n, std::string("old ") + n);
        fs::remove("c.txt");
        std::string journal;
        int k = 0;
        for (const char* n : kNames) {
            const std::string staged = (fs::path(n).parent_path() / ("~kv00000000000" + std::to_string(k) + ".tmp")).string();
            const std::string aside = (fs::path(n).parent_path() / ("~kvo00000000000" + std::to_string(k) + ".tmp")).string();
            if (k < inPlace && inPlace < 4) {
                if (Exists(n)) fs::rename(n, aside);
                Put(n, std::string("new ") + n);
            } else {
                Put(staged, std::string("new ") + n);
            }
            journal += staged + "\t" + n + "\t" + aside + "\r\n";
            ++k;
        }
        Put(rt::kJournalName, journal);
        // Row 4: c.txt held open, the rest of the journal done; the next start finishes it.
        gFailAt = inPlace == 4 ? 1 : 0;
        rt::SetFsSeams({[](rt::FsFaultPoint p, const char* path) -> rt::ErrCode {
            return p == rt::kFaultReplace && gFailAt && std::string(path).find("c.txt") != std::string::npos
                       ? rt::kErrPermission : 0;
        }});
        uint32_t finished = 0;
        EXPECT_EQ(rt::RecoverFolder(V(Dir()), &finished), gFailAt ? rt::kErrFileIo : 0) << inPlace;
        rt::SetFsSeams({});
        EXPECT_EQ(finished, static_cast<uint32_t>(inPlace == 4 ? 2 : 3 - inPlace)) << inPlace;
        if (inPlace == 4) {
            EXPECT_EQ(Str(rt::ErrorDetail()), Dir() + "\\c.txt");
            EXPECT_TRUE(Exists(rt::kJournalName) && !Exists("c.txt"));
            EXPECT_EQ(rt::RecoverFolder(V(Dir()), &finished), 0);
        }
        EXPECT_EQ(Tree(), kNew) << inPlace;
    }
}

// Recovery renames only the commit's own files inside the folder: a planted journal naming paths
// outside it, or through a link out of it, is logged and touches nothing; the commit's own lines
// beside it are done. The sweep leaves a subfolder whose lock another run holds.
TEST_F(StagedUpdateTest, RecoveryActsOnlyOnTheCommitsOwnFilesInsideTheFolder) {
    fs::create_directories("out");
    fs::create_directories("sub/held");
#ifndef _WIN32  // Wine makes no symbolic link; there the entry names a folder that is not there
    fs::create_symlink(fs::absolute("out"), "sub/link");
#endif
    Put("out/victim", "v");
    Put("out/~kv000000000001.tmp", "x");
    Put("sub/~kv000000000002.tmp", "new sub/b.exe");
    Put("sub/held/~kv000000000003.tmp", "y");
    const rt::FolderLock other(V(Dir() + "\\sub\\held"));
    Put(std::string("sub/") + rt::kJournalName,
        "../out/~kv000000000001.tmp\t../out/victim\t../out/~kvo000000000001.tmp\r\n"
        "link/~kv000000000001.tmp\tlink/victim\tlink/~kvo000000000001.tmp\r\n"
        "~kv000000000002.tmp\tb.exe\t~kvo000000000002.tmp\r\n");
    EXPECT_EQ(rt::RecoverFolder(V(Dir() + "\\sub")), 0);
    EXPECT_EQ(Tree(), "a.dll=old a.dll;out/victim=v;out/~kv000000000001.tmp=x;sub/b.exe=new sub/b.exe;"
                      "sub/held/~kv000000000003.tmp=y;sub/held/~kvlock.tmp=;");
}

// Each rule of the journal's lines: the commit's own are taken, any other refused.
TEST(JournalTest, OnlyTheCommitsOwnEntriesAreTaken) {
    const struct { const char *staged, *target, *aside; bool ok; } rows[] = {
        {"~kvstage\\0\\~kv0123456789ab.tmp", "a.dll", "~kvstage\\0\\~kvo0123456789ab.tmp", true},
        {"~kvstage\\1f\\~kv0123456789ab.tmp", "s\\t\\b.exe", "~kvstage\\1f\\~kvo0123456789ab.tmp", true},
        {"s\\~kc0123456789ab.tmp", "s/b.exe", "s\\~kvo0123456789ab.tmp", true},
        {"~kvstage\\0\\~kv0123456789ab.tmp", "..\\a.dll", "~kvstage\\0\\~kvo0123456789ab.tmp", false},
        {"~kvstage\\0\\~kv0123456789ab.tmp", "\\a.dll", "~kvstage\\0\\~kvo0123456789ab.tmp", false},
        {"~kvstage\\0\\~kv0123456789ab.tmp", "C:\\a.dll", "~kvstage\\0\\~kvo0123456789ab.tmp", false},
        {"~kvstage\\0\\~kv0123456789ab.tmp", "a.dll.", "~kvstage\\0\\~kvo0123456789ab.tmp", false},
        {"~kvstage\\0\\~kv0123456789ab.tmp", "~KVLOCK.TMP", "~kvstage\\0\\~kvo0123456789ab.tmp", false},
        {"~kvstage\\0\\~kv0123456789ab.tmp", "a.dll", "~kvstage\\0\\~kvo0123456789ac.tmp", false},
        {"~kvstage\\0\\~kv0123456789a.tmp", "a.dll", "~kvstage\\0\\~kvo0123456789a.tmp", false},
        {"~kvstage\\0\\~kv0123456789aB.tmp", "a.dll", "~kvstage\\0\\~kvo0123456789aB.tmp", false},
        {"~kvstage\\0\\kvd0123456789ab.tmp", "a.dll", "~kvstage\\0\\~kvoc0123456789ab.tmp", false},
        {"~kvstage\\g\\~kv0123456789ab.tmp", "a.dll", "~kvstage\\g\\~kvo0123456789ab.tmp", false},
        {"~kvstage\\123456789\\~kv0123456789ab.tmp", "a.dll", "~kvstage\\123456789\\~kvo0123456789ab.tmp", false},
        {"~kvstage\\12345678\\~kv0123456789ab.tmp", "a.dll", "~kvstage\\12345678\\~kvo0123456789ab.tmp", true},
        {"t\\~kv0123456789ab.tmp", "s\\b.exe", "t\\~kvo0123456789ab.tmp", false},
    };
    for (const auto& r : rows) EXPECT_EQ(rt::JournalEntryInside({r.staged, r.target, r.aside}), r.ok) << r.staged << " " << r.target;
    std::vector<rt::JournalEntry> taken;
    std::vector<uint32_t> refused;
    EXPECT_FALSE(rt::ParseJournal(std::string(rt::kJournalMaxBytes + 1, 'x'), &taken, &refused));
    EXPECT_TRUE(rt::ParseJournal(std::string(rt::kJournalMaxBytes, 'x'), &taken, &refused));
    EXPECT_EQ(refused, std::vector<uint32_t>{1});
}

}  // namespace
}  // namespace rt_test
