// Tests of one file's transfer: verification before the target is touched, one-step replacement,
// subfolders, the server's time, backups and failures that must leave the old target intact.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/temp_pool.h"
#include "runtime/dir_search.h"
#include "runtime/file_info.h"
#include "runtime/streams.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "protocol/checksum.h"
#include "updater/file_transfer.h"
#include "updater/server_protocol.h"
#include "protocol/transfer_header.h"
#include "tests/support/environment.h"
#include "tests/net/fake_server.h"
#include "tests/updater/file_answers.h"
#include "tests/updater/loopback_answers.h"
#include "net/http_client.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::V;
using rt_test::TempDir;

using rt_test::InstallAnswer;
const auto& Answer = rt_test::FileAnswer;

std::map<std::string, std::string> gBodies;
std::string gLastAddress;

std::string gStatus;
ErrCode StubStatus(StrRef text) {
    gStatus = Str(text);
    return 0;
}

FsFaultPoint gFaultAt = kFaultOpen;
bool gFaultOn = false;
ErrCode FaultHook(FsFaultPoint point, const char* path) {
    // Only the files of the installation (the temporary beside the target) fail.
    // Writes and flushes name no path and the replacement names the target: during an install
    // they all concern that temporary.
    if (gFaultOn && point == gFaultAt &&
        (!path || point == kFaultReplace || std::string(path).find("~kv") != std::string::npos))
        return kErrFileIo;
    return 0;
}

class TransferTest : public ::testing::Test {
protected:
    // The file answers come over loopback HTTP from gBodies, by address; none closes the connection.
    rt_test::LoopbackAnswers http_{[](const std::string& address) {
        gLastAddress = address;
        auto it = gBodies.find(address);
        return it == gBodies.end() ? rt_test::LoopbackAnswers::kNoAnswer : it->second;
    }};
    void SetUp() override {
        gBodies.clear();
        gStatus.clear();
        gFaultOn = false;
        SetFsSeams({FaultHook});
        temp_.emplace("TEMP", downloads_.Path());
        mark_ = PoolMark();
    }
    void TearDown() override {
        EXPECT_EQ(PoolMark(), mark_);
        PoolRelease(mark_);
        SetFsSeams({});
        temp_.reset();
        SetServerSeams({});
        std::error_code ec;
        EXPECT_TRUE(std::filesystem::is_empty(TempDir::Native(downloads_.Path()), ec)) << "a download was left behind";
    }
    // Names in the target folder, sorted, to see that nothing temporary stays.
    std::string Entries(const std::string& sub = "") const {
        std::string out;
        std::error_code ec;
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(TempDir::Native(dir_.Path(sub)), ec)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        for (auto& n : names) out += n + ";";
        return out;
    }

    TempDir dir_;
    TempDir downloads_;
    std::optional<rt_test::ScopedEnvironment> temp_;  // TEMP points at the test's folder
    uint16_t mark_ = 0;
};

void ExpectWriteTime(const std::string& path, int32_t date, int32_t ms) {
    int32_t d = -1, t = -1;
    ASSERT_EQ(FileTimeOf(V(path), kStampWrite, &d, &t), 0) << path;
    EXPECT_EQ(d, date) << path;
    EXPECT_EQ(t, ms) << path;
}

