#!/usr/bin/env bash
# The processor time the real kelvaner.exe costs while its administration menu waits for the user:
# MODE:ADMIN under Wine (on its own X server when none is given), 10 s of waiting measured from
# the process's own counters, then the menu left and the update declined. Target: at most 2 % of
# one core.
#   admin_menu_wait.sh [KELVANER_EXE WINDOW_DRIVER_EXE]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kelvaner=${1:-$here/build/windows/kelvaner.exe}
driver=${2:-$here/build/windows/window_driver.exe}
runner=$here/tools/wine-run
work=$(mktemp -d)
xvfb_pid="" pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"; true' EXIT
source "$here/tools/x-display.sh"
start_display 90
"$here/tools/wine-prefix" >/dev/null
cp "$kelvaner" "$work/kelvaner.exe"
(cd "$work" && exec "$runner" "$work/kelvaner.exe" /MODE:ADMIN </dev/null >/dev/null 2>&1) &
pid=$!
"$runner" "$driver" timeout=30000 "wait=Seleccione su opci*" >/dev/null
# The Windows program is the process Wine's loader became; its clock ticks are in /proc.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
proc=$(pgrep -f 'kelvaner.exe /MODE:ADMIN' | head -n 1)
server=$(pgrep -x wineserver | head -n 1 || true)
hz=$(getconf CLK_TCK)
p0=$(ticks "$proc"); s0=$([ -n "$server" ] && ticks "$server" || echo 0); t0=$(date +%s.%N)
sleep 10
p1=$(ticks "$proc"); s1=$([ -n "$server" ] && ticks "$server" || echo 0); t1=$(date +%s.%N)
"$runner" "$driver" "key=Seleccione su opci*|esc" "wait=Solicitud de Informaci*" "press=Solicitud de Informaci*|No" >/dev/null
wait "$pid" || true
pid=""
share() { awk -v t="$1" -v hz="$hz" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", 100 * t / hz / (b - a) }'; }
echo "== administration menu of kelvaner.exe waiting for the user, 10 s"
printf 'kelvaner.exe %s %% of one core (target at most 2 %%); wineserver meanwhile %s %%\n' \
  "$(share $((p1 - p0)))" "$(share $((s1 - s0)))"
