// Windows only: a target held open by a running program is not replaced, and keeps its content.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/temp_pool.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "protocol/checksum.h"
#include "updater/file_transfer.h"
#include "protocol/transfer_header.h"

namespace rt {
namespace {

using rt_test::T;
using rt_test::V;
using rt_test::TempDir;

std::string Answer(const std::string& content) {
    TransferHeader h;
    h.size = static_cast<uint32_t>(content.size());
    h.date = 20240131;
    h.time = 0;
    h.checksum = ChecksumOfBytes(content.data(), h.size);
    char head[kTransferHeaderSize];
    FormatTransferHeader(h, head);
    return std::string(head, kTransferHeaderSize) + content;
}

TEST(TransferWindows, TargetOpenWithoutShareWriteGives131AndStaysIntact) {
    TempDir dir;
    std::string target = dir.Write("app.exe", "running program");
    std::string dl = dir.Write("dl.bin", Answer("new program"));
    // As a running program holds its image: others may read, nobody may write or delete.
    HANDLE h = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint16_t mark = PoolMark();
    EXPECT_EQ(InstallDownloadedFile(V(dl), V(target), true), kErrFileIo);
    EXPECT_EQ(PoolMark(), mark);
    CloseHandle(h);
    EXPECT_EQ(TempDir::Read(target), "running program");
    EXPECT_TRUE(TempDir::Exists(dl));
    // Nothing temporary is left beside the target.
    int entries = 0;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(TempDir::Native(dir.Path()), ec)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
    // Once the program has ended the same download installs.
    EXPECT_EQ(InstallDownloadedFile(V(dl), V(target), true), 0);
    EXPECT_EQ(TempDir::Read(target), "new program");
}

}  // namespace
}  // namespace rt
