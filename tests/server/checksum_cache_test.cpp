// The checksum cache: a file is read once while it stays the same, again when it changes, and
// the cache keeps no more entries than it may.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "server/answers.h"
#include "server/checksum_cache.h"
#include "tests/server/server_test_support.h"
#include "protocol/checksum.h"

using namespace rt;
using server_test::ScratchDir;

namespace {

// The cache's answer for the file as it is now.
uint32_t Sum(ChecksumCache& cache, const std::string& path) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    EXPECT_EQ(fstat(fd.get(), &st), 0) << path;
    uint32_t sum = 0;
    EXPECT_EQ(cache.Checksum(fd.get(), st, &sum), 0) << path;
    return sum;
}

uint32_t SumOf(const std::string& bytes) {
    return ChecksumOfBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace

TEST(ServerChecksumCacheTest, ReadOnceWhileTheFileStaysTheSame) {
    ScratchDir dir;
    const std::string content(5000, 'x');
    dir.Write("a.bin", content);
    ChecksumCache cache(16, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Sum(cache, dir / "a.bin"), SumOf(content));
    EXPECT_EQ(cache.ReadCount(), 1u);

    // Rewritten with other bytes of the same size, its modification time put back: the status
    // change time still tells.
    struct stat before;
    ASSERT_EQ(stat((dir / "a.bin").c_str(), &before), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // past the file system's tick
    const std::string other(5000, 'y');
    dir.Write("a.bin", other);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir / "a.bin").c_str(), times, 0), 0);
    EXPECT_EQ(Sum(cache, dir / "a.bin"), SumOf(other));
    EXPECT_EQ(cache.ReadCount(), 2u);
}

TEST(ServerChecksumCacheTest, RecentlyChangedFilesAreNotKept) {
    ScratchDir dir;
    dir.Write("new.bin", "fresh");
    ChecksumCache cache(16, 3600);
    EXPECT_EQ(Sum(cache, dir / "new.bin"), SumOf("fresh"));
    EXPECT_EQ(Sum(cache, dir / "new.bin"), SumOf("fresh"));
    EXPECT_EQ(cache.ReadCount(), 2u);
}

TEST(ServerChecksumCacheTest, KeepsAtMostItsCapacityLeastRecentlyUsedLeavingFirst) {
    ScratchDir dir;
    for (const char* name : {"a", "b", "c"}) dir.Write(name, name);
    ChecksumCache cache(2, 0);
    // Each step: the file asked for and whether it must be read.
    struct Step { const char* name; bool read; };
    const Step steps[] = {
        {"a", true}, {"b", true}, {"a", false},  // a is now the most recent
        {"c", true},                             // b leaves
        {"a", false}, {"b", true},               // b back, c leaves
        {"c", true},
    };
    uint64_t reads = 0;
    for (const Step& s : steps) {
        EXPECT_EQ(Sum(cache, dir / s.name), SumOf(s.name));
        reads += s.read ? 1 : 0;
        EXPECT_EQ(cache.ReadCount(), reads) << s.name;
    }
}

TEST(ServerChecksumCacheTest, ShortFileIsAnErrorAndNotKept) {
    ScratchDir dir;
    dir.Write("s.bin", "12345");
    UniqueFd fd(open((dir / "s.bin").c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    ASSERT_EQ(fstat(fd.get(), &st), 0);
    st.st_size = 6;  // measured larger than it is
    ChecksumCache cache(4, 0);
    uint32_t sum = 7;
    EXPECT_EQ(cache.Checksum(fd.get(), st, &sum), kErrFileNotFound);
    EXPECT_EQ(cache.Checksum(fd.get(), st, &sum), kErrFileNotFound);
    EXPECT_EQ(cache.ReadCount(), 2u);
}

TEST(ServerChecksumCacheTest, ManyThreadsAgree) {
    ScratchDir dir;
    std::vector<std::string> contents;
    for (int i = 0; i < 8; ++i) {
        contents.push_back(std::string(1000 + i * 700, static_cast<char>('a' + i)));
        dir.Write(std::to_string(i), contents.back());
    }
    ChecksumCache cache(4, 0);  // fewer entries than files: entries come and go meanwhile
    std::vector<std::thread> threads;
    std::vector<int> wrong(6, 0);
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                const int i = (round * 5 + t) % 8;
                if (Sum(cache, dir / std::to_string(i)) != SumOf(contents[i])) ++wrong[t];
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (int t = 0; t < 6; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

TEST(ServerChecksumCacheTest, RequestsForAFileBeingSummedShareTheSum) {
    ScratchDir dir;
    const std::string content(32 << 20, 's');
    dir.Write("big.bin", content);
    ChecksumCache cache(4, 3600);  // nothing is kept: only the sharing can save a read
    constexpr int kThreads = 6;
    std::vector<uint32_t> sums(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { sums[t] = Sum(cache, dir / "big.bin"); });
    for (std::thread& t : threads) t.join();
    for (uint32_t s : sums) EXPECT_EQ(s, SumOf(content));
    EXPECT_LT(cache.ReadCount(), static_cast<uint64_t>(kThreads)) << "requests at the same moment read alone";
}
