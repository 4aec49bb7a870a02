// The updater's own files by what their folders are: the spellings a desktop can give the target
// with the identities the platform would give them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "runtime/installer_program.h"
#include "runtime/params.h"
#include "tests/support/run_params.h"
#include "tests/support/text.h"
#include "updater/own_files.h"

namespace rt {
namespace {

// The updater's folder is {7, 100}, the working folder {7, 200}.
const std::map<std::string, FileIdentity> kSpellings = {
    {"C:\\Program Files\\Orvik", {7, 100}}, {"C:\\PROGRA~1\\Orvik", {7, 100}}, {"\\\\?\\C:\\Program Files\\Orvik", {7, 100}},
    {"\\\\localhost\\c$\\Program Files\\Orvik", {7, 100}}, {"S:\\", {7, 100}} /* SUBST */, {"M:\\Orvik", {7, 100}} /* mapped */,
    {"C:\\Junction", {7, 100}}, {".", {7, 200}}, {"D:\\Work", {7, 200}}, {"C:\\Program Files\\Orvik\\sub", {7, 101}},
    {"C:\\Other", {7, 300}}, {"C:\\Hardlinks", {7, 400}} /* hard links of the own files */,
    {"C:\\Program Files\\Kelvane", {7, 500}}, {"C:\\PROGRA~1\\Kelvane", {7, 500}} /* where the MSI installs */};

ErrCode Identity(const char* path, FileIdentity* out) {
    const auto it = kSpellings.find(path);
    if (it != kSpellings.end()) *out = it->second;
    return it != kSpellings.end() ? 0 : std::string(path) == "C:\\Locked" ? kErrFileOpening : kErrFileNotFound;
}

ErrCode ShortLeaf(const char* path, std::string* out) {
    return *out = std::string(path) == "C:\\Program Files\\Orvik\\longername" ? "LONGER~1" : "", 0;
}

class OwnFilesTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        SetRunParam(kParamAppFolder, rt_test::T("C:\\Program Files\\Orvik"));
        SetFileIdentitySeams({Identity, ShortLeaf});
    }
    void TearDown() override { SetFileIdentitySeams({}), SetInstallerSeams({}), EmptyParamsTest::TearDown(); }
    static bool Holds(const char* apname, const std::string& target, const std::string& name) {
        SetRunParam(kParamAppName, rt_test::T(apname));
        return OwnFiles(rt_test::V(target)).Holds(name);
    }
};

TEST_F(OwnFilesTest, EveryOwnNameInEveryCaseWithAndWithoutAnIdentityAndEverySpellingOfTheTarget) {
    for (const char* apname : {"UP:Kelvane", "XY:LongerName"}) {
        std::vector<std::string> names = {"Kelvane", "Kelvane.pub", "UPlog.txt", "config.txt", "kelvane.seq", "kelvane.dat"};
        if (apname[0] == 'X') names.insert(names.end(), {"LongerName", "LongerName.pub", "XYlog.txt"});
        for (std::string name : names) {
            for (int pass = 0; pass < 3; ++pass) {
                if (pass) std::transform(name.begin(), name.end(), name.begin(), pass == 1 ? ::toupper : ::tolower);
                EXPECT_TRUE(Holds(apname, "C:\\Program Files\\Orvik", name) && Holds(apname, "D:\\Work", name)) << apname << name;
                EXPECT_FALSE(Holds(apname, "C:\\Other", name)) << apname << " " << name;
            }
        }
    }
    const char* up = "UP:Kelvane";  // the default identity
    const struct { const char* apname; const char* target; const char* name; bool own; } rows[] = {
        {up, "C:\\Program Files\\Orvik", "LongerName", false} /* another identity's */,
        {"XY:LongerName", "C:\\PROGRA~1\\Orvik", "longer~1", true} /* the short name on the disk */,
        {"XY:LongerName", "D:\\Work", "LONGER~1", false} /* no such file there, no short name */,
        {"XY:\xd1" "ame", "C:\\Program Files\\Orvik", "\xf1" "AME.pub", true} /* Windows-1252 case */,
        {up, "\\\\?\\C:\\Program Files\\Orvik", "KELVANE.PUB", true}, {up, "\\\\localhost\\c$\\Program Files\\Orvik", "kelvane", true},
        {up, "S:\\", "Kelvane.pub/readme.txt", true}, {up, "M:\\Orvik", "kelvane.dat\\x", true}, {up, "C:\\Junction", "UPlog.txt/x/y", true},
        {up, "C:\\Program Files", "Orvik/Kelvane.pub", true} /* the updater's folder below the target */,
        {up, "C:\\Program Files\\Orvik", "sub/Kelvane", false}, {up, "C:\\Program Files\\Orvik", "app.exe", false},
        {up, "C:\\Program Files\\Orvik", "app/Kelvane", false} /* not there: no own folder */,
        {up, "C:\\Other", "kelvane.manifest", true}, {up, "C:\\Other", "sub/kelvane.manifest", false},
        {up, "C:\\Missing", "Kelvane", false}, {up, "C:\\Locked", "app.exe", false},
        {up, "C:\\Locked", "Kelvane", true} /* there, but no telling which folder: refused */,
        // A hard link of an own file under its name elsewhere: the commit replaces the name only.
        {up, "C:\\Hardlinks", "Kelvane", false}};
    for (const auto& r : rows) EXPECT_EQ(Holds(r.apname, r.target, r.name), r.own) << r.apname << r.target << r.name;
}

// The copy an MSI installed is Windows Installer's, whichever runs; one by hand (Orvik) is not.
TEST_F(OwnFilesTest, TheProgramAnMsiInstalledIsNeverReplaced) {
    static const char* installed;
    SetInstallerSeams({[] { return std::string(installed); }});
    const char* msi = "C:\\Program Files\\Kelvane\\kelvaner.exe";
    const struct { const char* installed; const char* target; const char* name; bool own; } rows[] = {
        {msi, "C:\\PROGRA~1\\Kelvane", "KELVANER.EXE", true}, {msi, "C:\\Program Files", "Kelvane/kelvaner.exe", true},
        {msi, "C:\\Program Files\\Kelvane", "other.exe", false}, {msi, "C:\\Program Files\\Orvik", "kelvaner.exe", false},
        {"", "C:\\Program Files\\Kelvane", "kelvaner.exe", false} /* no MSI */,
        {"C:\\Gone\\kelvaner.exe", "C:\\Program Files\\Kelvane", "kelvaner.exe", false} /* its folder went */};
    for (const auto& r : rows)
        EXPECT_EQ((installed = r.installed, Holds("UP:Kelvane", r.target, r.name)), r.own) << r.installed << r.target << r.name;
}

}  // namespace
}  // namespace rt
