// Credentials: loading from the file, the form when they are missing (remembered or not), the
// credential query, the list of stored passwords and the password reset.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/params.h"
#include "runtime/scramble.h"
#include "runtime/temp_pool.h"
#include "runtime/variables.h"
#include "tests/support/fake_run_ui.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "updater/credentials.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::T;
using rt_test::TempDir;
using rt_test::V;

class CredentialsTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        // The credentials file is found in the application folder.
        SetRunParam(kParamAppFolder, V(dir_.Path()));
        for (const char* v : {"USER$", "PASSW$", "srv_PASSW$", "srv_USER$"}) VarSetText(T(v), StrEmpty());
    }
    std::string Get(uint16_t flags, const char* file = "Kelvane") {
        uint16_t mark = PoolMark();
        std::string s = Str(GetCredentials(flags, T(file), T("USER$"), T("PASSW$")));
        PoolRelease(mark);
        return s;
    }
    static std::string Scrambled(const char* password, const char* user) {
        uint16_t mark = PoolMark();
        std::string s = Str(Scramble(T(password), T(user)));
        PoolRelease(mark);
        return s;
    }
    TempDir dir_{"kvcred"};
    rt_test::FakeRunUi ui_;
};

TEST_F(CredentialsTest, StoredCredentialsAreUsedWithoutAsking) {
    const std::string stored = Scrambled("s3cret", "ana");
    dir_.Write("Kelvane", "USER$='ana'\r\nPASSW$='" + stored + "'\r\n");
    EXPECT_EQ(Get(0), "ana" + std::string(1, '\0') + stored);
    EXPECT_TRUE(ui_.Of("form:").empty());
    // Asked for even though they are known (the administration menu's item).
    ui_.forms.push_back({0, {"bob", "pw", "N"}});
    EXPECT_EQ(Get(kCredentialsAsk), "bob" + std::string(1, '\0') + Scrambled("pw", "bob"));
    ASSERT_EQ(ui_.Of("form:").size(), 1u);
    EXPECT_EQ(ui_.Of("form:")[0],
              "Acceso a Servidor desconocido|'Usuario:':'A30':USER$:'ana','Contrase\xf1" "a:':'P30':PASSW$:'','Recordar (S/N):':'L1'");
    // Not remembered: the file still holds ana.
    EXPECT_NE(TempDir::Read(dir_.Path("Kelvane")).find("'ana'"), std::string::npos);
    // Read as data: the user and password assignments are taken, nothing else runs.
    const std::string planted = "WRITE('" + dir_.Path("planted.txt") + "';-2;'x')";
    dir_.Write("Kelvane", "USER$='ana';" + planted + "\r\nPASSW$=\"" + stored + "\"\r\nsrv_USER$='bob'\r\nsrv_PASSW$=STR$(1)\r\n");
    EXPECT_EQ(Get(0), "ana" + std::string(1, '\0') + stored);
    EXPECT_FALSE(std::filesystem::exists(TempDir::Native(dir_.Path("planted.txt"))));
    uint16_t mark = PoolMark();
    EXPECT_EQ(Str(VarGetText(T("srv_USER$"))) + Str(VarGetText(T("srv_PASSW$"))), "bob");
    PoolRelease(mark);
    ui_.forms.push_back({0, {"ana", "pw", "S"}});  // saving runs none of them either
    Get(kCredentialsAsk);
    EXPECT_FALSE(std::filesystem::exists(TempDir::Native(dir_.Path("planted.txt"))));
    // A file that cannot be read asks nobody and names itself.
    dir_.Write("Kelvane", "USER$='" + std::string(40000, 'u') + "'\r\n");
    ui_.events.clear();
    mark = PoolMark();
    EXPECT_GE(StrError(GetCredentials(0, T("Kelvane"), T("USER$"), T("PASSW$"))), kFirstSerious);
    PoolRelease(mark);
    EXPECT_EQ(Str(ErrorDetail()), dir_.Path("Kelvane") + ": cannot be read as a credentials file");
    EXPECT_TRUE(ui_.events.empty());
}

