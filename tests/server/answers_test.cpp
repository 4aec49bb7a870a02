// Answers of the update server, read back with the client's own protocol code.
#include <gtest/gtest.h>

#include <unistd.h>

#include <random>
#include <string>

#include "runtime/temp_pool.h"
#include "server/answers.h"
#include "server/published_path.h"
#include "server/query.h"
#include "tests/server/server_test_support.h"
#include "protocol/checksum.h"
#include "protocol/file_list.h"
#include "protocol/transfer_header.h"

using namespace rt;
using server_test::LocalTimeStamp;
using server_test::ScratchDir;
using server_test::SetWriteTime;

namespace {

// The whole body of an answer as the wire would carry it.
std::string BodyOf(Answer* a) {
    std::string body = a->head;
    std::string chunk(4096, '\0');
    uint64_t left = a->fileBytes;
    while (left > 0) {
        const ssize_t got = read(a->file.get(), chunk.data(), left < chunk.size() ? left : chunk.size());
        if (got <= 0) break;
        body.append(chunk.data(), static_cast<size_t>(got));
        left -= static_cast<uint64_t>(got);
    }
    return body;
}

class ServerAnswersTest : public testing::Test {
protected:
    void SetUp() override {
        root_.MakeFolder("app");
        root_.MakeFolder("app/sub");
        root_.MakeFolder("empty");
        root_.Write("app/a.txt", "hello");
        root_.Write("app/sub/b.bin", std::string(3000, 'b') + "\x01\xff");
        root_.Write("app/zero.txt", "");
        SetWriteTime(root_ / "app/a.txt", LocalTimeStamp(2024, 1, 31, 12, 34, 56));
        SetWriteTime(root_ / "app/sub/b.bin", LocalTimeStamp(2024, 1, 30, 8, 0, 0));
        SetWriteTime(root_ / "app/zero.txt", LocalTimeStamp(2023, 12, 1, 0, 0, 1));
        ASSERT_EQ(RealPath(root_.path(), &config_.root), 0);
    }

    std::string Ask(const std::string& query) {
        const PoolMark_t mark = PoolMark();
        Answer a = HandleQuery(config_, query);
        EXPECT_EQ(PoolMark(), mark) << "pool left as found: " << query;
        return BodyOf(&a);
    }
    std::string Status(const char* date, const char* time) {
        return Ask(std::string("view=12&path=app&downfile=none&date=") + date + "&time=" + time);
    }

    ScratchDir root_;
    ServerConfig config_;
};

}  // namespace

TEST_F(ServerAnswersTest, StatusNewerOlderEqualWithBothTimeForms) {
    struct Case { const char* date; const char* time; const char* want; };
    const Case cases[] = {
        {"20240131", "12:34:56", "OK"},    // the newest file has exactly the stamp
        {"20240131", "45296000", "OK"},    // the same as milliseconds
        {"20240131", "12:34:55", "Fail"},  // one second earlier: a.txt is newer
        {"20240131", "45295999", "Fail"},
        {"20240131", "12:34:57", "OK"},
        {"20240130", "23:59:59", "Fail"},
        {"20240201", "0", "OK"},
        {"20240201", "", "OK"},
        {"0", "0", "Fail"},                // a fresh record: everything is newer
    };
    for (const Case& c : cases) EXPECT_EQ(Status(c.date, c.time), c.want) << c.date << " " << c.time;
}

TEST_F(ServerAnswersTest, StatusLooksIntoSubfolders) {
    EXPECT_EQ(Status("20240131", "12:34:56"), "OK");
    SetWriteTime(root_ / "app/sub/b.bin", LocalTimeStamp(2024, 2, 5, 9, 0, 0));
    EXPECT_EQ(Status("20240131", "12:34:56"), "Fail");
    EXPECT_EQ(Status("20240205", "09:00:00"), "OK");
}

TEST_F(ServerAnswersTest, StatusOfAnEmptyFolderIsOk) {
    EXPECT_EQ(Ask("view=12&path=empty&downfile=none&date=0&time=0"), "OK");
}

