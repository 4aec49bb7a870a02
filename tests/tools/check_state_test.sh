#!/usr/bin/env bash
# The state check on small made-up trees: a tree whose inventory names its state passes; a global,
# a thread_local or a function's static left out of the inventory, and an entry whose variable is
# gone, each make it fail, while constants and declarations are not state.
#   check_state_test.sh CHECKER
set -uo pipefail
checker=${1:?usage: check_state_test.sh CHECKER}
source "$(dirname "${BASH_SOURCE[0]}")/checker_cases.sh"

tree() {  # a fresh tree that passes
  rm -rf "$work/t"; mkdir -p "$work/t"/{runtime,ui}
  cat >"$work/t/runtime/program_state.h" <<'H'
// ---- Global
//
//   runtime/pool.cpp   gPool     the pool
//                      Serial::next   the last number
//   ui/stack.cpp       tDepth    per thread
H
  cat >"$work/t/runtime/pool.cpp" <<'C'
namespace {
Pool gPool;
constexpr int kLimit = 4;
extern int gElsewhere;
}
int Serial() {
    static int next = 0;
    static constexpr int kStep = 2;
    static const char* const kNames[] = {"a"};
    return ++next;
}
C
  printf 'thread_local int tDepth = 0;\n' >"$work/t/ui/stack.cpp"
}

tree; expect 0 "every piece of state listed"
tree; printf 'namespace {\nbool gReady = false;\n}\n' >>"$work/t/runtime/pool.cpp"; expect 1 "a global left out"
tree; printf 'thread_local int depth;\n' >>"$work/t/runtime/pool.cpp"; expect 1 "a thread_local left out"
tree; printf 'int Count() {\n    static int seen;\n    return ++seen;\n}\n' >>"$work/t/ui/stack.cpp"
expect 1 "a function's static left out"
tree; printf '//   ui/stack.cpp       gGone     no longer there\n' >>"$work/t/runtime/program_state.h"
expect 1 "an entry whose variable is gone"
[ $failed -eq 0 ] && echo "check-state: all cases behave" || exit 1
