#!/usr/bin/env bash
# Runs the waiting-menu benchmark (Windows build, under Wine) for 10 seconds, with its own X server
# when none is given, and prints the processor share it reads next to a polling loop's.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench=${1:-$here/build/windows/menu_wait_bench.exe}
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true' EXIT
source "$here/tools/x-display.sh"
start_display 90
echo "== menu waiting for the user, 10 s"
"$here/tools/wine-run" "$bench" 10
