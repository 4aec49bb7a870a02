// Tests of the signed manifest's text: what the reader refuses, line by line and at its limits,
// the signature's DER form, and a signature made by the openssl command line checked with the
// platform's crypto.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/manifest.h"

namespace rt {
namespace {

// `openssl dgst -sha256 -sign` over "kelvane" with a fresh prime256v1 key, and that key's point.
const char kOpensslKey[] =
    "04e7a4e89bd9d62135b16baf5603cccbdcd24fa441f063756457ad3d1fc29a639f0642d49d1832f9db2d60b1947f467c8cc593e4584"
    "05a6ea5049dbfdd460f2007";
const char kOpensslSignature[] =
    "3046022100d3182b1612a6f2d380576a726d7c70faf143a9229a6694b028a7a03008c4b692022100f2ae663d69a9d619fdf6e5409b6d"
    "366669a43ea238dfd022487b212fa23caf3a";
const std::string kSigLine = std::string("signature ") + kOpensslSignature + "\n";
const std::string kSum(64, 'a');

std::string Head(const std::string& sequence = "7", const std::string& expires = "20991231",
                 const std::string& folder = "app") {
    return "kelvane-manifest 1\nfolder " + folder + "\nsequence " + sequence + "\nexpires " + expires + "\n";
}

std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    return out;
}

TEST(Manifest, ReadsWhatItWritesAndFindsNamesAsListingsSpellThem) {
    Manifest m;
    m.folder = "app";
    m.sequence = 42;
    m.expires = 20990101;
    ManifestEntry e;
    e.name = "lib\\one.dll";
    e.size = 4096;
    e.date = 20261208;
    e.ms = 30009000;
    e.sha256[31] = 0xAB;
    m.files.push_back(e);
    const std::string text = FormatManifestBody(m) + kSigLine;
    Manifest back;
    std::string why;
    ASSERT_EQ(ParseManifest(text.data(), text.size(), &back, &why), kOk) << why;
    EXPECT_EQ(back.sequence, 42u);
    EXPECT_EQ(back.expires, 20990101);
    EXPECT_EQ(back.signedLength, text.size() - kSigLine.size());
    const ManifestEntry* found = back.Find("LIB/One.DLL");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, "lib\\one.dll");
    EXPECT_EQ(found->size, 4096u);
    EXPECT_EQ(found->sha256[31], 0xAB);
    EXPECT_EQ(back.Find("one.dll"), nullptr);
}

TEST(Manifest, RefusesEveryMalformedTextNamingItsLine) {
    const std::string file = "file 1 20261208 0 " + kSum + " ";
    const struct { std::string text; const char* why; } cases[] = {
        {"kelvane-manifest 2\n" + Head().substr(19) + kSigLine, "line 1:"},
        {"kelvane-manifest 1\nsequence 7\n" + kSigLine, "line 2:"},
        {Head("7", "20991231", "Shop/My App") + kSigLine, nullptr},
        {Head("7", "20991231", std::string(255, 'a')) + kSigLine, nullptr},
        {Head("7", "20991231", std::string(256, 'a')) + kSigLine, "line 2:"},
        {Head("7", "20991231", "shop//app") + kSigLine, "line 2:"},
        {Head("7", "20991231", "shop/../app") + kSigLine, "line 2:"},
        {Head("7", "20991231", "shop\\app") + kSigLine, "line 2:"},
        {Head("7", "20991231", "app/") + kSigLine, "line 2:"},
        {Head("999999999999999999") + file + "a\n" + kSigLine, nullptr},  // 18 digits: the last accepted
        {Head("1000000000000000000") + kSigLine, "line 3:"},
        {Head("-1") + kSigLine, "line 3:"},
        {Head("7", "20250229") + kSigLine, "line 4:"},
        {Head("7", "20240229") + kSigLine, nullptr},
        {Head() + "file 999999999999 20261208 86399999 " + kSum + " a\n" + kSigLine, nullptr},
        {Head() + "file 1000000000000 20261208 0 " + kSum + " a\n" + kSigLine, "line 5:"},
        {Head() + "file 1 20261208 86400000 " + kSum + " a\n" + kSigLine, "line 5:"},
        {Head() + "file 1 20261208 0 " + kSum.substr(1) + "g a\n" + kSigLine, "line 5:"},
        {Head() + file + "../x.exe\n" + kSigLine, "line 5:"},
        {Head() + file + "C:\\x.exe\n" + kSigLine, "line 5:"},
        {Head() + file + "\n" + kSigLine, "line 5:"},
        {Head() + file + "a\n" + file + "A\n" + kSigLine, "named twice"},
        {Head() + "files 1\n" + kSigLine, "line 5:"},
        {Head() + file + "a\n", "no signature"},
        {Head() + kSigLine + file + "a\n", "after the signature"},
        {Head() + "signature 3006020101020101\n", nullptr},
        {Head() + "signature 30060201ff020101\n", "line 5:"},  // a negative r
        {Head() + "signature 300702010102010100\n", "line 5:"},
        {Head() + "signature 30\n", "line 5:"},
    };
    for (const auto& c : cases) {
        Manifest m;
        std::string why;
        const ErrCode err = ParseManifest(c.text.data(), c.text.size(), &m, &why);
        if (!c.why) {
            EXPECT_EQ(err, kOk) << c.text << why;
        } else {
            EXPECT_EQ(err, kErrUserCheck) << c.text;
            EXPECT_NE(why.find(c.why), std::string::npos) << c.text << " gave " << why;
        }
    }
    Manifest m;
    std::string why;
    EXPECT_EQ(ParseManifest("x", kMaxManifestBytes + 1, &m, &why), kErrUserCheck);
}

