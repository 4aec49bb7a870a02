// Starting other programs: the command split, errno codes, and the elevated start's decisions.
#include "ui/launch.h"

#include <cstdio>

#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {

namespace {

LaunchSeams gSeams;

constexpr uint16_t kShellAccepted = 32;

bool IsBlank(unsigned char c) { return c == ' '; }

// Next word of text from *at: blanks before it skipped, blanks inside double quotes kept.
StrRef NextWord(StrRef text, uint16_t* at) {
    uint16_t i = *at;
    while (i < text.len && IsBlank(text.at(i))) ++i;
    const uint16_t start = i;
    bool quoted = false;
    while (i < text.len && (quoted || !IsBlank(text.at(i)))) {
        if (text.at(i) == '"') quoted = !quoted;
        ++i;
    }
    *at = i;
    return StrMake(text.ptr + start, static_cast<uint16_t>(i - start));
}

bool EnclosedInQuotes(StrRef word) { return word.len >= 2 && word.at(0) == '"' && word.at(word.len - 1) == '"'; }

}  // namespace

StrRef FirstWord(StrRef text) {
    if (!text.ok()) return text;
    uint16_t at = 0;
    StrRef word = NextWord(text, &at);
    return EnclosedInQuotes(word) ? StrMake(word.ptr + 1, static_cast<uint16_t>(word.len - 2)) : word;
}

void SetLaunchSeams(const LaunchSeams& seams) { gSeams = seams; }

SpawnCommand SplitCommand(StrRef command) {
    SpawnCommand out{};
    if (!command.ok()) {
        out.err = StrError(command);
        return out;
    }
    const StrRef text = command;
    StrRef words[kSpawnMaxWords];
    uint16_t count = 0;
    for (uint16_t at = 0; count < kSpawnMaxWords;) {
        StrRef word = NextWord(text, &at);
        if (!word.len) break;
        words[count++] = word;
    }
    if (count == 0) {
        out.err = kErrBadInput;
        return out;
    }
    const StrRef program = words[0];
    out.program = EnclosedInQuotes(program) ? FirstWord(program) : Case(program, 1);
    if (!out.program.ok()) out.err = StrError(out.program);
    for (uint16_t k = 1; k < count; ++k) out.args[out.argCount++] = words[k];
    return out;
}

ErrCode ErrnoCode(int err) {
    switch (err) {
    case 2: return 2102;
    case 7: return 2100;
    case 8: return 2103;
    case 12: return 2104;
    case 22: return 2101;
    default: return 0;
    }
}

ErrCode SystemErrorCode(int err) {
    if (ErrCode code = ErrnoCode(err)) return code;
    char text[32];
    std::snprintf(text, sizeof text, "SysError #%d", err);
    return ReportError(0xFFFF, StrFromLiteral(text));
}

bool IsElevated() { return gSeams.isElevated ? gSeams.isElevated() : OsIsElevated(); }

ErrCode ShellStart(StrRef program, StrRef parameters, StrRef verb, uint32_t* exitCode) {
    if (!program.ok() || !verb.ok()) return 0xFFFF;
    PoolScope scope;
    const char* params = parameters.ok() && parameters.len ? CString(parameters) : nullptr;
    const char* prog = CString(program);
    const char* v = CString(verb);
    const intptr_t result =
        gSeams.shellExecute ? gSeams.shellExecute(v, prog, params, exitCode) : OsShellExecute(v, prog, params, exitCode);
    return result > kShellAccepted ? 0 : 0xFFFF;
}

ErrCode RunElevated(StrRef program, StrRef parameters, ExistenceCheck exists, uint32_t* exitCode) {
    if (ShellStart(program, parameters, StrFromLiteral("runas"), exitCode) == 0) return 0;
    if (!exists) return 0xFFFF;
    PoolScope scope;
    return exists(FirstWord(program)) ? kErrFileNotFound : kErrPermission;
}

uint16_t Spawn(StrRef command, uint16_t flags) {
    PoolScope scope;
    SpawnCommand cmd = SplitCommand(command);
    if (cmd.err) return 0xFFFF;
    // The words after the program are the argument list itself, the program's own name first; the
    // program path is not put in front of them, or the started program would find its own path
    // as its first argument and open itself as a document.
    const char* argv[kSpawnMaxWords + 1];
    uint16_t n = 0;
    for (uint16_t k = 0; k < cmd.argCount; ++k) argv[n++] = CString(cmd.args[k]);
    if (n == 0) argv[n++] = " ";
    argv[n] = nullptr;
    const char* program = CString(cmd.program);
    const bool wait = flags & (kSpawnWait | kSpawnStatus);
    int err = 0;
    const intptr_t result = gSeams.spawn ? gSeams.spawn(wait, program, argv, &err) : OsSpawn(wait, program, argv, &err);
    if (result == -1) {
        SystemErrorCode(err);
        return (flags & kSpawnStatus) ? kErrUndefWarning : 0xFFFF;
    }
    return static_cast<uint16_t>(result);
}

}  // namespace rt
