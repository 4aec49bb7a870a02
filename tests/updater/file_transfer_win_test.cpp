// Windows only: a target held open by a running program is not replaced, and keeps its content.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/updater/file_answers.h"

namespace rt {
namespace {

using rt_test::T;
using rt_test::V;
using rt_test::TempDir;

TEST(TransferWindows, TargetOpenWithoutShareWriteGives131AndStaysIntact) {
    TempDir dir;
    std::string target = dir.Write("app.exe", "running program");
    const std::string answer = rt_test::FileAnswer("new program", 20240131, 0);
    // As a running program holds its image: others may read, nobody may write or delete.
    HANDLE h = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint16_t mark = PoolMark();
    EXPECT_EQ(rt_test::InstallAnswer(answer, V(target)), kErrFileIo);
    EXPECT_EQ(rt_test::Str(ErrorDetail()), target + " (in use by another program)");
    EXPECT_EQ(PoolMark(), mark);
    CloseHandle(h);
    EXPECT_EQ(TempDir::Read(target), "running program");
    // Nothing temporary is left beside the target.
    int entries = 0;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(TempDir::Native(dir.Path()), ec)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
    // Once the program has ended the same answer installs.
    EXPECT_EQ(rt_test::InstallAnswer(answer, V(target)), 0);
    EXPECT_EQ(TempDir::Read(target), "new program");
}

}  // namespace
}  // namespace rt
