// Folder synchronisation: the classes, the comparison with its mask, lock file, stops and cancel,
// the folder update end to end on real folders, and the share update through a stand-in router.
#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "net/share.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/params.h"
#include "runtime/scramble.h"
#include "runtime/streams.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"
#include "tests/support/fake_run_ui.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "updater/folder_sync.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::TempDir;
using rt_test::V;
namespace fs = std::filesystem;

FileInfo Info(int32_t date, int32_t time, uint32_t status = 0) {
    FileInfo f;
    f.status = status;
    f.writeDate = date;
    f.writeTime = time;
    return f;
}

// A listing made by hand: names and their records.
struct Listing {
    std::string names;
    std::vector<FileInfo> records;
    FolderListing Get(const std::string& folder) {
        FolderListing l;
        l.folder = V(folder);
        l.names = V(names);
        l.count = static_cast<uint16_t>(records.size());
        l.records = records.data();
        return l;
    }
    void Add(const std::string& name, FileInfo info) {
        if (!records.empty()) names += '\0';
        names += name;
        records.push_back(info);
    }
};

std::vector<std::string> gActions;
std::vector<bool> gPresent;  // whether each action was told that its target exists
ErrCode gActionResult = 0;
ErrCode Record(StrRef root, StrRef name, StrRef target, uint16_t mask, uint16_t verbosity, TransferStatusFn status,
               const FileInfo*, const FileInfo* present) {
    gActions.push_back(Str(root) + "|" + Str(name) + "|" + Str(target) + "|" + std::to_string(mask) + "|" +
                       std::to_string(verbosity) + (status ? "|status" : ""));
    gPresent.push_back(present && present->status == 0);
    return gActionResult;
}

class CompareFoldersTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        gActions.clear();
        gPresent.clear();
        gActionResult = 0;
        source_.Add("new.dll", Info(20240105, 0));
        source_.Add("older.exe", Info(20240101, 0));
        source_.Add("same.txt", Info(20240103, 5000));
        source_.Add("missing.bin", Info(20240103, 0));
        source_.Add("bad", Info(0, 0, 130));
        target_.Add("NEW.DLL", Info(20240104, 0));
        target_.Add("older.exe", Info(20240102, 0));
        target_.Add("same.txt", Info(20240103, 5000));
        target_.Add("only-here.txt", Info(20240103, 0));
    }
    SyncResult Compare(uint16_t mask) {
        return CompareFolders(source_.Get("http://h/list"), target_.Get(dir_.Path()), mask, 50, Record);
    }
    TempDir dir_{"kvcompare"};
    Listing source_, target_;
    rt_test::FakeRunUi ui_;
};

TEST_F(CompareFoldersTest, TheMaskChoosesWhichClassesAreActedOn) {
    SyncResult r = Compare(18);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.count, 2);
    ASSERT_EQ(gActions.size(), 2u);
    // The target was found in its listing ignoring case, and the path joins the target's folder.
    EXPECT_EQ(gActions[0], "http://h/list|new.dll|" + dir_.Path("new.dll") + "|18|32|status");
    EXPECT_EQ(gActions[1], "http://h/list|missing.bin|" + dir_.Path("missing.bin") + "|18|32|status");
    EXPECT_EQ(ui_.Of("progress:"), std::vector<std::string>{"5"});
    EXPECT_EQ(ui_.steps, 5);
    EXPECT_EQ(ui_.Of("close").size(), 1u);

    gActions.clear();
    EXPECT_EQ(Compare(22).count, 3) << "a newer target is replaced too";
    EXPECT_EQ(gActions[1].substr(0, 24), "http://h/list|older.exe|");
    gActions.clear();
    EXPECT_EQ(Compare(0).count, 2) << "mask 0 counts as 18";
}

TEST_F(CompareFoldersTest, ALockFileStopsEverythingAndAnEmptyRootIs163) {
    source_.Add("Locked.On", Info(20240101, 0));
    ReportError(0, StrEmpty());
    EXPECT_EQ(CompareFolders(source_.Get("http://h/cgi-bin/updater?view=12&user=u&passw=SECRET&path=a"),
                             target_.Get(dir_.Path()), 22, 50, Record).code,
              kErrPermission);
    EXPECT_EQ(Str(ErrorDetail()), "locked.on") << "the request address carries the password";
    EXPECT_TRUE(gActions.empty());
    EXPECT_TRUE(ui_.Of("progress:").empty());
    Listing empty;
    EXPECT_EQ(CompareFolders(source_.Get(""), target_.Get(dir_.Path()), 18, 50, Record).code, kErrBadInput);
    EXPECT_EQ(CompareFolders(empty.Get("x"), target_.Get(""), 18, 50, Record).code, kErrBadInput);
}

