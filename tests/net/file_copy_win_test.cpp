// Windows only: a source held open by another program gets the copy's one retry, and a copy that
// still fails names the system's reason.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "net/file_copy.h"
#include "runtime/errors.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace rt {
namespace {

TEST(FileCopyWindows, ASourceInUseIsTriedOnceMoreAndNamedWhenItStaysInUse) {
    rt_test::TempDir dir{"kvcopyw"};
    const std::string src = dir.Write("src\\a.bin", "payload"), dst = dir.Path("dst\\a.bin");
    std::filesystem::create_directories(rt_test::TempDir::Native(dir.Path("dst")));
    // As an installer still writing it holds the file: nobody else may open it. Freed during
    // the retry's wait first, then held for good.
    for (const bool freed : {true, false}) {
        HANDLE held = CreateFileA(src.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::thread release([&] {
            if (!freed) return;
            Sleep(150);
            CloseHandle(held);
        });
        EXPECT_EQ(FileCopy(rt_test::V(src), rt_test::V(dst), kCopyAlways, nullptr, nullptr), freed ? 0 : kErrPermission);
        release.join();
        if (!freed) CloseHandle(held);
    }
    EXPECT_EQ(rt_test::TempDir::Read(dst), "payload");
    EXPECT_EQ(rt_test::Str(ErrorDetail()), src + " (in use by another program)");
}

}  // namespace
}  // namespace rt
