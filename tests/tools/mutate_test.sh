#!/usr/bin/env bash
# The mutation tool on a small project of its own in a temporary folder: each operator makes the
# mutant expected of it, a run counts killed, survived (with the survivor's place and line), not
# compiled and timed-out mutants, and the file is as it was after a run, after SIGTERM in the
# middle of one, and after SIGKILL (the next run writes the kept copy back).
#   mutate_test.sh TOOL FIXTURE
set -uo pipefail
tool=${1:?usage: mutate_test.sh TOOL FIXTURE}; fixture=${2:?usage: mutate_test.sh TOOL FIXTURE}
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane_mutate.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
mkdir -p "$work/src"
cp "$fixture" "$work/src/fixture.cpp"
cp "$fixture" "$work/original.cpp"
cat >"$work/src/check.cpp" <<'CPP'
int Clamp(int, int);
bool Both(bool, bool, bool);
int Counted();
int Drain(int);
int main() {
    const bool good = Clamp(5, 3) == 3 && Clamp(2, 3) == 2 && Clamp(4, 3) == 3 && Clamp(3, 3) == 3 &&
                      Both(true, true, false) && !Both(true, false, false) && !Both(false, true, false) &&
                      Both(false, false, true) && Counted() == 1 && Drain(3) == 0 && Drain(-2) == -2;
    return good ? 0 : 1;
}
CPP
cat >"$work/src/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(mutate_fixture CXX)
enable_testing()
add_executable(fixture_check fixture.cpp check.cpp)
add_test(NAME fixture_check COMMAND fixture_check)
CMAKE
cmake -S "$work/src" -B "$work/build" -G Ninja >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" >/dev/null || exit 1
cd "$work/src"
same() { cmp -s fixture.cpp "$work/original.cpp" || fail "$1: fixture.cpp is not as it was"; }

"$tool" --list fixture.cpp >"$work/list" || fail "--list exits $?"
diff -u - "$work/list" <<'LIST' || fail "the mutants listed differ from the expected ones"
fixture.cpp:4: return: void Count() { return; ++calls; }
fixture.cpp:6: return: void Step(int* n) { return; *n -= 1; }
fixture.cpp:9: return: int Clamp(int v, int limit) { return {};
fixture.cpp:10: cond: if (false) return limit;
fixture.cpp:10: bound: if (v >= limit) return limit;
fixture.cpp:10: cmp: if (v <= limit) return limit;
fixture.cpp:10: bound: if (v > 1 + limit) return limit;
fixture.cpp:15: cond: return b || c;
fixture.cpp:15: cond: return c;
fixture.cpp:15: cond: return a || c;
fixture.cpp:15: cond: return a && b;
fixture.cpp:18: return: int Counted() { return {};
fixture.cpp:19: call: skipped: Count();
fixture.cpp:23: return: int Drain(int n) { return {};
fixture.cpp:24: cond: while (false) Step(&n);
fixture.cpp:24: bound: while (n >= 0) Step(&n);
fixture.cpp:24: cmp: while (n <= 0) Step(&n);
fixture.cpp:24: bound: while (n > 1) Step(&n);
fixture.cpp:24: call: skipped: Step(&n);
fixture.cpp:37: return: Handle Made(int v) { return {};
LIST
[ "$("$tool" --list --only cmp --only call fixture.cpp | wc -l)" -eq 4 ] || fail "--only does not keep to its operators"
[ "$("$tool" --list --sample 5 --seed 3 fixture.cpp | wc -l)" -eq 5 ] || fail "--sample 5 does not list 5"

# The whole run: the skipped Step and Step's early return loop for ever, Made's early return does
# not compile, and v >= limit is the same function as v > limit: the one survivor.
"$tool" --build "$work/build" --timeout 3 fixture.cpp >"$work/run" 2>&1 || fail "the run exits $?"
grep -q '^fixture.cpp: 20 mutants, 18 killed, 1 survived, 1 not compiled, kill ratio 95%$' "$work/run" ||
  fail "the run's counts"
grep -q '^  survivor fixture.cpp:10 bound: if (v >= limit) return limit;$' "$work/run" || fail "the survivor's line"
[ "$(grep -c 'killed (time-out)' "$work/run")" -eq 2 ] || fail "two time-outs"
cmp -s <(grep -A99 '^fixture.cpp: ' "$work/run") "$work/mutate/report.txt" || fail "report.txt is not the printed report"
same "after a run"

# Ended in the middle: SIGTERM writes the original back; SIGKILL leaves the copy for the next run.
for sig in TERM KILL; do
  "$tool" --build "$work/build" --timeout 3 fixture.cpp >"$work/run_$sig" 2>&1 &
  pid=$!
  for _ in $(seq 100); do cmp -s fixture.cpp "$work/original.cpp" || break; sleep 0.1; done
  cmp -s fixture.cpp "$work/original.cpp" && fail "$sig: no mutant was written within 10 s"
  kill -$sig $pid; wait $pid 2>/dev/null
  [ $sig = TERM ] && same "after SIGTERM"
done
"$tool" --build "$work/build" --list fixture.cpp >"$work/after_kill"
grep -q "restored from" "$work/after_kill" || fail "the run after SIGKILL does not say it restored the file"
same "after SIGKILL and the next run"
sleep 3  # what the killed run had started ends by its own time limit
[ $failed -eq 0 ] && echo "mutate: all cases behave" || exit 1