TEST_F(TransferTest, InstallWritesContentAndTheServersLocalTime) {
    std::string content(1025, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    std::string target = dir_.Path("app.exe");
    // Pieces of one byte cut the header and the content everywhere.
    for (size_t piece : {size_t{1}, size_t{4096}}) {
        ASSERT_EQ(InstallAnswer(Answer(content, 20240131, 45296789), V(target), piece), 0);
        EXPECT_EQ(TempDir::Read(target), content);
        ExpectWriteTime(target, 20240131, 45296000);  // whole seconds
    }
    EXPECT_EQ(Entries(), "app.exe;");
}

TEST_F(TransferTest, EmptyFileAndShorterReplacement) {
    std::string target = dir_.Write("app.exe", std::string(5000, 'o'));
    ASSERT_EQ(InstallAnswer(Answer("new", 20230704, 0), V(target)), 0);
    EXPECT_EQ(TempDir::Read(target), "new");
    ASSERT_EQ(InstallAnswer(Answer("", 20230705, 3600000), V(target)), 0);
    EXPECT_EQ(TempDir::Read(target), "");
    ExpectWriteTime(target, 20230705, 3600000);
}

TEST_F(TransferTest, ContentBeyondTheAnnouncedSizeIsNotInstalled) {
    std::string answer = Answer("abc", 20240101, 0);
    // The checksum covers everything after the header; the size bounds what is installed.
    TransferHeader h = ParseTransferHeader(answer.data(), 42);
    h.checksum = ChecksumOfBytes("abcXYZ", 6);
    char head[42];
    FormatTransferHeader(h, head);
    std::string target = dir_.Path("a.txt");
    ASSERT_EQ(InstallAnswer(std::string(head, 42) + "abcXYZ", V(target)), 0);
    EXPECT_EQ(TempDir::Read(target), "abc");
}

TEST_F(TransferTest, FailuresLeaveTheOldTargetIntactAndNoTemporaryFile) {
    std::string good = Answer("new content", 20240101, 0);
    std::string corrupted = good;
    corrupted[50] ^= 0x01;
    std::string announcesMore = Answer("abc", 20240101, 0);
    announcesMore.replace(0, 12, "        1000");
    announcesMore.replace(32, 10, "       590");
    const struct { const char* what; std::string answer; ErrCode code; const char* detail; } cases[] = {
        {"corrupted byte", corrupted, kErrTransUp, "Bad CRC, File:"},
        {"header of letters", "Error #175.Permission Denied..............." + std::string("xyz"), kErrTransUp,
         "Server response: Error #175."},
        {"short header", "        12", kErrTransUp, "Server response:         12"},
        {"announces more than it holds", announcesMore, kErrTransUp, "Short transfer"},
        {"size over 32 bits", "  4294967296" + good.substr(12), kErrTransUp, "Server response: "},
        {"invalid date", Answer("new content", 20241340, 0), kErrBadInput, nullptr},
        {"time past midnight", Answer("new content", 20240101, 86400000), kErrBadInput, nullptr},
    };
    for (const auto& c : cases) {
        std::string target = dir_.Write("app.exe", "old content");
        EXPECT_EQ(InstallAnswer(c.answer, V(target)), c.code) << c.what;
        EXPECT_EQ(TempDir::Read(target), "old content") << c.what;
        EXPECT_EQ(Entries(), "app.exe;") << c.what;
        if (c.detail) {
            EXPECT_EQ(Str(ErrorDetail()).rfind(c.detail, 0), 0u) << c.what << ": " << Str(ErrorDetail());
        }
        EXPECT_NE(Str(ErrorDetail()).find(target), std::string::npos) << "reported against the target";
    }
}

TEST_F(TransferTest, WriteFlushOrRenameFailureKeepsTheOldTarget) {
    for (FsFaultPoint at : {kFaultOpen, kFaultWrite, kFaultFlush, kFaultReplace}) {
        std::string target = dir_.Write("app.exe", "old content");
        gFaultAt = at;
        gFaultOn = true;
        EXPECT_EQ(InstallAnswer(Answer(std::string(30000, 'n'), 20240101, 0), V(target)), kErrFileIo) << int(at);
        gFaultOn = false;
        EXPECT_TRUE(TempDir::Read(target) == "old content") << int(at);
        EXPECT_EQ(Entries(), "app.exe;") << int(at);
    }
}

// The system's reason goes with the file, so that the log says why it could not be written.
TEST_F(TransferTest, AFailureToWriteNamesTheSystemsReason) {
    const std::string target = dir_.Path(std::string(300, 'n') + ".dll");
    EXPECT_EQ(InstallAnswer(Answer("dll", 20240101, 0), V(target)), kErrFileIo);
    EXPECT_EQ(Str(ErrorDetail()), target + " (name too long or not allowed)");
}

TEST_F(TransferTest, SubfolderOfTheTargetIsCreated) {
    std::string target = dir_.Path("sub\\deeper\\new.dll");
    ASSERT_EQ(InstallAnswer(Answer("dll", 20240101, 0), V(target)), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("sub/deeper/new.dll")), "dll");
}

TEST_F(TransferTest, TransferOneFileFetchesTheDownloadAddressAndReportsProgress) {
    const std::string list = http_.Base() + "/cgi-bin/updater?view=12&user=u&passw=p&path=app";
    gBodies[list + "/&downfile=sub/new.dll"] = Answer("payload", 20240229, 61000);
    std::string target = dir_.Path("sub\\new.dll");
    ASSERT_EQ(TransferOneFile(V(list), T("sub\\new.dll"), V(target), kBackupOff, 32, StubStatus), 0);
    EXPECT_EQ(TempDir::Read(dir_.Path("sub/new.dll")), "payload");
    ExpectWriteTime(dir_.Path("sub/new.dll"), 20240229, 61000);
    EXPECT_EQ(gStatus, "Actualizando sub\\new.dll ");
    gStatus.clear();
    // Verbosity 1 shows nothing.
    ASSERT_EQ(TransferOneFile(V(list), T("sub\\new.dll"), V(target), kBackupOff, 1, StubStatus), 0);
    EXPECT_EQ(gStatus, "");
    // A header time with milliseconds installs the whole second.
    gBodies[list + "/&downfile=sub/new.dll"] = Answer("payload", 20240229, 61500);
    ASSERT_EQ(TransferOneFile(V(list), T("sub\\new.dll"), V(target), kBackupOff, 1, StubStatus), 0);
    ExpectWriteTime(dir_.Path("sub/new.dll"), 20240229, 61000);
}

