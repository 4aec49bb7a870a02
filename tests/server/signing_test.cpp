// The publisher's signing: the published path the manifest binds, and a sequence that would make
// every desktop refuse the folder refused unless forced.
#include <gtest/gtest.h>

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
    // Each row signs the folder again over what the rows before left.
    const struct { uint64_t sequence; bool force; const char* path; ErrCode err; uint64_t kept; const char* folder; } rows[] = {
        {10, false, "", kOk, 10, "app"},
        {9, false, "", kErrBadInput, 10, "app"},  // below the present manifest's
        {10, false, "Shop/app", kOk, 10, "Shop/app"},
        {9, true, "", kOk, 9, "app"},
        {0, false, "shop//app", kErrBadInput, 9, "app"},
        {0, false, "../app", kErrBadInput, 9, "app"},
    };
    for (const auto& r : rows) {
        SignOptions o;
        o.keyPath = dir / "key.pem";
        o.folder = dir / "app/.";
        o.sequence = r.sequence;
        o.force = r.force;
        o.path = r.path;
        EXPECT_EQ(SignFolder(o, &summary, &why), r.err) << r.sequence << r.path;
        if (r.err) {
            EXPECT_NE(why.find(r.sequence ? "--force" : "--path"), std::string::npos) << why;
        }
        FILE* f = std::fopen((dir / "app/kelvane.manifest").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        std::string text(4096, '\0');
        text.resize(std::fread(text.data(), 1, text.size(), f));
        std::fclose(f);
        Manifest m;
        ASSERT_EQ(ParseManifest(text.data(), text.size(), &m, &why), kOk) << why;
        EXPECT_EQ(m.sequence, r.kept) << r.sequence << r.path;
        EXPECT_EQ(m.folder, r.folder) << r.sequence << r.path;
    }
}