TEST_F(ServerAnswersTest, ListRoundTripThroughTheClientParser) {
    const std::string body = Ask("view=12&user=x&passw=y&path=app");
    ASSERT_GT(body.size(), kTransferHeaderSize);
    const TransferHeader h = ParseTransferHeader(body.data(), static_cast<uint32_t>(body.size()));
    ASSERT_EQ(h.error, 0);
    EXPECT_EQ(h.size, body.size() - kTransferHeaderSize);
    EXPECT_EQ(h.checksum, ChecksumOfBytes(body.data() + kTransferHeaderSize, h.size));

    const PoolMark_t mark = PoolMark();
    FolderListing listing;
    ASSERT_EQ(ParseFileList(body.data() + kTransferHeaderSize,
                            static_cast<uint32_t>(body.size() - kTransferHeaderSize), &listing),
              0);
    ASSERT_EQ(listing.count, 3);
    const std::string names(listing.names.ptr, listing.names.len);
    EXPECT_EQ(names, std::string("a.txt\0sub\\b.bin\0zero.txt", 24)) << "sorted, '\\' between folders";
    EXPECT_EQ(listing.records[0].size, 5u);
    EXPECT_EQ(listing.records[0].attributes, kAttrArchive);
    EXPECT_EQ(listing.records[0].writeDate, 20240131);
    EXPECT_EQ(listing.records[0].writeTime, 45296000);
    EXPECT_EQ(listing.records[1].size, 3002u);
    EXPECT_EQ(listing.records[1].writeDate, 20240130);
    EXPECT_EQ(listing.records[1].writeTime, 8 * 3600000);
    EXPECT_EQ(listing.records[2].size, 0u);
    EXPECT_EQ(listing.records[2].writeDate, 20231201);
    EXPECT_EQ(listing.records[2].writeTime, 1000);
    PoolRelease(mark);
}

TEST_F(ServerAnswersTest, ListLeavesOutWhatTheClientWouldRefuseOrMustNotSee) {
    ScratchDir outside;
    outside.Write("secret.txt", "secret");
    root_.Write("app/NUL.txt", "device");     // a Windows device name
    root_.Write("app/trailing.", "dot");      // Windows would drop the dot
    root_.Write("app/back\\slash", "x");      // would read as a subfolder
    root_.Link(outside / "secret.txt", "app/leak.txt");
    root_.Link(root_ / "app", "app/loop");    // a linked folder is not entered
    root_.Link(root_ / "app/a.txt", "app/alias.txt");  // a link inside the root is offered
    const std::string body = Ask("view=12&path=app");
    const PoolMark_t mark = PoolMark();
    FolderListing listing;
    ASSERT_EQ(ParseFileList(body.data() + kTransferHeaderSize,
                            static_cast<uint32_t>(body.size() - kTransferHeaderSize), &listing),
              0);
    EXPECT_EQ(std::string(listing.names.ptr, listing.names.len),
              std::string("a.txt\0alias.txt\0sub\\b.bin\0zero.txt", 34));
    PoolRelease(mark);
}

// Links inside the root lead to where their own folder's readers may not go: access is decided
// where a name leads, for files, folders, lists and status queries alike.
TEST_F(ServerAnswersTest, LinksDoNotOpenPrivateFoldersToOtherReaders) {
    root_.MakeFolder("pub");
    root_.MakeFolder("pub/app");
    root_.MakeFolder("priv");
    root_.MakeFolder("priv/deep");
    root_.Write("pub/app/x.txt", "public");
    root_.Write("priv/secret.txt", "secret");
    root_.Write("priv/deep/s2.txt", "s2");
    SetWriteTime(root_ / "pub/app/x.txt", LocalTimeStamp(2024, 1, 31, 12, 0, 0));
    SetWriteTime(root_ / "priv/secret.txt", LocalTimeStamp(2024, 3, 1, 9, 0, 0));
    root_.Link("../../priv/secret.txt", "pub/app/inlink");
    root_.Link("../../priv", "pub/app/privdir");
    root_.Link("x.txt", "pub/app/publink");
    int line = 0;
    ASSERT_EQ(ParseUsers("owner:pw:priv\n*::pub\n", &config_.users, &line), 0);
    const std::string owner = "view=12&user=owner&passw=" + config_.users.users[0].scrambled + "&";
    const std::string anyone = "view=12&";
    // The names block of a list answer, or the answer itself when it is none.
    auto names = [](const std::string& body) {
        if (body.size() < kTransferHeaderSize + 5 || body.rfind("Error #", 0) == 0) return body;
        return body.substr(kTransferHeaderSize + 5, std::stoul(body.substr(kTransferHeaderSize, 5)));
    };
    auto content = [](const std::string& body) {
        return body.rfind("Error #", 0) == 0 ? body : body.substr(kTransferHeaderSize);
    };
    const std::string denied = "Error #175.Permission Denied";
    struct Case { std::string who; const char* query; std::string want; bool isList; };
    const Case cases[] = {
        {anyone, "path=pub/app&downfile=inlink", denied, false},
        {anyone, "path=pub/app/&downfile=privdir/secret.txt", denied, false},
        {anyone, "path=pub/app/privdir&downfile=secret.txt", denied, false},
        {anyone, "path=pub/app/privdir", denied, true},
        {anyone, "path=pub/app/privdir&downfile=none&date=0&time=0", denied, false},
        {anyone, "path=pub/app&downfile=publink", "public", false},
        {anyone, "path=pub/app", std::string("publink\0x.txt", 13), true},
        // The private file is newer, but not this reader's business.
        {anyone, "path=pub/app&downfile=none&date=20240131&time=12:00:00", "OK", false},
        {owner, "path=pub/app&downfile=inlink", "secret", false},
        {owner, "path=pub/app", std::string("inlink\0publink\0x.txt", 20), true},
        {owner, "path=pub/app&downfile=none&date=20240131&time=12:00:00", "Fail", false},
        {owner, "path=pub/app/privdir", std::string("deep\\s2.txt\0secret.txt", 22), true},
    };
    for (const Case& c : cases) {
        const std::string body = Ask(c.who + c.query);
        const bool text = body == "OK" || body == "Fail";
        EXPECT_EQ(c.isList ? names(body) : text ? body : content(body), c.want) << c.who << c.query;
    }
}

