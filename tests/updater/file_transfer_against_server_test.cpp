// End-to-end transfers against a running kelvane-server, whose address (http://host:port) comes in
// KELVANE_TEST_SERVER; without it these tests are skipped. tests/e2e/transfer_against_server.sh
// publishes the folders they expect: "pub" (public) with empty.bin (0 bytes), small.bin (1025
// bytes) and sub/big.bin (64 MiB), all of them with the pattern byte i = (i * 31 + 7) mod 256 and
// the last-write time 2024-01-31 12:34:56, and "priv", readable only by a user the tests never
// name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "net/http_client.h"
#include "net/http_response.h"
#include "runtime/temp_pool.h"
#include "runtime/file_info.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/updater/file_answers.h"
#include "updater/file_transfer.h"
#include "updater/server_protocol.h"
#include "runtime/streams.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::V;
using rt_test::TempDir;

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    return s;
}

const std::string kCreds = std::string("guest") + '\0' + "00";

class AgainstServer : public ::testing::Test {
protected:
    void SetUp() override {
        const char* server = std::getenv("KELVANE_TEST_SERVER");
        if (!server || !*server) GTEST_SKIP() << "KELVANE_TEST_SERVER is not set";
        server_ = server;
        if (server_.back() != '/') server_ += '/';
        SetServerSeams({});
        mark_ = PoolMark();
    }
    void TearDown() override {
        if (server_.empty()) return;
        EXPECT_EQ(PoolMark(), mark_);
        PoolRelease(mark_);
    }
    std::string ListAddress(const std::string& folder) {
        uint16_t mark = PoolMark();
        std::string out = Str(BuildRequestAddress(V(server_ + folder), V(kCreds)));
        PoolRelease(mark);
        return out;
    }
    std::string server_;
    uint16_t mark_ = 0;
};

TEST_F(AgainstServer, StatusQueryBeforeAnyUpdateSaysChangesExist) {
    EXPECT_EQ(StatusQuery(V(server_ + "pub"), V(kCreds), StrEmpty(), StrEmpty(), T("Kelvane")), 124);
    EXPECT_EQ(StatusQuery(V(server_ + "pub"), V(kCreds), T("20990101"), T("0"), T("Kelvane")), 0);
}

TEST_F(AgainstServer, ListThenTransferEveryFile) {
    std::string list = ListAddress("pub");
    FolderListing l;
    ASSERT_EQ(FetchServerList(V(list), T("Kelvane"), &l), 0);
    ASSERT_EQ(l.count, 3);
    TempDir target;
    // An old file in place shows the replacement; a subfolder missing in the target is made.
    target.Write("small.bin", std::string(5000, 'o'));
    const struct { const char* name; size_t size; } files[] = {
        {"empty.bin", 0}, {"small.bin", 1025}, {"sub\\big.bin", 64u << 20}};
    for (const auto& f : files) {
        uint16_t at = ListingIndex(l.names, StrFromLiteral(f.name));
        ASSERT_NE(at, kNpos) << f.name;
        EXPECT_EQ(l.records[at].size, f.size) << f.name;
        EXPECT_EQ(l.records[at].writeDate, 20240131) << f.name;
        EXPECT_EQ(l.records[at].writeTime, 45296000) << f.name;
        std::string path = target.Path(f.name);
        ASSERT_EQ(TransferOneFile(V(list), StrFromLiteral(f.name), V(path), kBackupOff, 32, nullptr), 0) << f.name;
        EXPECT_TRUE(TempDir::Read(path) == Pattern(f.size)) << f.name;
        int32_t date = 0, ms = 0;
        ASSERT_EQ(FileTimeOf(V(path), kStampWrite, &date, &ms), 0);
        EXPECT_EQ(date, 20240131) << f.name;
        EXPECT_EQ(ms, 45296000) << f.name;
    }
    int entries = 0;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(TempDir::Native(target.Path()), ec)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 3) << "something temporary stayed beside the targets";
    PoolRelease(mark_);
}

TEST_F(AgainstServer, CorruptedByteGives134AndKeepsTheOldTarget) {
    std::string list = ListAddress("pub");
    TempDir dir;
    BufferSink answer;
    uint16_t mark = PoolMark();
    ASSERT_EQ(HttpFetchToSink(V(Str(DownloadAddress(V(list), T("small.bin")))), kFetchNoLog, answer), 0);
    PoolRelease(mark);
    std::string bytes(answer.data(), answer.size());
    ASSERT_EQ(bytes.size(), 42u + 1025u);
    bytes[42 + 1024] ^= 0x40;
    std::string target = dir.Write("small.bin", "old");
    EXPECT_EQ(rt_test::InstallAnswer(bytes, V(target)), kErrTransUp);
    EXPECT_EQ(TempDir::Read(target), "old");
}

TEST_F(AgainstServer, RefusedFolderGives175) {
    std::string list = ListAddress("priv");
    FolderListing l;
    EXPECT_EQ(FetchServerList(V(list), T("Kelvane"), &l), 175);
    TempDir dir;
    std::string target = dir.Write("p.txt", "old");
    EXPECT_EQ(TransferOneFile(V(list), T("p.txt"), V(target), kBackupOff, 32, nullptr), 175);
    EXPECT_EQ(TempDir::Read(target), "old");
    EXPECT_EQ(StatusQuery(V(server_ + "priv"), V(kCreds), StrEmpty(), StrEmpty(), T("Kelvane")), 175);
}

}  // namespace
}  // namespace rt
