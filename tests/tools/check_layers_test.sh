#!/usr/bin/env bash
# The layer check on small made-up trees: a clean tree passes; an upward include, a sideways one,
# a test reaching above its layer, a .cpp with no header and a server file reaching the run-time's
# context past its guard each make it fail.
#   check_layers_test.sh CHECKER
set -uo pipefail
checker=${1:?usage: check_layers_test.sh CHECKER}
source "$(dirname "${BASH_SOURCE[0]}")/checker_cases.sh"

tree() {  # a fresh tree that passes
  rm -rf "$work/t"; mkdir -p "$work/t"/{runtime,script,net,updater,server,tests/script}
  printf '#pragma once\n' >"$work/t/runtime/strref.h"
  printf '#include "runtime/strref.h"\n' >"$work/t/runtime/strref.cpp"
  printf '#include "runtime/strref.h"\n' >"$work/t/runtime/strref_win.cpp"
  printf '#pragma once\n#include "runtime/strref.h"\n' >"$work/t/script/dates.h"
  printf '#include "script/dates.h"\n' >"$work/t/script/dates_read.cpp"
  printf '#pragma once\n' >"$work/t/net/socket.h"
  printf '#include "net/socket.h"\n#include "script/dates.h"\n' >"$work/t/updater/main.cpp"
  printf '#include "script/dates.h"\n#include "tests/support/x.h"\n' >"$work/t/tests/script/dates_test.cpp"
}

tree; expect 0 "clean tree"
tree; printf '#include "script/dates.h"\n' >>"$work/t/runtime/strref.cpp"; expect 1 "runtime including script"
tree; printf '#include "net/socket.h"\n' >>"$work/t/script/dates.h"; expect 1 "script including net (sideways)"
tree; printf '#include "updater/x.h"\n' >>"$work/t/server/x.cpp"; printf '#pragma once\n' >"$work/t/server/x.h"
expect 1 "server including updater"
tree; printf '#include "net/socket.h"\n' >>"$work/t/tests/script/dates_test.cpp"; expect 1 "script test including net"
tree; printf '#include "runtime/strref.h"\n' >"$work/t/script/calendar.cpp"; expect 1 "a .cpp without a header"
tree; printf '#pragma once\n' >"$work/t/server/runtime_guard.h"
printf '#include "runtime/temp_pool.h"\n' >"$work/t/server/runtime_guard.cpp"; expect 0 "the server's guard reaching the pool"
printf '#pragma once\n#include "runtime/strref.h"\n' >"$work/t/server/walk.h"
printf '#include "server/walk.h"\n#include "runtime/temp_pool.h"\n' >"$work/t/server/walk.cpp"
expect 1 "a server file reaching the pool past the guard"
[ $failed -eq 0 ] && echo "check-layers: all cases behave" || exit 1