TEST_F(CompareFoldersTest, ASeriousActionResultOrACancelStopsTheComparison) {
    // Mask 22 gives three entries an action; a result of 122 or more stops after the first, even
    // when nobody pressed cancel.
    const struct { ErrCode result; size_t actions; } cases[] = {
        {kErrUserCanceled - 1, 3}, {kErrUserCanceled, 1}, {kErrTransUp, 1},
    };
    for (const auto& c : cases) {
        gActions.clear();
        gActionResult = c.result;
        SyncResult r = Compare(22);
        EXPECT_EQ(r.code, c.result);
        EXPECT_EQ(r.count, 0);
        EXPECT_EQ(gActions.size(), c.actions) << c.result;
    }

    gActions.clear();
    gActionResult = 0;
    ui_.steps = 0;
    ui_.cancelAfterSteps = 1;
    SyncResult r = Compare(22);
    EXPECT_EQ(r.code, kErrUserCanceled);
    EXPECT_EQ(gActions.size(), 1u) << "the cancel after the first entry";
    EXPECT_EQ(r.count, 1);
}

// Unusable source entries are "DEL" lines in the log when the mask deletes targets, and only
// then: they are what such a run removes.
TEST_F(CompareFoldersTest, OnlyADeletingMaskLogsUnusableEntriesAsDeleted) {
    dir_.Enter();
    SetRunParam(kParamAppName, T("UP:Kelvane"));
    IntSet(kSysTrace, kLogRuntime);
    Compare(kMaskAlsoTargetNewer);
    const std::string log = dir_.Path("UPlog.txt");
    EXPECT_EQ(TempDir::Read(log).find("DEL "), std::string::npos) << TempDir::Read(log);
    gActions.clear();
    Compare(kMaskDeleteTarget);
    IntSet(kSysTrace, 1);
    const std::string lines = TempDir::Read(log);
    EXPECT_EQ(gActions.size(), 1u) << "0x20 alone acts on the unusable entry only";
    const size_t del = lines.find("DEL ");
    ASSERT_NE(del, std::string::npos) << lines;
    EXPECT_EQ(lines.substr(del, lines.find('\r', del) - del), "DEL " + dir_.Path("bad"));
    EXPECT_EQ(lines.find("DEL ", del + 1), std::string::npos) << lines;
}

TEST_F(CompareFoldersTest, ATargetMissingFromItsListingIsReadFromTheDisk) {
    dir_.Write("sub\\deep.txt", "x");
    source_ = Listing{};
    source_.Add("sub\\deep.txt", Info(19990101, 0));
    source_.Add("sub\\gone.txt", Info(19990101, 0));
    SyncResult r = Compare(18);
    EXPECT_EQ(r.count, 1) << "deep.txt exists, newer than the source's 1999";
    ASSERT_EQ(gActions.size(), 1u);
    EXPECT_NE(gActions[0].find("sub\\gone.txt"), std::string::npos);
    // A folder where the source has a file: 131 naming it and why, before anything is fetched.
    source_.Add("sub", Info(20370101, 0));
    EXPECT_EQ(Compare(18).code, kErrFileIo);
    EXPECT_EQ(Str(ErrorDetail()), dir_.Path("sub") + " (a folder of that name is there)");
    EXPECT_EQ(gActions.size(), 2u);
}

// A listing of everything in the folder is trusted for names without a folder part: a file there
// that the listing lacks is not looked for again (the disk is not read), while names in
// subfolders still are. Each action learns whether its target exists.
TEST_F(CompareFoldersTest, ACompleteListingIsTrustedForNamesWithoutAFolder) {
    dir_.Write("ghost.txt", "x");
    dir_.Write("sub\\deep.txt", "x");
    source_ = Listing{};
    source_.Add("ghost.txt", Info(19990101, 0));
    source_.Add("sub\\deep.txt", Info(19990101, 0));
    source_.Add("new.dll", Info(20240105, 0));
    for (bool complete : {false, true}) {
        SCOPED_TRACE(complete);
        gActions.clear();
        gPresent.clear();
        const std::string folder = dir_.Path();
        FolderListing target = target_.Get(folder);
        target.complete = complete;
        SyncResult r = CompareFolders(source_.Get("http://h/list"), target, 18, 50, Record);
        EXPECT_EQ(r.code, 0);
        // Read from the disk, ghost.txt is newer than the source's 1999 and left alone.
        ASSERT_EQ(gActions.size(), complete ? 2u : 1u);
        EXPECT_NE(gActions[0].find(complete ? "|ghost.txt|" : "|new.dll|"), std::string::npos);
        const std::vector<bool> present = complete ? std::vector<bool>{false, true} : std::vector<bool>{true};
        EXPECT_EQ(gPresent, present);
    }
}

