// The assertion report: a fatal internal failure is written to "assertions.log", shown, and ends the process.
#pragma once

namespace rt {

// Exit code of a process ended by an assertion report. POSIX keeps only 8 bits of an exit
// status, where 256 would read as success, so the host build ends with 255 instead.
#ifdef _WIN32
inline constexpr int kAssertExitCode = 256;
#else
inline constexpr int kAssertExitCode = 255;
#endif

// Shows the report text to the user (the window layer installs a message box); null: not shown.
using AssertionPresenter = void (*)(const char* text);
struct AssertionSeams {
    AssertionPresenter present = nullptr;  // null: written to the log only
};
void SetAssertionSeams(const AssertionSeams& seams);

// Appends "Assertion Fail:\r\n", text and "\r\n" to "assertions.log" in the current folder,
// presents the text, and ends the process with kAssertExitCode. Does not return.
[[noreturn]] void AssertionFail(const char* text);

}  // namespace rt
