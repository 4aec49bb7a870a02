// The file copy of share updates: the date comparison's table, the copy through a temporary file
// (the source's time kept, a stopped copy leaving the old file), read-only and missing folders, the
// synchronisation marker and the counters.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "net/file_copy.h"
#include "runtime/errors.h"
#include "runtime/file_info.h"
#include "runtime/streams.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "tests/support/pool_check.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace rt {
namespace {

using rt_test::T;
using rt_test::TempDir;
using rt_test::V;

namespace fs = std::filesystem;

// Sets a file's last-write time to `hours` hours before now.
void Age(const std::string& path, int hours) {
    fs::last_write_time(TempDir::Native(path), fs::file_time_type::clock::now() - std::chrono::hours(hours));
}

// Names of the entries in a folder, sorted (temporary files left behind would show here).
std::string Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names) out += n + ";";
    return out;
}

class FileCopyTest : public rt_test::PoolMarkTest {
protected:
    void SetUp() override {
        PoolMarkTest::SetUp();
        IntSet(kSysCount, 0);
        IntSet(kSysHCount, 0);
    }
    TempDir dir_{"kvcopy"};
    ErrCode Copy(uint16_t flags, FsCopyProgress progress = nullptr, void* arg = nullptr) {
        return FileCopy(V(src_), V(dst_), flags, nullptr, nullptr, progress, arg);
    }
    std::string src_ = dir_.Path("src\\a.bin");
    std::string dst_ = dir_.Path("dst\\a.bin");
};

TEST_F(FileCopyTest, ComparisonDecidesBeforeAnythingIsCopied) {
    const struct { const char* what; bool source, target; int sourceAge, targetAge; bool sameSize; uint16_t flags;
                   ErrCode code; bool copied; int16_t count, hcount; } cases[] = {
        {"source missing", false, true, 1, 1, true, 0, kErrOutOfData, false, 0, 1},
        {"target missing", true, false, 1, 1, true, 0, 0, true, 0, 0},
        {"target missing, no create", true, false, 1, 1, true, kCopyNoCreate, kErrOutOfData, false, 0, 0},
        {"source newer", true, true, 1, 5, true, 0, 0, true, 0, 0},
        {"target newer", true, true, 5, 1, true, 0, kErrOutOfData, false, 0, 1},
        {"same time and size", true, true, 2, 2, true, 0, kErrUndefWarning, false, 1, 0},
        {"same time, other size", true, true, 2, 2, false, 0, 0, true, 0, 0},
        {"compare only", true, true, 1, 5, true, kCopyCompareOnly, kErrOutOfData, false, 0, 1},
        {"no comparison", true, true, 5, 1, true, kCopyAlways, 0, true, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_.path());
        fs::create_directories(dir_.path() / "dst");
        IntSet(kSysCount, 0);
        IntSet(kSysHCount, 0);
        if (c.source) {
            dir_.Write("src\\a.bin", "new bytes");
            Age(src_, c.sourceAge);
        }
        if (c.target) {
            dir_.Write("dst\\a.bin", c.sameSize ? "old bytes" : "old");
            // The same instant: the source's time is copied rather than measured twice.
            if (c.source && c.sourceAge == c.targetAge)
                fs::last_write_time(TempDir::Native(dst_), fs::last_write_time(TempDir::Native(src_)));
            else
                Age(dst_, c.targetAge);
        }
        EXPECT_EQ(Copy(c.flags), c.code);
        EXPECT_EQ(TempDir::Read(dst_) == "new bytes", c.copied);
        EXPECT_EQ(IntGet(kSysCount), c.count);
        EXPECT_EQ(IntGet(kSysHCount), c.hcount);
    }
}