// Both values are needed: a stored user whose password is empty is asked for again, the form
// starting from that user.
TEST_F(CredentialsTest, AStoredUserWithAnEmptyPasswordOpensTheForm) {
    dir_.Write("Kelvane", "USER$='ana'\r\nPASSW$=''\r\n");
    ui_.forms.push_back({0, {"ana", "pw", "N"}});
    EXPECT_EQ(Get(0), "ana" + std::string(1, '\0') + Scrambled("pw", "ana"));
    ASSERT_EQ(ui_.Of("form:").size(), 1u);
    EXPECT_NE(ui_.Of("form:")[0].find("USER$:'ana'"), std::string::npos) << ui_.Of("form:")[0];
}

TEST_F(CredentialsTest, MissingCredentialsAreAskedForAndRememberedOnRequest) {
    EXPECT_EQ(Get(kCredentialsNeverAsk), "") << "never asking gives the empty text";
    EXPECT_TRUE(ui_.Of("form:").empty());
    EXPECT_EQ(Get(0), rt_test::Err(kErrUserCanceled)) << "a cancelled form";
    ui_.forms.push_back({0, {"  carla ", " pa'ss ", "S"}});
    EXPECT_EQ(Get(0), "carla" + std::string(1, '\0') + Scrambled("pa'ss", "carla"));
    const std::string file = TempDir::Read(dir_.Path("Kelvane"));
    EXPECT_NE(file.find("USER$='carla'"), std::string::npos) << file;
    EXPECT_NE(file.find("PASSW$='" + Scrambled("pa'ss", "carla") + "'"), std::string::npos) << file;
    // A later run reads them back without asking.
    VarSetText(T("USER$"), StrEmpty());
    VarSetText(T("PASSW$"), StrEmpty());
    EXPECT_EQ(Get(0), "carla" + std::string(1, '\0') + Scrambled("pa'ss", "carla"));
    EXPECT_EQ(ui_.Of("form:").size(), 2u);
    // In a batch run nobody can type them: 122 without a form.
    UseRunUi(BatchRunUi());
    ui_.events.clear();
    EXPECT_EQ(Get(kCredentialsAsk), rt_test::Err(kErrUserCanceled));
    // Nor without a file or password: the request goes with the user there is, if any.
    for (const char* v : {"USER$", "PASSW$"}) VarSetText(T(v), StrEmpty());
    EXPECT_EQ(Get(0, "Gone"), std::string(1, '\0'));
    dir_.Write("Kelvane", "USER$='ana'\r\n");
    EXPECT_EQ(Get(0), "ana" + std::string(1, '\0'));
    EXPECT_TRUE(ui_.events.empty());
    UseRunUi(ui_);
}

ErrCode RefuseReplace(FsFaultPoint point, const char*) { return point == kFaultReplace ? kErrPermission : 0; }

TEST_F(CredentialsTest, ASaveThatFailsLeavesTheOldFileWhole) {
    const std::string old = "USER$='ana'\r\nPASSW$='" + Scrambled("s3cret", "ana") + "'\r\n";
    dir_.Write("Kelvane", old);
    ui_.forms.push_back({0, {"bob", "pw", "S"}});
    SetFsSeams({.fault = RefuseReplace});
    EXPECT_EQ(Get(kCredentialsAsk), rt_test::Err(kErrPermission));
    SetFsSeams({});
    EXPECT_EQ(TempDir::Read(dir_.Path("Kelvane")), old);
}

