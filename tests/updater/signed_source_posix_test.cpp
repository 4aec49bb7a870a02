// The signature's decisions, a row for each way a source passes or fails it, through SourceSignature
// as an update uses it: the key file beside the run, the manifest, the list, the staged files.
// The publisher's side is OpenSSL's, so these rows run in the host build.
#include <gtest/gtest.h>

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "runtime/dates.h"
#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "tests/support/run_params.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/support/today.h"
#include "updater/signed_source.h"

namespace rt {
namespace {

using rt_test::TempDir;
using rt_test::V;

// A publisher's P-256 key: its line of the key file, and manifests it signs.
struct Signer {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{EVP_EC_gen("P-256"), EVP_PKEY_free};
    std::string Line() const {
        uint8_t point[kP256PublicKeySize];
        size_t n = 0;
        EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &n);
        return HexText(point, n) + "\n";
    }
    std::string Sign(const Manifest& m) const {
        const std::string body = FormatManifestBody(m);
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        uint8_t der[80];
        size_t n = sizeof der;
        EXPECT_TRUE(EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
                    EVP_DigestSign(ctx.get(), der, &n, reinterpret_cast<const uint8_t*>(body.data()), body.size()) == 1);
        return body + ManifestSignatureLine(der, n);
    }
};
const Signer kSigners[2];

int32_t Today(int days = 0) {
    const int32_t t = std::stoi(rt_test::TodayText());
    return static_cast<int32_t>(DateOfDayNumber(DayNumber(t / 10000, t / 100 % 100, t % 100 + days)));
}

// One update: by default a source that lists every file the first key signed for shop/app, with
// sequence 5 accepted before and 6 offered now.
struct Case {
    std::string keys = kSigners[0].Line();  // the key file ("": none)
    int signer = 0;                         // -1: the source offers no manifest
    std::string source = "http://127.0.0.1:8080/shop/app";
    Manifest m;
    std::map<std::string, FileInfo> listed;        // as the source lists them
    std::map<std::string, std::string> staged;     // the bytes that arrive
    std::map<std::string, std::string> target;     // the target's files before
    Case() {
        m.folder = "shop/app", m.sequence = 6, m.expires = Today(30);
        const std::pair<const char*, const char*> files[] = {{"a.txt", "alpha"}, {"sub\\b.txt", "bravo"}};
        for (const auto& [name, bytes] : files) {
            ManifestEntry e{name, 5, 20260101, 1000};
            Sha256Of(bytes, 5, e.sha256);
            m.files.push_back(e);
            listed[name] = FileInfo{0, 5, 0, 0, 0, 0, 0, 20260101, 1000};
            staged[name] = bytes;
        }
        listed[kManifestName] = FileInfo{};
    }
};

class SignedSourceTest : public rt_test::EmptyParamsTest {
protected:
    // Begin, Accept, CheckListing and CheckStaged (by the stager's digest and read again) as the
    // update goes, up to the first refusal; *why its reason.
    static ErrCode Run(const Case& c, std::string* why) {
        TempDir dir;
        dir.Enter();
        SetRunParam(kParamAppFolder, V(dir.Path()));
        if (!c.keys.empty()) {
            PoolScope scope;
            std::ofstream(TempDir::Native(rt_test::Str(PublicKeyPath()))) << c.keys;
        }
        dir.Write(kSequenceFileName, std::string(kSequenceFileMagic) + "\r\n5 " +
                                         KeyId(ParsePublicKeys(kSigners[0].Line())[0]) + " shop\\app\r\n");
        for (const auto& [name, bytes] : c.target) dir.Write("target\\" + name, bytes);
        std::string names;
        std::vector<FileInfo> records;
        for (const auto& [name, info] : c.listed) names += (names.empty() ? "" : std::string(1, '\0')) + name;
        for (const auto& [name, info] : c.listed) records.push_back(info);
        FolderListing list;
        list.names = V(names), list.count = static_cast<uint16_t>(records.size()), list.records = records.data();
        const std::string target = dir.Path("target");

        SourceSignature s;
        ErrCode err = s.Begin(V(c.source));
        if (!err && s.active()) err = s.Accept(c.signer < 0 ? "" : kSigners[c.signer].Sign(c.m));
        if (!err && s.active()) err = s.CheckListing(list, V(target));
        for (const auto& [name, bytes] : c.staged) {
            if (err || !s.active()) break;
            uint8_t digest[kSha256Size];
            Sha256Of(bytes.data(), bytes.size(), digest);
            const std::string path = dir.Write("staged\\" + name, bytes);
            err = s.CheckStaged(path.c_str(), name, digest);
            EXPECT_EQ(s.CheckStaged(path.c_str(), name), err) << name << ": the digest and the bytes disagree";
        }
        PoolScope scope;
        *why = rt_test::Str(ErrorDetail());
        return err;
    }
};

TEST_F(SignedSourceTest, EachDecisionOfTheSignature) {
    const std::string other = kSigners[1].Line();
    const struct { const char* what; std::function<void(Case&)> change; ErrCode code; const char* why; } rows[] = {
        {"every file listed and signed", [](Case&) {}, 0, ""},
        {"no key file: taken as it is", [](Case& c) { c.keys.clear(), c.signer = -1; }, 0, ""},
        {"a key file too long to read", [](Case& c) { c.keys += std::string(4096, ' '); }, kErrUserCheck, "no public key"},
        {"a key file holding no key", [](Case& c) { c.keys = "04\n"; }, kErrUserCheck, "no public key"},
        {"no manifest", [](Case& c) { c.signer = -1; }, kErrUserCheck, "no signed manifest"},
        {"a manifest that does not read", [](Case& c) { c.m.folder = "shop//app"; }, kErrUserCheck, "manifest line 2"},
        {"signed by another key", [](Case& c) { c.signer = 1; }, kErrUserCheck, "not signed by a key"},
        {"the second of two keys", [&](Case& c) { c.keys += other, c.signer = 1; }, 0, ""},
        {"another folder's", [](Case& c) { c.source = "http://127.0.0.1:8080/tools/app"; }, kErrUserCheck, "folder shop/app's"},
        {"expired yesterday", [](Case& c) { c.m.expires = Today(-1); }, kErrUserCheck, "expired"},
        {"its last day today", [](Case& c) { c.m.expires = Today(); }, 0, ""},
        {"older than accepted", [](Case& c) { c.m.sequence = 4; }, kErrUserCheck, "sequence 4 is older than the 5"},
        {"the accepted one again", [](Case& c) { c.m.sequence = 5; }, 0, ""},
        {"a listed file not signed", [](Case& c) { c.listed["c.txt"] = c.listed["a.txt"]; }, kErrUserCheck, "c.txt is not in"},
        {"listed with another size", [](Case& c) { c.listed["a.txt"].size = 6; }, kErrUserCheck, "a.txt is listed with another"},
        {"listed with another time", [](Case& c) { c.listed["a.txt"].writeTime = 2000; }, kErrUserCheck, "a.txt is listed with another"},
        {"arrives with other bytes", [](Case& c) { c.staged["a.txt"] = "alphA"; }, kErrUserCheck, "a.txt arrived with other bytes"},
        {"withheld, not in the target", [](Case& c) { c.listed.erase("sub\\b.txt"), c.staged.erase("sub\\b.txt"); },
         kErrUserCheck, "sub\\b.txt is signed but not listed"},
        {"withheld, the target holds its bytes",
         [](Case& c) { c.listed.erase("sub\\b.txt"), c.staged.erase("sub\\b.txt"), c.target["sub\\b.txt"] = "bravo"; }, 0, ""},
        {"withheld, the target holds other bytes of its size",
         [](Case& c) { c.listed.erase("sub\\b.txt"), c.staged.erase("sub\\b.txt"), c.target["sub\\b.txt"] = "BRAVO"; },
         kErrUserCheck, "sub\\b.txt is signed but not listed"},
    };
    for (const auto& r : rows) {
        Case c;
        r.change(c);
        std::string why;
        EXPECT_EQ(Run(c, &why), r.code) << r.what << ": " << why;
        EXPECT_TRUE(!r.code || why.find(r.why) != std::string::npos) << r.what << ": " << why;
    }
}

}  // namespace
}  // namespace rt
