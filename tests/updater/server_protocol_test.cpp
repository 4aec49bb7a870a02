// Tests of the request addresses, the status query with its retries and the list request, with
// stub fetchers in place of the HTTP client.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/temp_pool.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/updater/loopback_answers.h"
#include "protocol/checksum.h"
#include "protocol/file_list.h"
#include "updater/server_protocol.h"
#include "protocol/transfer_header.h"
#include "tests/support/environment.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::V;
using rt_test::TempDir;

const std::string kCreds = std::string("ana") + '\0' + "PW32";

TEST(RequestAddress, Table) {
    const struct { std::string source, creds, address; ErrCode err; } cases[] = {
        {"http://host/app", kCreds, "http://host/cgi-bin/updater?view=12&user=ana&passw=PW32&path=app", 0},
        {"http://host:8080/a/b/c", kCreds, "http://host:8080/cgi-bin/updater?view=12&user=ana&passw=PW32&path=a/b/c", 0},
        {"http://host/", kCreds, "http://host/cgi-bin/updater?view=12&user=ana&passw=PW32&path=", 0},
        {"http://host/x?view=1", kCreds, "http://host/x?view=1", 0},
        {"http://host/x?view=1", "", "http://host/x?view=1", 0},
        {"http://host", kCreds, "", kErrBadInput},
        {"http:/", kCreds, "", kErrBadInput},
        {"", kCreds, "", kErrBadInput},
        {"http://host/app", "", "", kErrUserCanceled},
        {"http://host/app", "ana", "http://host/cgi-bin/updater?view=12&user=ana&passw=&path=app", 0},
        // Bytes that would break the request line or the query travel escaped.
        {"http://host/my app", std::string("a b&c") + '\0' + "P#%", 
         "http://host/cgi-bin/updater?view=12&user=a%20b%26c&passw=P%23%25&path=my%20app", 0},
    };
    for (const auto& c : cases) {
        uint16_t mark = PoolMark();
        StrRef a = BuildRequestAddress(V(c.source), V(c.creds));
        EXPECT_EQ(StrError(a), c.err) << c.source;
        if (c.err == 0) {
            EXPECT_EQ(Str(a), c.address);
        }
        if (c.err == kErrBadInput) {
            EXPECT_EQ(Str(ErrorDetail()), c.source);
        }
        PoolRelease(mark);
    }
}

TEST(RequestAddress, ErrorCredentialsPassThroughAndLongAddressesFail) {
    uint16_t mark = PoolMark();
    EXPECT_EQ(StrError(BuildRequestAddress(T("http://h/app"), StrErr(175))), 175);
    std::string longPath = "http://h/" + std::string(1000, 'p');
    EXPECT_EQ(StrError(BuildRequestAddress(V(longPath), V(kCreds))), kErrStringTooLong);
    EXPECT_EQ(PoolMark(), mark);
}

TEST(RequestAddress, StatusAndDownloadAddresses) {
    uint16_t mark = PoolMark();
    const std::string baseText = "http://h/cgi-bin/updater?view=12&user=u&passw=p&path=app";
    StrRef base = V(baseText);
    EXPECT_EQ(Str(StatusQueryAddress(base, StrEmpty(), StrEmpty())), Str(base) + "&downfile=none&date=0&time=0");
    // The time of the record goes as milliseconds since midnight, whether typed or already a number;
    // one that does not read counts as none.
    const struct { const char* time; const char* sent; } times[] = {
        {"12:30:05", "45005000"}, {"00:00:00", "0"}, {"23:59:59", "86399000"}, {"45005000", "45005000"}, {"1x:00", "0"},
    };
    for (const auto& t : times)
        EXPECT_EQ(Str(StatusQueryAddress(base, T("20240131"), T(t.time))),
                  Str(base) + "&downfile=none&date=20240131&time=" + t.sent) << t.time;
    EXPECT_EQ(Str(DownloadAddress(base, T("sub\\new.dll"))), Str(base) + "/&downfile=sub/new.dll");
    EXPECT_EQ(Str(DownloadAddress(base, T("my file&1.txt"))), Str(base) + "/&downfile=my%20file%261.txt");
    PoolRelease(mark);
}

