// The HTTP update against a running kelvane-server with the real progress window: a person's
// cancel stops the 64 MiB download within a second, with 122, and leaves no file behind. Runs
// when KELVANE_TEST_SERVER names the server of tests/e2e/transfer_against_server.sh.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include <algorithm>

#include "net/http_client.h"
#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/support/window_helper.h"
#include "ui/launch.h"
#include "updater/http_update.h"
#include "updater/run_ui.h"
#include "updater/server_protocol.h"

namespace rt {
namespace {

using rt_test::TempDir;
using rt_test::V;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

StrRef Guest(StrRef) {
    static const std::string creds = std::string("guest") + '\0' + "00";
    return V(creds);
}
bool Elevated() { return true; }

// The largest file of a folder and its subfolders, in bytes.
uintmax_t Largest(const fs::path& folder) {
    uintmax_t most = 0;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file(ec)) most = std::max(most, e.file_size(ec));
    return most;
}

// Every file of a folder and its subfolders, relative, sorted.
std::string Files(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file(ec)) names.push_back(fs::relative(e.path(), folder, ec).generic_string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& n : names) out += n + ";";
    return out;
}

// Past 8 MiB of an answer the download waits for the person's press, as a slow network would: on
// loopback the whole 64 MiB may be in before a person could press anything.
std::atomic<bool> gPressed{false};
ErrCode SlowAfterEightMiB(uint64_t bytes) {
    const auto limit = Clock::now() + std::chrono::seconds(30);
    while (bytes >= (8u << 20) && !gPressed && Clock::now() < limit) {
        if (ErrCode stop = KeepWindowsAlive(bytes)) return stop;
        Sleep(1);
    }
    return KeepWindowsAlive(bytes);
}

TEST(AgainstServerWithWindows, CancelInTheProgressWindowStopsA64MiBDownloadWithinASecond) {
    const char* server = std::getenv("KELVANE_TEST_SERVER");
    if (!server || !*server) GTEST_SKIP() << "KELVANE_TEST_SERVER is not set";
    TempDir target("kvcancel"), temp("kvcanceltmp");
    rt_test::ScopedEnvironment tempVar("TEMP", temp.Path());
    SetServerSeams({.credentials = Guest});
    SetLaunchSeams({.isElevated = Elevated});
    SetHttpSeams({.received = SlowAfterEightMiB});
    gPressed = false;
    CancelFlag(0);
    std::atomic<long long> pressedAt{0};
    SyncResult r{};
    Clock::time_point returned;
    {
        rt_test::WindowHelper person([&] {
            // Once the big file's download is well under way (it streams into its place in the
            // target's subfolder), the cancel button is pressed.
            const auto give_up = Clock::now() + std::chrono::seconds(60);
            while (Largest(target.path()) < (4u << 20) && Clock::now() < give_up) Sleep(5);
            HWND progress = rt_test::OwnWindow(L"Proceso en progreso.....");
            pressedAt = Clock::now().time_since_epoch().count();
            EXPECT_TRUE(progress && rt_test::PressButton(progress, L"Cancelar"));
            gPressed = true;
        });
        uint16_t mark = PoolMark();
        r = HttpUpdateFlow(V(std::string(server) + "/pub"), V(target.Path()), 18);
        returned = Clock::now();
        PoolRelease(mark);
    }
    SetHttpSeams({});
    SetLaunchSeams({});
    SetServerSeams({});
    CancelFlag(0);
    EXPECT_EQ(r.code, kErrUserCanceled);
    ASSERT_NE(pressedAt.load(), 0);
    const auto waited = returned - Clock::time_point(Clock::duration(pressedAt.load()));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 1000);
    EXPECT_FALSE(fs::exists(target.path() / "sub" / "big.bin"));
    // All or nothing: the two small files that came first were only staged, and went with the
    // big one's.
    EXPECT_EQ(Files(target.path()), "");
    EXPECT_TRUE(fs::is_empty(temp.path())) << "nothing went through the temporary folder";
}

}  // namespace
}  // namespace rt