// The answer must be the file the list named: a header whose size, date or time differs from the
// list entry (another file's answer, an older version) is refused before the target is touched,
// however sound its own checksum.
TEST_F(TransferTest, TransferOneFileRefusesAnAnswerForAnotherEntry) {
    const std::string list = http_.Base() + "/x?l";
    gBodies[list + "/&downfile=app.exe"] = Answer("version 2", 20240101, 3600000);
    FileInfo entry{};
    entry.size = 9;
    entry.writeDate = 20240101;
    entry.writeTime = 3600000;
    struct Case { const char* what; uint32_t size; int32_t date; int32_t time; ErrCode want; };
    const Case cases[] = {
        {"size", 10, 20240101, 3600000, kErrTransUp},
        {"date", 9, 20240102, 3600000, kErrTransUp},
        {"time", 9, 20240101, 3601000, kErrTransUp},
        {"the entry itself", 9, 20240101, 3600000, 0},
    };
    for (const Case& c : cases) {
        std::string target = dir_.Write("app.exe", "old");
        FileInfo e = entry;
        e.size = c.size;
        e.writeDate = c.date;
        e.writeTime = c.time;
        EXPECT_EQ(TransferOneFile(V(list), T("app.exe"), V(target), kBackupOff, 32, nullptr, &e), c.want) << c.what;
        EXPECT_EQ(TempDir::Read(target), c.want ? "old" : "version 2") << c.what;
    }
}

