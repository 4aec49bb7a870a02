// Tests of the weighted content checksum: block weights, the reduction and file offsets.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/temp_pool.h"
#include "protocol/checksum.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace rt {
namespace {

using rt_test::T;
using rt_test::V;
using rt_test::TempDir;

// The algorithm written out literally, block by block and byte by byte from the end, as an
// oracle for the streaming implementation.
uint32_t Oracle(const std::string& s) {
    uint32_t sum = 0;
    for (size_t pos = 0; pos < s.size(); pos += 1024) {
        size_t n = std::min<size_t>(1024, s.size() - pos);
        for (size_t j = n; j-- > 0;) {
            sum += static_cast<unsigned char>(s[pos + j]) * static_cast<uint32_t>(j + 1);
            if (sum > 0x7FFFFFFF) sum -= 0x7FFFFFFF;
        }
    }
    return sum;
}

std::string Pattern(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = static_cast<char>(seed >> 16);
    }
    return s;
}

TEST(Checksum, Table) {
    struct Case { std::string data; uint32_t sum; } cases[] = {
        {"", 0},
        {"abc", 590},
        {std::string(1, '\0'), 0},
        {std::string(1024, '\x01'), 1024u * 1025u / 2},
        // The 1025th byte starts a new block and weighs 1.
        {std::string(1024, '\0') + "\x07", 7},
        {std::string(1025, '\x01'), 1024u * 1025u / 2 + 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChecksumOfBytes(c.data.data(), static_cast<uint32_t>(c.data.size())), c.sum) << c.data.size();
}

TEST(Checksum, ReductionKeepsTheSumBelowTheLimit) {
    // 64 MiB of 0xFF passes 0x7FFFFFFF many times over.
    std::string big(64u << 20, '\xff');
    uint32_t sum = ChecksumOfBytes(big.data(), static_cast<uint32_t>(big.size()));
    EXPECT_LE(sum, 0x7FFFFFFFu);
    // 65536 blocks of 255 * (1 + ... + 1024), reduced: the sum of weights is 524800.
    uint64_t total = 65536ull * 255ull * 524800ull;
    EXPECT_EQ(sum, static_cast<uint32_t>((total - 1) % 0x7FFFFFFFull + 1));
    EXPECT_EQ(sum, Oracle(big));
}

TEST(Checksum, StreamingMatchesOracleForAnySplit) {
    for (size_t n : {0u, 1u, 1023u, 1024u, 1025u, 3000u, 70000u}) {
        std::string s = Pattern(n, static_cast<uint32_t>(n));
        uint32_t whole = ChecksumOfBytes(s.data(), static_cast<uint32_t>(n));
        EXPECT_EQ(whole, Oracle(s)) << n;
        for (size_t piece : {1u, 7u, 1000u, 1024u, 4096u}) {
            ChecksumState st;
            for (size_t at = 0; at < n; at += piece)
                ChecksumFeed(&st, s.data() + at, static_cast<uint32_t>(std::min(piece, n - at)));
            EXPECT_EQ(st.sum, whole) << n << " in pieces of " << piece;
        }
    }
}

TEST(ChecksumFile, BlocksStartAtTheStartOffset) {
    TempDir dir;
    std::string content = Pattern(5000, 9);
    std::string path = dir.Write("f.bin", std::string(42, ' ') + content);
    uint16_t mark = PoolMark();
    EXPECT_EQ(ChecksumOfFile(V(path), 42, kChecksumToEnd), Oracle(content));
    EXPECT_EQ(ChecksumOfFile(V(path), 0, kChecksumToEnd), Oracle(std::string(42, ' ') + content));
    // The end limit stops new blocks but does not shorten the block that starts before it.
    EXPECT_EQ(ChecksumOfFile(V(path), 42, 43), Oracle(content.substr(0, 1024)));
    EXPECT_EQ(ChecksumOfFile(V(path), 42, 42), 0u);
    EXPECT_EQ(ChecksumOfFile(V(path), 6000, kChecksumToEnd), 0u);
    EXPECT_EQ(ChecksumOfFile(V(dir.Path("missing.bin")), 0, kChecksumToEnd), 0u);
    EXPECT_EQ(PoolMark(), mark);
}

}  // namespace
}  // namespace rt
