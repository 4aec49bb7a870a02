// Windows only: a source held open by another program gets the copy's one retry, and a copy that
// still fails names the system's reason.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "net/file_copy.h"
#include "runtime/errors.h"
#include "tests/support/pool_check.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace rt {
namespace {

using rt_test::Str;
using rt_test::TempDir;
using rt_test::V;

// As an installer still writing it holds the file: nobody else may open it.
HANDLE HoldExclusively(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class FileCopyWindows : public rt_test::PoolMarkTest {};

TEST_F(FileCopyWindows, ASourceInUseIsTriedOnceMoreAndNamedWhenItStaysInUse) {
    TempDir dir{"kvcopyw"};
    const std::string src = dir.Write("src\\a.bin", "payload");
    const std::string dst = dir.Path("dst\\a.bin");
    std::filesystem::create_directories(TempDir::Native(dir.Path("dst")));
    HANDLE held = HoldExclusively(src);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        Sleep(150);
        CloseHandle(held);
    });
    EXPECT_EQ(FileCopy(V(src), V(dst), kCopyAlways, nullptr, nullptr), 0) << "freed before the retry";
    release.join();
    EXPECT_EQ(TempDir::Read(dst), "payload");

    held = HoldExclusively(src);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FileCopy(V(src), V(dst), kCopyAlways, nullptr, nullptr), kErrPermission);
    CloseHandle(held);
    EXPECT_EQ(Str(ErrorDetail()), src + " (in use by another program)");
}

}  // namespace
}  // namespace rt