void Age(const std::string& path, int hours) {
    fs::last_write_time(TempDir::Native(path), fs::file_time_type::clock::now() - std::chrono::hours(hours));
}

class FolderUpdateTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        dir_.Enter();
        SetRunParam(kParamAppName, T("UP:Kelvane"));
        SetRunParam(kParamAppFolder, V(dir_.Path()));
        SetRunParam(kParamDocsFolder, V(dir_.Path("docs")));
        dir_.Write("src\\new.txt", "new");
        dir_.Write("src\\changed.txt", "changed v2");
        dir_.Write("src\\older.txt", "older in source");
        dir_.Write("dst\\changed.txt", "changed v1");
        dir_.Write("dst\\older.txt", "newer in target");
        dir_.Write("dst\\mine.txt", "only in the target");
        Age(dir_.Path("src\\changed.txt"), 1);
        Age(dir_.Path("dst\\changed.txt"), 3);
        Age(dir_.Path("src\\older.txt"), 5);
        Age(dir_.Path("dst\\older.txt"), 2);
    }
    TempDir dir_{"kvfolder"};
    rt_test::FakeRunUi ui_;
};

TEST_F(FolderUpdateTest, NewerAndMissingFilesAreCopiedWithABackupAndNothingElseIsTouched) {
    SyncResult r = SynchroniseFolders(V(dir_.Path("src")), V(dir_.Path("dst")), 18);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\new.txt")), "new");
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\changed.txt")), "changed v2");
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\older.txt")), "newer in target") << "mask 18 keeps a newer target";
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\mine.txt")), "only in the target");
    uint16_t mark = PoolMark();
    const std::string backup = Str(BackupName(V(dir_.Path("dst\\changed.txt")), kBackupFolder));
    PoolRelease(mark);
    EXPECT_EQ(TempDir::Read(backup), "changed v1");
    const auto statuses = ui_.Of("status:");
    ASSERT_GE(statuses.size(), 4u);
    EXPECT_EQ(statuses[0], std::string(80, ' ')) << "a blank box of a full line comes first";
    EXPECT_EQ(statuses[1], std::string(20, ' ') + "Leyendo Lista de Archivos..." + std::string(20, ' '));
    EXPECT_EQ(statuses[2], "Leyendo Lista de Archivos...");
    EXPECT_EQ(statuses[3], "Actualizando " + dir_.Path("src\\changed.txt") + " ");
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), std::string(80, ' ')), 1) << "once a run";

    // A second run finds nothing to do: the copies carry their sources' times.
    ui_.events.clear();
    r = SynchroniseFolders(V(dir_.Path("src")), V(dir_.Path("dst")), 18);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.count, 0);
}

// A backup folder that cannot be made (a file stands where the backups go) does not stop the copy:
// the log says why there is no backup (the backups are made when the update is put in place). The
// folders are named from the working folder, so that the backup goes below the backups folder and
// not beside a rooted target.
TEST_F(FolderUpdateTest, ABackupFolderThatCannotBeMadeStillCopiesAndSaysSo) {
    dir_.Write("docs", "not a folder");
    SyncResult r = SynchroniseFolders(T("src"), T("dst"), 18);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\changed.txt")), "changed v2");
    const auto statuses = ui_.Of("status:");
    ASSERT_GE(statuses.size(), 4u);
    EXPECT_EQ(statuses[3], "Actualizando src\\changed.txt ");
    EXPECT_NE(TempDir::Read(dir_.Path("UPlog.txt")).find("No backup of dst\\changed.txt: Fichero no encontrado"),
              std::string::npos)
        << TempDir::Read(dir_.Path("UPlog.txt"));
}