TEST_F(TransferTest, TransferOneFileEndsWithTheServersAnswer) {
    const std::string list = http_.Base() + "/x?l";
    std::string target = dir_.Write("app.exe", "old");
    gBodies[list + "/&downfile=app.exe"] = "Error #175.Permission Denied";
    EXPECT_EQ(TransferOneFile(V(list), T("app.exe"), V(target), kBackupOff, 32, nullptr), 175);
    EXPECT_EQ(TempDir::Read(target), "old");
    gBodies.clear();
    EXPECT_EQ(TransferOneFile(V(list), T("app.exe"), V(target), kBackupOff, 32, nullptr), kErrNetAccess);
    EXPECT_EQ(TempDir::Read(target), "old");
    // A read-only target is not replaced (131, so that a RUN update asks for the elevated copy),
    // whether the comparison's record or a look at the disk says so; nothing is fetched.
    gBodies[list + "/&downfile=app.exe"] = Answer("new", 20240101, 0);
    namespace fs = std::filesystem;
    fs::permissions(TempDir::Native(target), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const FileInfo present = FileInfoOf(V(target));
    gLastAddress.clear();
    EXPECT_EQ(TransferOneFile(V(list), T("app.exe"), V(target), kBackupOff, 32, nullptr, nullptr, &present), kErrFileIo);
    EXPECT_EQ(TransferOneFile(V(list), T("app.exe"), V(target), kBackupOff, 32, nullptr), kErrFileIo);
    EXPECT_EQ(TempDir::Read(target), "old");
    EXPECT_EQ(gLastAddress, "") << "nothing was fetched";
    fs::permissions(TempDir::Native(target), fs::perms::owner_write, fs::perm_options::add);
}

// What a download over a real connection leaves where, piece by piece.
struct StreamWatch {
    std::string downloads;  // the temporary folder, which must stay empty
    std::string target;     // the target's folder
    bool tempsEmpty = true;
    bool besideSeen = false;  // a temporary file beside the target while content arrived
    uint64_t received = 0;
};
StreamWatch* gWatch = nullptr;

ErrCode WatchReceived(uint64_t bytes) {
    gWatch->received = bytes;
    std::error_code ec;
    if (!std::filesystem::is_empty(TempDir::Native(gWatch->downloads), ec)) gWatch->tempsEmpty = false;
    for (auto& e : std::filesystem::directory_iterator(TempDir::Native(gWatch->target), ec))
        if (e.path().filename().string().rfind("~kv", 0) == 0) gWatch->besideSeen = true;
    return 0;
}

// Straight from the connection, with no stand-in fetch: the content goes once, into its
// temporary file beside the target, never through the temporary folder; a refused answer stops
// the download at its header and leaves nothing behind.
TEST_F(TransferTest, AnswersFromTheNetworkAreWrittenOnceBesideTheTarget) {
    SetServerSeams({});
    const std::string big(300 * 1024, 'c');
    const std::string good = Answer(big, 20240229, 61000);
    std::string crc = good;
    crc.back() ^= 1;
    FileInfo entry{};
    entry.size = static_cast<uint32_t>(big.size());
    entry.writeDate = 20240229;
    entry.writeTime = 61000;
    FileInfo older = entry;
    older.writeDate = 20240228;
    struct Case { const char* what; std::string body; const FileInfo* expected; ErrCode want; };
    const Case cases[] = {
        {"sound", good, &entry, 0},
        {"another version", good, &older, kErrTransUp},
        {"bad checksum", crc, &entry, kErrTransUp},
        {"server error", "Error #175.Permission Denied", &entry, 175},
        {"not a header", std::string("HTTP/1.0 junk\0 and more text than a header holds"), nullptr, kErrTransUp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(c.body.size()) + "\r\n\r\n";
        const size_t first = c.body.size() < 65536 ? c.body.size() : 65536;
        test::FakeServer server(test::FakeScript{{{0, head + c.body.substr(0, first)}, {200, c.body.substr(first)}}});
        const std::string target = dir_.Write("app.exe", "old");
        StreamWatch watch{downloads_.Path(), dir_.Path()};
        gWatch = &watch;
        SetHttpSeams({WatchReceived});
        const ErrCode got = TransferOneFile(V(server.Url("/u?l")), T("app.exe"), V(target), kBackupOff, 32, nullptr, c.expected);
        SetHttpSeams({});
        server.Join();
        EXPECT_EQ(got, c.want);
        EXPECT_TRUE(watch.tempsEmpty) << "the download went through the temporary folder";
        EXPECT_EQ(Entries(), "app.exe;") << "something stayed beside the target";
        if (c.want == 0) {
            EXPECT_TRUE(watch.besideSeen);
            EXPECT_EQ(TempDir::Read(target), big);
            ExpectWriteTime(target, 20240229, 61000);
        } else {
            EXPECT_EQ(TempDir::Read(target), "old");
        }
        if (c.expected == &older) {
            EXPECT_LT(watch.received, head.size() + c.body.size()) << "read past a refused header";
        }
    }
}

TEST_F(TransferTest, TransferOneFileBacksUpTheOldFileOnce) {
    const std::string list = http_.Base() + "/x?l";
    std::string target = dir_.Write("app.exe", "first");
    gBodies[list + "/&downfile=app.exe"] = Answer("second", 20240101, 0);
    StrRef backupRef = BackupName(V(target), kBackupFolder);
    std::string backup = Str(backupRef);
    PoolRelease(mark_);
    ASSERT_EQ(TransferOneFile(V(list), T("app.exe"), V(target), 0, 32, nullptr), 0);
    EXPECT_EQ(TempDir::Read(target), "second");
    EXPECT_EQ(TempDir::Read(backup), "first");
    gBodies[list + "/&downfile=app.exe"] = Answer("third", 20240101, 0);
    ASSERT_EQ(TransferOneFile(V(list), T("app.exe"), V(target), 0, 32, nullptr), 0);
    EXPECT_EQ(TempDir::Read(backup), "first") << "an existing backup is never overwritten";
    std::error_code ec;
    std::filesystem::path top = std::filesystem::path(TempDir::Native(backup));
    // On Windows the dated folder may lie below the working folder; remove what the test made.
    if (top.is_relative()) std::filesystem::remove_all(*top.begin(), ec);
}

TEST(SetLastWriteTime, InvalidStampsAre163AndMissingFilesAre131) {
    TempDir dir;
    std::string p = dir.Write("f.txt", "x");
    EXPECT_EQ(SetLastWriteTime(V(p), 20240230, 0), kErrBadInput);
    EXPECT_EQ(SetLastWriteTime(V(p), 20240101, -1), kErrBadInput);
    EXPECT_EQ(SetLastWriteTime(V(dir.Path("missing.txt")), 20240101, 0), kErrFileIo);
    ASSERT_EQ(SetLastWriteTime(V(p), 19991231, 86399999), 0);
    int32_t d = 0, t = 0;
    ASSERT_EQ(FileTimeOf(V(p), kStampWrite, &d, &t), 0);
    EXPECT_EQ(d, 19991231);
    EXPECT_EQ(t, 86399000);
}

}  // namespace
}  // namespace rt
