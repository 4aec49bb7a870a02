#!/usr/bin/env bash
# deploy/kelvane-task.xml passes tools/check-task-xml, refused with each row's fault; Wine's schtasks
# registers and deletes it (keeping its settings, not its triggers; it runs nothing).
#   task_xml.sh WINEPREFIX
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
task=$here/deploy/kelvane-task.xml check=$here/tools/check-task-xml work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
"$check" "$task" && echo "ok: the task follows the schema" || fail "the shipped task"
# a fault: what the file holds | what replaces it
while IFS='|' read -r old new; do
  python3 -c 'import sys; t = open(sys.argv[1]).read(); o, n = (a.replace("\\n", "\n") for a in sys.argv[2:])
assert o in t; print(t.replace(o, n, 1), end="")' \
    "$task" "$old" "$new" >"$work/t.xml" || { fail "no '$old' in the task"; continue; }
  "$check" "$work/t.xml" >/dev/null && fail "the check takes $new"
done <<'ROWS'
<Enabled>true</Enabled>\n      <StartBoundary>2025-01-01T12:00:00</StartBoundary>|<StartBoundary>2025-01-01T12:00:00</StartBoundary>\n      <Enabled>true</Enabled>
<Settings>|<Settings><Bogus>1</Bogus>
<Command>|<Arguments/><Command>
<Delay>PT1M<|<Delay>1 minute<
<RunOnlyIfNetworkAvailable>true<|<RunOnlyIfNetworkAvailable>yes<
<DaysInterval>1<|<DaysInterval>0<
<Actions Context="System">|<Actions Context="Users">
<RunLevel>HighestAvailable<|<RunLevel>Highest<
<ScheduleByDay>|<ScheduleByDay><ScheduleByDay/>
ROWS
export KELVANE_WINEPREFIX=$(readlink -m "$1") WINEDEBUG=-all
stored=$KELVANE_WINEPREFIX/drive_c/windows/system32/tasks/Kelvane
schtasks() { timeout -k 5 120 "$here/tools/wine-run" schtasks "$@" </dev/null >/dev/null 2>&1; }
schtasks /create /xml "Z:${task//\//\\}" /tn Kelvane /f && grep -q IgnoreNew "$stored" &&
  echo "ok: schtasks /create /xml registers it under Wine" || fail "schtasks /create /xml"
schtasks /delete /tn Kelvane /f && [ ! -e "$stored" ] || fail "schtasks /delete left the task"
[ $failures = 0 ] && echo "all checks passed"
exit $((failures > 0))
