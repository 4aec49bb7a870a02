#!/usr/bin/env bash
# Runs the waiting-menu benchmark (Windows build, under Wine) for 10 seconds, with its own X server
# when none is given, and prints the processor share it reads next to a polling loop's.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench=${1:-$here/build/windows/menu_wait_bench.exe}
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true' EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi
echo "== menu waiting for the user, 10 s"
"$here/tools/wine-run" "$bench" 10