TEST(Manifest, DerSignaturesOfEveryLengthBecomeRAndS) {
    uint8_t raw[kP256SignatureSize];
    // 33-byte integers with a sign byte, as openssl writes half of the time.
    std::vector<uint8_t> der = Bytes(kOpensslSignature);
    ASSERT_TRUE(DerToRawSignature(der.data(), der.size(), raw));
    EXPECT_EQ(raw[0], 0xd3);
    EXPECT_EQ(raw[32], 0xf2);
    // Short integers are right-aligned.
    der = Bytes("3006020101020102");
    ASSERT_TRUE(DerToRawSignature(der.data(), der.size(), raw));
    EXPECT_EQ(raw[31], 1);
    EXPECT_EQ(raw[0], 0);
    EXPECT_EQ(raw[63], 2);
    for (const char* bad : {"3007020101020102", "300602010102010200", "3006020101030102",
                            "302502210100000000000000000000000000000000000000000000000000000000000000000201011"}) {
        der = Bytes(bad);
        EXPECT_FALSE(DerToRawSignature(der.data(), der.size(), raw)) << bad;
    }
}

TEST(Manifest, AnOpensslSignatureVerifiesWithThePlatformAndNothingElseDoes) {
    const std::string k = kOpensslKey;
    std::string eight;
    for (int i = 0; i < 8; ++i) eight += k + "\r\n";
    const struct { std::string text; size_t keys; } files[] = {
        {"  " + k + "\r\n", 1}, {k + "\n\n \n" + k, 2}, {eight, 8}, {eight + k, 0},
        {k.substr(2), 0}, {k + "00", 0}, {"05" + k.substr(2), 0}, {k + "\n#", 0}, {"\n", 0},
    };
    for (const auto& f : files) EXPECT_EQ(ParsePublicKeys(f.text).size(), f.keys) << f.text;
    uint8_t key[kP256PublicKeySize];
    std::memcpy(key, ParsePublicKeys(k)[0].data(), sizeof key);
    const std::string signedText = "kelvane";
    Manifest m;
    const std::vector<uint8_t> der = Bytes(kOpensslSignature);
    ASSERT_TRUE(DerToRawSignature(der.data(), der.size(), m.signature));
    m.signedLength = signedText.size();
    EXPECT_EQ(VerifyManifest(m, signedText.data(), key), kOk);
    EXPECT_EQ(VerifyManifest(m, "kelvanE", key), kErrUserCheck);
    m.signature[5] ^= 1;
    EXPECT_EQ(VerifyManifest(m, signedText.data(), key), kErrUserCheck);
    m.signature[5] ^= 1;
    key[64] ^= 1;  // off the curve
    EXPECT_EQ(VerifyManifest(m, signedText.data(), key), kErrUserCheck);
}

}  // namespace
}  // namespace rt
