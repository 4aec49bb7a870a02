// A second thread that answers the windows the test's own thread shows and waits in.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/window_driver.h"

namespace rt_test {

// Runs the scenario on its own thread from construction; joins on destruction.
class WindowHelper {
public:
    explicit WindowHelper(std::function<void()> scenario) : thread_(std::move(scenario)) {}
    ~WindowHelper() { thread_.join(); }
    WindowHelper(const WindowHelper&) = delete;
    WindowHelper& operator=(const WindowHelper&) = delete;
private:
    std::thread thread_;
};

// This process's visible window titled title (waiting up to 10 s).
inline HWND OwnWindow(const std::wstring& title) { return FindTopWindow(title, GetCurrentProcessId()); }

}  // namespace rt_test