// ---- stubs ------------------------------------------------------------------------------------
std::vector<ErrCode> gOkAnswers;
std::vector<std::string> gAsked;
int gResets = 0;
ErrCode gResetAnswer = 0;
std::string gResetFile;
std::map<std::string, std::string> gBodies;

ErrCode StubExpectOk(StrRef address, uint16_t flags) {
    EXPECT_TRUE(flags & 1) << "credentials must stay out of the log";
    gAsked.push_back(Str(address));
    ErrCode e = gOkAnswers.empty() ? 0 : gOkAnswers.front();
    if (!gOkAnswers.empty()) gOkAnswers.erase(gOkAnswers.begin());
    return e;
}
ErrCode StubReset(StrRef file, StrRef) {
    ++gResets;
    gResetFile = Str(file);
    return gResetAnswer;
}
StrRef StubCredentials(StrRef) {
    static const std::string creds = std::string("ana") + '\0' + "NEW";
    return V(creds);
}
class ServerStubTest : public ::testing::Test {
protected:
    // The list answers come over loopback HTTP from gBodies, by address; none closes the connection.
    rt_test::LoopbackAnswers http_{[](const std::string& address) {
        gAsked.push_back(address);
        auto it = gBodies.find(address);
        return it == gBodies.end() ? rt_test::LoopbackAnswers::kNoAnswer : it->second;
    }};
    void SetUp() override {
        SetServerSeams({.fetchExpectOk = StubExpectOk});
        gOkAnswers.clear();
        gAsked.clear();
        gBodies.clear();
        gResets = 0;
        gResetAnswer = 0;
        temp_.emplace("TEMP", dir_.Path());
        mark_ = PoolMark();
    }
    void TearDown() override {
        EXPECT_EQ(PoolMark(), mark_);
        PoolRelease(mark_);
        temp_.reset();
        SetServerSeams({});
    }
    bool TempFolderEmpty() const {
        std::error_code ec;
        return std::filesystem::is_empty(TempDir::Native(dir_.Path()), ec);
    }
    TempDir dir_;
    std::optional<rt_test::ScopedEnvironment> temp_;  // TEMP points at the test's folder
    uint16_t mark_ = 0;
};

TEST_F(ServerStubTest, StatusQueryAnswers) {
    const ErrCode answers[] = {0, 124, 139, 0xFFFF, 171};
    for (ErrCode a : answers) {
        gOkAnswers = {a};
        gAsked.clear();
        EXPECT_EQ(StatusQuery(T("http://h/app"), V(kCreds), T("20240131"), StrEmpty(), T("Kelvane")), a);
        ASSERT_EQ(gAsked.size(), 1u);
        EXPECT_EQ(gAsked[0], "http://h/cgi-bin/updater?view=12&user=ana&passw=PW32&path=app"
                             "&downfile=none&date=20240131&time=0");
    }
    EXPECT_EQ(gResets, 0);
}

TEST_F(ServerStubTest, Refused175WithDeclinedResetEndsAtOnce) {
    { ServerSeams s = ServerSeamsInUse(); s.passwordReset = nullptr; SetServerSeams(s); }  // the default declines
    gOkAnswers = {175, 0};
    EXPECT_EQ(StatusQuery(T("http://h/app"), V(kCreds), StrEmpty(), StrEmpty(), T("Kelvane")), 175);
    EXPECT_EQ(gAsked.size(), 1u);
}

TEST_F(ServerStubTest, Refused175RetriesWithNewCredentialsAtMostThreeTimes) {
    { ServerSeams s = ServerSeamsInUse(); s.passwordReset = StubReset; SetServerSeams(s); }
    { ServerSeams s = ServerSeamsInUse(); s.credentials = StubCredentials; SetServerSeams(s); }
    gOkAnswers = {175, 124};
    EXPECT_EQ(StatusQuery(T("http://h/app"), V(kCreds), StrEmpty(), StrEmpty(), T("Kelvane")), 124);
    ASSERT_EQ(gAsked.size(), 2u);
    EXPECT_NE(gAsked[1].find("passw=NEW"), std::string::npos);
    EXPECT_EQ(gResets, 1);
    EXPECT_EQ(gResetFile, "Kelvane");

    gAsked.clear();
    gResets = 0;
    gOkAnswers = {175, 175, 175, 175};
    EXPECT_EQ(StatusQuery(T("http://h/app"), V(kCreds), StrEmpty(), StrEmpty(), T("Kelvane")), 175);
    EXPECT_EQ(gAsked.size(), 3u);
    EXPECT_EQ(gResets, 2);
}

