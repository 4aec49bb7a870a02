// kscript: runs each argument, or each line of standard input, as a statement list in one context.
#include <cstdio>
#include <string>

#include "app/binary_stdio.h"
#include "runtime/params.h"
#include "runtime/shutdown.h"
#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "script/console.h"

namespace {

// Runs one input line and prints its one result line; returns the status of the line.
int RunLine(const std::string& line) {
    std::string out;
    int status;
    if (line.size() > rt::kMaxText) {
        // A longer line cannot be one text of the run-time.
        status = rt::kErrOutOfMemory;
        out = "E:" + std::to_string(status);
    } else {
        status = rt::RunConsoleLine(rt::StrRef{line.data(), static_cast<uint16_t>(line.size())}, &out);
    }
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    UseBinaryStdio();
    if (rt::ErrCode err = rt::SystemVarsInit(); err || (err = rt::LoadDateMessage())) {
        std::fprintf(stderr, "kscript: the run-time did not start (%u)\n", err);
        return err;
    }
    int exitCode = 0;
    auto run = [&exitCode](const std::string& line) {
        int status = RunLine(line);
        if (status >= rt::kErrUserCanceled) exitCode = status;
    };
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) run(argv[i]);
    } else {
        std::string line;
        int c;
        bool pending = false;
        while ((c = std::getchar()) != EOF) {
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                run(line);
                line.clear();
                pending = false;
            } else {
                line += static_cast<char>(c);
                pending = true;
            }
        }
        if (pending) run(line);
    }
    rt::BasicClose();
    return exitCode;
}
