// Tests of the platform's SHA-256 through the seam: known digests, and a digest fed in pieces.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "runtime/crypto.h"

namespace rt {
namespace {

std::string Hex(const uint8_t* p) {
    std::string s;
    char b[3];
    for (size_t i = 0; i < kSha256Size; ++i) {
        std::snprintf(b, sizeof b, "%02x", p[i]);
        s += b;
    }
    return s;
}

TEST(Crypto, Sha256KnownDigestsWholeAndInPieces) {
    const struct { std::string input; const char* digest; } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const auto& c : cases) {
        uint8_t whole[kSha256Size];
        ASSERT_EQ(Sha256Of(c.input.data(), c.input.size(), whole), kOk);
        EXPECT_EQ(Hex(whole), c.digest) << c.input;
        Sha256 pieces;
        for (char ch : c.input) pieces.Update(&ch, 1);
        uint8_t fed[kSha256Size];
        ASSERT_EQ(pieces.Final(fed), kOk);
        EXPECT_EQ(Hex(fed), c.digest) << c.input;
        EXPECT_EQ(pieces.Final(fed), kErrInternal) << "a spent digest gives nothing more";
    }
}

}  // namespace
}  // namespace rt