TEST_F(ServerAnswersTest, EmptyFolderGivesAnEmptyListTheClientTakesAsNotFound) {
    const std::string body = Ask("view=12&path=empty");
    ASSERT_EQ(body.size(), kTransferHeaderSize + 5u);
    EXPECT_EQ(body.substr(kTransferHeaderSize), "00000");
    FolderListing listing;
    EXPECT_EQ(ParseFileList(body.data() + kTransferHeaderSize, 5, &listing), kErrFileNotFound);
}

// The server sends every list the length field can announce, and the client holds it; beyond
// that it answers with an error rather than a list nobody can read.
TEST_F(ServerAnswersTest, ListOfThousandsOfFilesReachesTheClientAndBeyondTheFieldIsAnError) {
    root_.MakeFolder("many");
    const uint32_t files = 5000;  // names "many/10000" ... of 5 bytes and a separator each
    for (uint32_t i = 0; i < files; ++i) root_.Write("many/" + std::to_string(10000 + i), "");
    const std::string body = Ask("view=12&path=many");
    const PoolMark_t mark = PoolMark();
    FolderListing listing;
    ASSERT_EQ(ParseFileList(body.data() + kTransferHeaderSize,
                            static_cast<uint32_t>(body.size() - kTransferHeaderSize), &listing),
              0);
    EXPECT_EQ(listing.count, files);
    EXPECT_EQ(ListingIndex(listing.names, StrFromLiteral("14999")), 4999);
    EXPECT_EQ(PoolMark(), mark);

    root_.MakeFolder("long");  // 1000 names of 100 bytes: more than 99999 with the separators
    for (int i = 0; i < 1000; ++i) root_.Write("long/" + std::to_string(1000 + i) + std::string(96, 'n'), "");
    EXPECT_EQ(Ask("view=12&path=long").substr(0, 80),  // a list sent instead would fill the screen
              "Error #145.The list of 1000 files is longer than the updater can hold");
}

TEST_F(ServerAnswersTest, FileAnswerVerifiedByTheClientCode) {
    for (const char* name : {"a.txt", "sub/b.bin", "sub\\b.bin", "zero.txt"}) {
        Answer a = HandleQuery(config_, std::string("view=12&path=app/&downfile=") + name);
        ASSERT_EQ(a.code, 0) << name;
        EXPECT_EQ(a.ContentLength(), kTransferHeaderSize + a.fileBytes);
        const std::string body = BodyOf(&a);
        const TransferHeader h = ParseTransferHeader(body.data(), static_cast<uint32_t>(body.size()));
        ASSERT_EQ(h.error, 0) << name;
        EXPECT_EQ(h.size, body.size() - kTransferHeaderSize) << name;
        // The client checks the checksum on the downloaded file from offset 42.
        ScratchDir tmp;
        tmp.Write("download", body);
        const std::string path = tmp / "download";
        EXPECT_EQ(ChecksumOfFile(StrMake(path.c_str(), static_cast<uint16_t>(path.size())),
                                 kTransferHeaderSize, kChecksumToEnd),
                  h.checksum)
            << name;
    }
    Answer a = HandleQuery(config_, "view=12&path=app/&downfile=a.txt");
    const std::string body = BodyOf(&a);
    const TransferHeader h = ParseTransferHeader(body.data(), static_cast<uint32_t>(body.size()));
    EXPECT_EQ(body.substr(kTransferHeaderSize), "hello");
    EXPECT_EQ(h.date, 20240131);
    EXPECT_EQ(h.time, 45296000);
    EXPECT_EQ(h.checksum, ChecksumOfBytes("hello", 5));
}