TEST_F(FileCopyTest, TheCopyKeepsTheSourcesTimeAndLeavesNoTemporaryFile) {
    dir_.Write("src\\a.bin", std::string(100000, 'x'));
    dir_.Write("dst\\a.bin", "a longer old content that must not survive at all........");
    Age(src_, 30);
    ASSERT_EQ(Copy(kCopyAlways), 0);
    EXPECT_EQ(TempDir::Read(dst_), std::string(100000, 'x'));
    EXPECT_EQ(fs::last_write_time(TempDir::Native(dst_)), fs::last_write_time(TempDir::Native(src_)));
    EXPECT_EQ(Entries(dir_.path() / "dst"), "a.bin;");
    // The comparison of a later run sees the same file.
    EXPECT_EQ(Copy(0), kErrUndefWarning);
}

ErrCode StopAfterTwoBlocks(void* arg, uint64_t total, uint32_t) {
    *static_cast<uint64_t*>(arg) = total;
    return total >= 2 * kCopyChunk ? kErrUserCanceled : 0;
}

TEST_F(FileCopyTest, ACopyStoppedHalfWayLeavesTheOldFile) {
    dir_.Write("src\\a.bin", std::string(10 * kCopyChunk, 'n'));
    dir_.Write("dst\\a.bin", "old");
    uint64_t seen = 0;
    EXPECT_EQ(Copy(kCopyAlways, StopAfterTwoBlocks, &seen), kErrUserCanceled);
    EXPECT_EQ(seen, 2u * kCopyChunk) << "blocks of 12288 bytes";
    EXPECT_EQ(TempDir::Read(dst_), "old");
    EXPECT_EQ(Entries(dir_.path() / "dst"), "a.bin;");
}

TEST_F(FileCopyTest, AMissingTargetFolderIsMadeOnTheRetry) {
    dir_.Write("src\\a.bin", "bytes");
    dst_ = dir_.Path("deep\\er\\a.bin");
    ASSERT_EQ(Copy(kCopyAlways), 0);
    EXPECT_EQ(TempDir::Read(dst_), "bytes");
}

TEST_F(FileCopyTest, AReadOnlyTargetFailsAtOnceAndAMissingSourceIsReported) {
    dir_.Write("src\\a.bin", "new");
    dir_.Write("dst\\a.bin", "old");
    fs::permissions(TempDir::Native(dst_), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(Copy(kCopyAlways), kErrPermission);
    EXPECT_EQ(TempDir::Read(dst_), "old");
    fs::permissions(TempDir::Native(dst_), fs::perms::owner_all);

    ReportError(0, StrEmpty());
    src_ = dir_.Path("src\\gone.bin");
    EXPECT_EQ(Copy(kCopyAlways), kErrFileNotFound);
    EXPECT_EQ(rt_test::Str(ErrorDetail()), src_);
    EXPECT_EQ(TempDir::Read(dst_), "old");
}

TEST_F(FileCopyTest, TheMarkerListsWhatWasSynchronisedAndWhen) {
    dir_.Enter();
    dir_.Write("src\\a.bin", "new");
    dir_.Write("src\\b.bin", "new");
    Age(src_, 10);
    const std::string marker = rt_test::Str(SyncMarkerPath(V(dir_.Path("src"))));
    EXPECT_EQ(marker.find(':'), std::string::npos);
    EXPECT_EQ(marker.rfind("folderSync\\", 0), 0u) << marker;
    dir_.Write(marker, std::string("a.bin") + '\0' + "c.bin");
    // a.bin is listed and older than the marker: the same file.
    EXPECT_EQ(Copy(kCopyMarker), kErrUndefWarning);
    EXPECT_EQ(TempDir::Read(dst_), "<missing>");
    // Newer than the marker: copied.
    Age(marker, 20);
    EXPECT_EQ(Copy(kCopyMarker), 0);
    EXPECT_EQ(TempDir::Read(dst_), "new");
    // Not listed: copied, or 127 when nothing may be created.
    src_ = dir_.Path("src\\b.bin");
    dst_ = dir_.Path("dst\\b.bin");
    EXPECT_EQ(Copy(kCopyMarker | kCopyNoCreate), kErrOutOfData);
    EXPECT_EQ(Copy(kCopyMarker), 0);
    EXPECT_EQ(TempDir::Read(dst_), "new");
}

}  // namespace
}  // namespace rt