TEST_F(CredentialsTest, TheQuerySendsThePasswordAsStoredOrDecoded) {
    uint16_t mark = PoolMark();
    const std::string creds = "ana" + std::string(1, '\0') + Scrambled("s3cret", "ana");
    EXPECT_EQ(Str(CredentialQuery(V(creds), true)), "user=ana&passw=" + Scrambled("s3cret", "ana"));
    EXPECT_EQ(Str(CredentialQuery(V(creds), false)), "user=ana&passw=s3cret");
    EXPECT_EQ(Str(CredentialUser(V(creds))), "ana");
    EXPECT_EQ(StrError(CredentialQuery(StrErr(175), true)), 175);
    const std::string huge = std::string(400, 'u') + '\0' + "p";
    EXPECT_EQ(StrError(CredentialQuery(V(huge), true)), kErrStringTooLong);
    PoolRelease(mark);
}

TEST_F(CredentialsTest, TheResetListsStoredPasswordsAndClearsTheChosenOnes) {
    dir_.Write("Kelvane", "USER$='ana'\r\nPASSW$='ABCD'\r\nsrv_USER$='bob'\r\nsrv_PASSW$='EFGH'\r\nold_PASSW$=''\r\n");
    uint16_t mark = PoolMark();
    EXPECT_EQ(Str(StoredPasswordServers(T("Kelvane"), T("PASSW$"))), "Servidor desconocido,srv");
    // A server whose password the file holds twice is one server to reset.
    dir_.Write("Twice", "srv_PASSW$='EFGH'\r\nPASSW$='ABCD'\r\nsrv_PASSW$='IJKL'\r\n");
    EXPECT_EQ(Str(StoredPasswordServers(T("Twice"), T("PASSW$"))), "srv,Servidor desconocido");
    PoolRelease(mark);

    ui_.manyChoices = {"<cancel>"};
    EXPECT_EQ(PasswordReset(T("Kelvane"), StrEmpty()), kErrUserCanceled);
    ASSERT_EQ(ui_.Of("many:").size(), 1u);
    EXPECT_EQ(ui_.Of("many:")[0], "Reinicio de contrase\xf1" "as|Servidor desconocido,srv");

    // The unnamed server, chosen in the list: cleared and saved, the other entries kept.
    ui_.manyChoices = {"1"};
    EXPECT_EQ(PasswordReset(T("Kelvane"), StrEmpty()), 0);
    std::string file = TempDir::Read(dir_.Path("Kelvane"));
    EXPECT_NE(file.find("PASSW$=''"), std::string::npos) << file;
    EXPECT_NE(file.find("srv_PASSW$='EFGH'"), std::string::npos) << file;
    EXPECT_EQ(ui_.Of("box0:").size(), 1u) << "the result is shown";

    // A server named by the caller is cleared without a list and without a box.
    ui_.events.clear();
    EXPECT_EQ(PasswordReset(T("Kelvane"), T("srv")), 0);
    file = TempDir::Read(dir_.Path("Kelvane"));
    EXPECT_NE(file.find("srv_PASSW$=''"), std::string::npos) << file;
    EXPECT_TRUE(ui_.events.empty());
    // Nothing stored any more: nothing to reset; the log names the file without one, or missing.
    dir_.Enter();
    SetRunParam(kParamAppName, T("UP:Kelvane"));
    EXPECT_EQ(PasswordReset(T("Kelvane"), T("srv")), kErrUserCanceled);
    EXPECT_EQ(PasswordReset(T("Gone"), T("srv")), kErrUserCanceled);
    const std::string log = TempDir::Read(dir_.Path("UPlog.txt"));
    EXPECT_NE(log.find("Access refused; no password stored in: " + dir_.Path("Kelvane")), std::string::npos) << log;
    EXPECT_NE(log.find("Access refused; no credentials file: " + dir_.Path("Gone")), std::string::npos) << log;
}

TEST_F(CredentialsTest, AFilterNamingAServerWithoutAPasswordOpensTheList) {
    dir_.Write("Kelvane", "PASSW$='ABCD'\r\n");
    ui_.manyChoices = {"<cancel>"};
    EXPECT_EQ(PasswordReset(T("Kelvane"), T("nobody")), kErrUserCanceled);
    EXPECT_EQ(ui_.Of("many:").size(), 1u);
}

}  // namespace
}  // namespace rt