TEST_F(ServerStubTest, StatusQueryWithoutPathIs163BeforeAnyRequest) {
    EXPECT_EQ(StatusQuery(T("http://h"), V(kCreds), StrEmpty(), StrEmpty(), T("Kelvane")), kErrBadInput);
    EXPECT_TRUE(gAsked.empty());
}

std::string ListAnswer(const std::string& names, const std::vector<FileInfo>& recs) {
    std::vector<char> body(FileListBodySize(static_cast<uint32_t>(names.size()), static_cast<uint32_t>(recs.size())));
    uint32_t n = 0;
    EXPECT_EQ(FormatFileList(V(names), recs.data(), static_cast<uint16_t>(recs.size()), body.data(),
                             static_cast<uint32_t>(body.size()), &n), 0);
    TransferHeader h;
    h.size = n;
    h.checksum = ChecksumOfBytes(body.data(), n);
    char head[42];
    FormatTransferHeader(h, head);
    return std::string(head, 42) + std::string(body.data(), n);
}

TEST_F(ServerStubTest, ListRequestParsesIntoAListingAndWritesNoFile) {
    FileInfo a, b;
    a.attributes = 32; a.size = 10; a.writeDate = 20240101; a.writeTime = 1000;
    b.attributes = 32; b.size = 0; b.writeDate = 20240102; b.writeTime = 2000;
    const std::string addr = http_.Base() + "/cgi-bin/updater?view=12&user=u&passw=p&path=app";
    gBodies[addr] = ListAnswer(std::string("a.exe") + '\0' + "sub/b.dll", {a, b});
    FolderListing l;
    ASSERT_EQ(FetchServerList(V(addr), T("Kelvane"), &l), 0);
    EXPECT_EQ(l.count, 2);
    EXPECT_EQ(std::string(l.names.ptr, l.names.len), std::string("a.exe") + '\0' + "sub\\b.dll");
    EXPECT_EQ(l.records[1].writeDate, 20240102);
    EXPECT_EQ(Str(l.folder), addr);
    EXPECT_TRUE(TempFolderEmpty());
    PoolRelease(mark_);
}

TEST_F(ServerStubTest, ListRequestServerAnswers) {
    { ServerSeams s = ServerSeamsInUse(); s.passwordReset = StubReset; SetServerSeams(s); }
    const std::string addr = http_.Base() + "/x?l";
    const struct { std::string body; ErrCode code; int resets; } cases[] = {
        {"Error #175.Permission Denied", 175, 1},
        {"Error #164.No such folder", 164, 0},
        {"", kErrTransUp, 0},
        {std::string(42, ' ') + "00000", kErrFileNotFound, 0},
        {std::string(42, ' ') + "00008..\\x.exe" + std::string(34, '0'), kErrBadInput, 0},
        {std::string(42, ' ') + "99999abc", kErrTransUp, 0},
    };
    for (const auto& c : cases) {
        gBodies[addr] = c.body;
        gResets = 0;
        FolderListing l;
        EXPECT_EQ(FetchServerList(V(addr), T("Kelvane"), &l), c.code) << c.body;
        EXPECT_EQ(gResets, c.resets) << c.body;
        EXPECT_EQ(PoolMark(), mark_);
        EXPECT_TRUE(TempFolderEmpty()) << c.body;
    }
    gBodies.clear();
    FolderListing l;
    EXPECT_EQ(FetchServerList(V(addr), T("Kelvane"), &l), kErrNetAccess);
}

TEST_F(ServerStubTest, ServerAnswerNeedsMoreThanSevenBytes) {
    const struct { std::string body; ErrCode code; } cases[] = {
        {"Error #175.Permission Denied", 175},
        {"Error #0.x", 0xFFFF},
        {"Fail", 0},
        {"Error #", 0},
        {std::string(42, ' ') + "content", 0},
        {"OK", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ServerAnswerIn(c.body.data(), static_cast<uint32_t>(c.body.size())), c.code) << c.body;
}

}  // namespace
}  // namespace rt
