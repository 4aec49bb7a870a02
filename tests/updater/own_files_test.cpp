// The updater's own files by what their folders are: each spelling a desktop can give the target
// (short names, \\?\, \\localhost\c$, SUBST and mapped drives, junctions, hard links, case) with
// the identity the platform would give it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "protocol/manifest.h"
#include "runtime/params.h"
#include "tests/support/run_params.h"
#include "tests/support/text.h"
#include "updater/own_files.h"

namespace rt {
namespace {

// The updater's folder (A), the working folder (W), a subfolder of A, and others.
const std::map<std::string, FileIdentity> kSpellings = {
    {"C:\\Program Files\\Orvik", {7, 100}}, {"C:\\PROGRA~1\\Orvik", {7, 100}},
    {"\\\\?\\C:\\Program Files\\Orvik", {7, 100}}, {"\\\\localhost\\c$\\Program Files\\Orvik", {7, 100}},
    {"S:\\", {7, 100}} /* SUBST */, {"M:\\Orvik", {7, 100}} /* mapped */, {"C:\\Junction", {7, 100}},
    {".", {7, 200}}, {"D:\\Work", {7, 200}}, {"C:\\Program Files\\Orvik\\sub", {7, 101}},
    {"C:\\Other", {7, 300}}, {"C:\\Hardlinks", {7, 400}} /* hard links of the own files */};

ErrCode Identity(const char* path, FileIdentity* out) {
    if (std::string(path) == "C:\\Locked") return kErrFileOpening;
    const auto it = kSpellings.find(path);
    if (it == kSpellings.end()) return kErrFileNotFound;
    *out = it->second;
    return 0;
}

ErrCode ShortLeaf(const char* path, std::string* out) {
    *out = FoldedName(path) == "c:\\program files\\orvik\\longername" ? "LONGER~1" : "";
    return 0;
}

class OwnFilesTest : public rt_test::EmptyParamsTest {
protected:
    void SetUp() override {
        EmptyParamsTest::SetUp();
        SetRunParam(kParamAppFolder, rt_test::T("C:\\Program Files\\Orvik"));
        SetFileIdentitySeams({Identity, ShortLeaf});
    }
    void TearDown() override {
        SetFileIdentitySeams({});
        EmptyParamsTest::TearDown();
    }
    static bool Holds(const char* apname, const std::string& target, const std::string& name) {
        SetRunParam(kParamAppName, rt_test::T(apname));
        return OwnFiles(rt_test::V(target)).Holds(name);
    }
};

TEST_F(OwnFilesTest, EveryOwnNameInEveryCaseWithAndWithoutAnIdentity) {
    const std::string common[] = {"Kelvane", "Kelvane.pub", "UPlog.txt", "config.txt", "kelvane.seq", "kelvane.dat"};
    for (const char* apname : {"UP:Kelvane", "XY:LongerName"}) {
        std::vector<std::string> names(std::begin(common), std::end(common));
        if (apname[0] == 'X') names.insert(names.end(), {"LongerName", "LongerName.pub", "XYlog.txt"});
        for (std::string name : names) {
            for (int pass = 0; pass < 3; ++pass) {
                if (pass) std::transform(name.begin(), name.end(), name.begin(), pass == 1 ? ::toupper : ::tolower);
                EXPECT_TRUE(Holds(apname, "C:\\Program Files\\Orvik", name)) << apname << " " << name;
                EXPECT_TRUE(Holds(apname, "D:\\Work", name)) << apname << " " << name;
                EXPECT_FALSE(Holds(apname, "C:\\Other", name)) << apname << " " << name;
            }
        }
    }
    EXPECT_FALSE(Holds("UP:Kelvane", "C:\\Program Files\\Orvik", "LongerName")) << "another identity's file";
    // The short name the disk keeps for the credentials file; none where there is no such file.
    EXPECT_TRUE(Holds("XY:LongerName", "C:\\PROGRA~1\\Orvik", "longer~1"));
    EXPECT_FALSE(Holds("XY:LongerName", "D:\\Work", "LONGER~1"));
    EXPECT_TRUE(Holds("XY:\xd1" "ame", "C:\\Program Files\\Orvik", "\xf1" "AME.pub")) << "Windows-1252 case";
}

TEST_F(OwnFilesTest, SpellingsOfTheTarget) {
    const struct { const char* target; const char* name; bool own; } rows[] = {
        {"C:\\PROGRA~1\\Orvik", "Kelvane", true}, {"\\\\?\\C:\\Program Files\\Orvik", "KELVANE.PUB", true},
        {"\\\\localhost\\c$\\Program Files\\Orvik", "kelvane", true}, {"S:\\", "Kelvane.pub/readme.txt", true},
        {"M:\\Orvik", "kelvane.dat\\x", true}, {"C:\\Junction", "UPlog.txt/x/y", true},
        {"C:\\Program Files", "Orvik/Kelvane.pub", true} /* the updater's folder below the target */,
        {"C:\\Program Files\\Orvik", "sub/Kelvane", false}, {"C:\\Program Files\\Orvik", "app.exe", false},
        {"C:\\Program Files\\Orvik", "app/Kelvane", false} /* not there: no own folder */,
        {"C:\\Other", "kelvane.manifest", true}, {"C:\\Other", "sub/kelvane.manifest", false},
        {"C:\\Missing", "Kelvane", false}, {"C:\\Locked", "Kelvane", true} /* cannot be told: refused */,
        {"C:\\Locked", "app.exe", false},
        // A hard link of an own file under an own name elsewhere: the commit replaces the name,
        // never the file it shares.
        {"C:\\Hardlinks", "Kelvane", false},
    };
    for (const auto& r : rows) EXPECT_EQ(Holds("UP:Kelvane", r.target, r.name), r.own) << r.target << " " << r.name;
}

}  // namespace
}  // namespace rt