TEST_F(ServerAnswersTest, ErrorAnswers) {
    UsersTable users;
    int line = 0;
    ASSERT_EQ(ParseUsers("ana:pw:app\n*::empty\n", &users, &line), 0);
    config_.users = users;
    struct Case { std::string query; const char* want; };
    const Case cases[] = {
        {"view=12&path=app", "Error #175.Permission Denied"},
        {"view=12&user=ana&passw=wrong&path=app", "Error #175.Permission Denied"},
        {"view=12&user=ana&passw=wrong&path=app/&downfile=a.txt", "Error #175.Permission Denied"},
        {"view=12&user=ana&passw=wrong&path=missing", "Error #175.Permission Denied"},
        {"view=12&path=../etc", "Error #163.Bad input data"},
        {"view=12&path=/etc", "Error #163.Bad input data"},
        {"view=12&path=empty/../app", "Error #163.Bad input data"},
        {"view=12&path=empty&downfile=../app/a.txt", "Error #163.Bad input data"},
        {"view=12&path=empty&downfile=x.txt", "Error #164.File Not Found"},
        {"view=12&user=ana&passw=x&downfile=x.txt", "Error #163.Bad input data"},  // no path
        {"", "Error #163.Bad input data"},
        {"view=12&path=empty&downfile=none&date=yesterday", "Error #163.Bad input data"},
    };
    for (const Case& c : cases) EXPECT_EQ(Ask(c.query), c.want) << c.query;
    EXPECT_EQ(Ask("view=12&path=empty").substr(kTransferHeaderSize), "00000")
        << "a folder published without users needs no credentials";
    // What the client sends for ana is the scrambled form the users table holds for her.
    const std::string good = "view=12&user=ana&passw=" + config_.users.users[0].scrambled;
    EXPECT_EQ(Ask(good + "&path=app&downfile=a.txt").substr(kTransferHeaderSize), "hello");
    EXPECT_EQ(Ask(good + "&path=app/missing"), "Error #164.File Not Found");
    EXPECT_EQ(Ask(good + "&path=missing"), "Error #175.Permission Denied") << "not her folder";
}

TEST_F(ServerAnswersTest, MissingFolderAndFile) {
    EXPECT_EQ(Ask("view=12&path=missing"), "Error #164.File Not Found");
    EXPECT_EQ(Ask("view=12&path=missing&downfile=none&date=0&time=0"), "Error #164.File Not Found");
    EXPECT_EQ(Ask("view=12&path=app&downfile=gone.txt"), "Error #164.File Not Found");
    EXPECT_EQ(Ask("view=12&path=app&downfile=sub"), "Error #164.File Not Found");
}

TEST_F(ServerAnswersTest, HostileQueriesGetAnAnswerAndNeverCrash) {
    const std::string hostile[] = {
        std::string(kMaxQuery + 1, 'a'),
        "path=" + std::string(kMaxQuery, '/'),
        "path=%",
        "path=%%%%%%&downfile=%",
        "path=app&downfile=%00",
        "path=app%00/../..&downfile=a.txt",
        "path=app&downfile=" + std::string(5000, 'x'),
        "path=app&downfile=" + std::string(2000, '/'),
        "path=app&downfile=none&date=99999999&time=99999999",
        "path=app&downfile=none&date=%39%39&time=-%31",
        "&&&&====&&&&",
        "path=app&downfile=a.txt&downfile=../../etc/passwd",
    };
    for (const std::string& q : hostile) {
        const std::string body = Ask(q);
        EXPECT_FALSE(body.empty()) << q.substr(0, 60);
    }
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::string q = "path=";
        const int n = static_cast<int>(rng() % 64);
        for (int i = 0; i < n; ++i) q.push_back(static_cast<char>(rng() % 256));
        Answer a = HandleQuery(config_, q);
        EXPECT_FALSE(BodyOf(&a).empty());
    }
}
