// A test's stand-in for the platform's kill at a named point of a run, so that an end-to-end test
// can end the real program exactly where a kill would do the most harm.
#pragma once

namespace rt {

// The exit code of a run ended at a kill point (what a shell reports for SIGKILL).
inline constexpr int kKilledExitCode = 137;

// With KELVANE_KILL_AT=name:n in the environment, the nth pass through KillPoint(name) ends the
// process at once, as a kill would: no destructor, no flush, no log line, no lock released. Any
// other value, or none, and the call does nothing. The environment is read once.
void KillPoint(const char* name);

}  // namespace rt
