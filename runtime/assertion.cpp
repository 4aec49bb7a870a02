// The assertion report: append to "assertions.log", present, and end the process.
#include "runtime/assertion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rt {

namespace {
AssertionSeams gSeams{};
}

void SetAssertionSeams(const AssertionSeams& seams) { gSeams = seams; }

void AssertionFail(const char* text) {
    if (!text) text = "";
    // Binary mode: the CR LF pairs are written as given on every platform.
    if (std::FILE* f = std::fopen("assertions.log", "ab")) {
        std::fputs("Assertion Fail:\r\n", f);
        std::fwrite(text, 1, std::strlen(text), f);
        std::fputs("\r\n", f);
        std::fclose(f);
    }
    if (gSeams.present) gSeams.present(text);
    std::fflush(nullptr);
    std::_Exit(kAssertExitCode);
}

}  // namespace rt
