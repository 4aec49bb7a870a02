// Share connections through a stand-in router: every answer of the mapping table, what is reported
// and against which name, and the flags the router receives.
#include <gtest/gtest.h>

#include <string>

#include "net/share.h"
#include "runtime/errors.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;

uint32_t gAnswer = 0;
std::string gRemote, gLocal, gUser, gPassword, gCancelled;
uint32_t gFlags = 99;
bool gForce = false;

uint32_t FakeAdd(const char* remote, const char* local, const char* password, const char* user, uint32_t flags) {
    gRemote = remote;
    gLocal = local ? local : "<none>";
    gPassword = password;
    gUser = user;
    gFlags = flags;
    return gAnswer;
}
uint32_t FakeCancel(const char* name, uint32_t flags, bool force) {
    gCancelled = name;
    gFlags = flags;
    gForce = force;
    return gAnswer;
}

class ShareTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        SetShareSeams({.addConnection = FakeAdd, .cancelConnection = FakeCancel});
    }
    void TearDown() override {
        SetShareSeams({});
        PoolMarkTest::TearDown();
    }
};

TEST_F(ShareTest, EveryRouterAnswerMapsToItsCode) {
    struct Row {
        uint32_t answer;
        ErrCode code;
        std::string detail;  // after the remote name's line
    };
    std::vector<Row> rows = {{0, 0, ""}, {1219, 175, "ERROR_SESSION_CREDENTIAL_CONFLICT"}, {4321, 130, "4321"},
                             {1, 130, "1"}};
    for (uint32_t a : {5u, 86u, 170u, 1205u, 1223u}) rows.push_back({a, 175, ""});
    for (uint32_t a : {53u, 66u, 67u, 85u, 87u, 487u, 1200u, 1204u, 1206u, 2202u}) rows.push_back({a, 163, ""});
    for (uint32_t a : {1202u, 1203u, 1208u, 1222u, 1326u}) rows.push_back({a, 130, ""});
    for (const Row& r : rows) {
        SCOPED_TRACE(r.answer);
        gAnswer = r.answer;
        ReportError(0, StrEmpty());
        const uint16_t mark = PoolMark();
        EXPECT_EQ(ConnectShare(T("\\\\srv\\apps"), T("ana"), T("s3cret"), StrEmpty(), false), r.code);
        EXPECT_EQ(PoolMark(), mark);
        const std::string expected = r.code == 0 ? "" : r.detail.empty() ? "\\\\srv\\apps" : "\\\\srv\\apps\r\n" + r.detail;
        EXPECT_EQ(Str(ErrorDetail()), expected);
    }
}

TEST_F(ShareTest, TheRouterGetsTheDiskResourceAndTheProfileFlag) {
    gAnswer = 0;
    ASSERT_EQ(ConnectShare(T("\\\\srv\\apps"), T("ana"), T("pw"), T("X:"), true), 0);
    EXPECT_EQ(gRemote, "\\\\srv\\apps");
    EXPECT_EQ(gLocal, "X:");
    EXPECT_EQ(gUser, "ana");
    EXPECT_EQ(gPassword, "pw");
    EXPECT_EQ(gFlags, kShareUpdateProfile);
    ASSERT_EQ(ConnectShare(T("\\\\srv\\apps"), T("ana"), T("pw"), StrEmpty(), false), 0);
    EXPECT_EQ(gLocal, "<none>");
    EXPECT_EQ(gFlags, 0u);
    EXPECT_EQ(ConnectShare(T("\\\\srv\\apps"), StrErr(145), T("pw"), StrEmpty(), false), 145);

    EXPECT_EQ(DisconnectShare(T("\\\\srv\\apps"), true), 0);
    EXPECT_EQ(gCancelled, "\\\\srv\\apps");
    EXPECT_TRUE(gForce);
    EXPECT_EQ(gFlags, kShareUpdateProfile);
    gAnswer = 2250;  // not connected
    EXPECT_EQ(DisconnectShare(T("\\\\srv\\apps"), false), kErrNoCode);
}

}  // namespace
}  // namespace rt
