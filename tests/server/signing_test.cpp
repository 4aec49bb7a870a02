// Signing: the published path the manifest binds; a sequence desktops would refuse, only forced.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "protocol/manifest.h"
#include "server/signing.h"
#include "tests/server/server_test_support.h"

using namespace rt;
using server_test::ScratchDir;

TEST(SignFolderTest, BindsThePublishedPathAndNeverLowersTheSequenceUnlessForced) {
    ScratchDir dir;
    std::string pub, why, summary;
    ASSERT_EQ(GenerateSigningKey(dir / "key.pem", &pub, &why), kOk) << why;
    dir.MakeFolder("app");
    dir.Write("app/a.txt", "a");
    const struct { uint64_t sequence; bool force; const char* path; ErrCode err; uint64_t kept; const char* folder; } rows[] = {
        {10, false, "", kOk, 10, "app"},
        {9, false, "", kErrBadInput, 10, "app"},  // below the present manifest's
        {10, false, "Shop/app", kOk, 10, "Shop/app"},
        {9, true, "", kOk, 9, "app"},
        {0, false, "shop//app", kErrBadInput, 9, "app"},
    };
    for (const auto& r : rows) {
        const SignOptions o{dir / "key.pem", dir / "app/.", 90, r.sequence, r.path, r.force};
        EXPECT_EQ(SignFolder(o, &summary, &why), r.err) << r.sequence << r.path;
        EXPECT_TRUE(!r.err || why.find(r.sequence ? "--force" : "--path") != std::string::npos) << why;
        std::ifstream in(dir / "app/kelvane.manifest", std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        Manifest m;
        ASSERT_EQ(ParseManifest(text.data(), text.size(), &m, &why), kOk) << why;
        EXPECT_EQ(m.sequence, r.kept) << r.sequence << r.path;
        EXPECT_EQ(m.folder, r.folder) << r.sequence << r.path;
    }
}