// A folder source brings its subfolders as a server's list does, two levels down here, each file
// with its time; a name the target would not keep as it is ends the update before any copy.
TEST_F(FolderUpdateTest, SubfoldersComeAsFromAServerAndUnsafeNamesAreRefused) {
    dir_.Write("src\\lib\\one.dll", "one");
    dir_.Write("src\\lib\\deep\\two.dll", "two");
    SyncResult r = SynchroniseFolders(V(dir_.Path("src")), V(dir_.Path("dst")), 18);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\lib\\one.dll")), "one");
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\lib\\deep\\two.dll")), "two");
    EXPECT_EQ(fs::last_write_time(TempDir::Native(dir_.Path("dst\\lib\\deep\\two.dll"))),
              fs::last_write_time(TempDir::Native(dir_.Path("src\\lib\\deep\\two.dll"))));
    EXPECT_EQ(SynchroniseFolders(V(dir_.Path("src")), V(dir_.Path("dst")), 18).count, 0) << "nothing the second time";
#ifndef _WIN32
    dir_.Write("src\\lib\\CON.txt", "a device on Windows");
    dir_.Write("src\\zz.txt", "newest");
    EXPECT_EQ(SynchroniseFolders(V(dir_.Path("src")), V(dir_.Path("dst")), 18).code, kErrBadInput);
    EXPECT_EQ(Str(ErrorDetail()), dir_.Path("src\\lib\\CON.txt") + ": not a name the target may take");
    EXPECT_FALSE(TempDir::Exists(dir_.Path("dst\\zz.txt"))) << "nothing copied";
#endif
}

TEST_F(FolderUpdateTest, ALockFileInTheSourceCopiesNothing) {
    dir_.Write("src\\locked.on", "");
    SyncResult r = SynchroniseFolders(V(dir_.Path("src")), V(dir_.Path("dst")), 18);
    EXPECT_EQ(r.code, kErrPermission);
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\new.txt")), "<missing>");
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\changed.txt")), "changed v1");
}

// A source that cannot be listed is no folder up to date: a mistyped path must not end with 0.
TEST_F(FolderUpdateTest, AMissingSourceEndsWithItsCodeAndPath) {
    SyncResult r = SynchroniseFolders(V(dir_.Path("nowhere")), V(dir_.Path("dst")), 18);
    EXPECT_EQ(r.code, kErrFileNotFound);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(Str(ErrorDetail()), dir_.Path("nowhere"));
    EXPECT_EQ(TempDir::Read(dir_.Path("dst\\changed.txt")), "changed v1");
    EXPECT_EQ(SynchroniseFolders(StrEmpty(), V(dir_.Path("dst")), 18).code, kErrBadInput);
}

std::vector<std::string> gRouter;
uint32_t gConnectAnswer = 0;
uint32_t Add(const char* remote, const char*, const char* password, const char* user, uint32_t) {
    gRouter.push_back(std::string("add ") + remote + " " + user + " " + password);
    return gConnectAnswer;
}
uint32_t Cancel(const char* name, uint32_t, bool force) {
    gRouter.push_back(std::string("cancel ") + name + (force ? " forced" : ""));
    return 0;
}

TEST_F(FolderUpdateTest, AShareIsConnectedWithTheDecodedPasswordAndCancelledAfterwards) {
    SetShareSeams({.addConnection = Add, .cancelConnection = Cancel});
    gRouter.clear();
    uint16_t mark = PoolMark();
    dir_.Write("Kelvane", "USER$='ana'\r\nPASSW$='" + Str(Scramble(T("s3cret"), T("ana"))) + "'\r\n");
    PoolRelease(mark);
    gConnectAnswer = 0;
    SyncResult r = ShareUpdate(T("\\\\srv\\apps"), V(dir_.Path("dst")), 18);
    EXPECT_EQ(r.code, kErrFileNotFound) << "the share cannot be read here: its code, still disconnected";
    EXPECT_EQ(gRouter, (std::vector<std::string>{"add \\\\srv\\apps ana s3cret", "cancel \\\\srv\\apps forced"}));
    EXPECT_EQ(ui_.Of("status:")[1], "               Conectando con el Servidor.....            ");

    // Refused (Wine's answer without a network provider): 130, nothing copied, nothing to cancel.
    gRouter.clear();
    gConnectAnswer = 1222;
    r = ShareUpdate(T("\\\\srv\\apps"), V(dir_.Path("dst")), 18);
    EXPECT_EQ(r.code, kErrDiskIo);
    EXPECT_EQ(gRouter.size(), 1u);

    // No credentials and a cancelled form: 122 before the router is asked.
    gRouter.clear();
    std::remove("Kelvane");
    VarSetText(T("USER$"), StrEmpty());
    VarSetText(T("PASSW$"), StrEmpty());
    EXPECT_EQ(ShareUpdate(T("\\\\srv\\apps"), V(dir_.Path("dst")), 18).code, kErrUserCanceled);
    EXPECT_TRUE(gRouter.empty());
    SetShareSeams({});

    // A plain folder needs no connection.
    r = ShareUpdate(V(dir_.Path("src")), V(dir_.Path("dst")), 18);
    EXPECT_EQ(r.count, 2);
}

}  // namespace
}  // namespace rt
