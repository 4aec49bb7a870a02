#!/usr/bin/env bash
# The real kelvaner.exe under Wine updating a 20-file application (some 3 MB, one subfolder, one
# file new) from kelvane-server through a slowed connection, killed at 30 points spread over the
# run (the process itself, or every Wine process of the prefix) and at named points of the commit
# that a timed kill seldom hits: during the backups, once the journal is written, between an old
# file's going aside and the new one's taking its name (KELVANE_KILL_AT, which ends the run there
# with 137). After each kill no file is half-written and no backup is short; the next start with
# the server unreachable leaves the folder entirely old or entirely new, and every file it
# replaced with its whole backup; a run with the server then brings the new version, every
# replaced file backed up, and leaves no file of the program's patterns behind.
#   updater_kill_points.sh KELVANER_EXE SERVER
set -uo pipefail
kelvaner=$1 driver="" server=$(readlink -f "$2")
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"
prefix=${KELVANE_WINEPREFIX:-$e2e_here/build/wineprefix}
kills=${KILL_POINTS:-30}

root=$work/root old=$work/old target=$work/target
mkdir -p "$root/app/lib" "$old/lib"
names=()
for i in $(seq -w 1 16); do names+=("f$i.bin"); done
for i in 1 2 3 4; do names+=("lib/l$i.dll"); done
for n in "${names[@]}"; do
  head -c $((120 * 1024 + RANDOM)) /dev/urandom >"$root/app/$n"
  touch -d '2024-06-01 12:00:00' "$root/app/$n"
done
# The old version lacks the last file.
for n in "${names[@]:0:19}"; do
  { printf 'old %s ' "$n"; head -c $((RANDOM + 1000)) /dev/urandom; } >"$old/$n"
  touch -d '2024-01-01 08:00:00' "$old/$n"
done
printf 'ana:s3cret:app\n' >"$work/users.txt"
credentials ana s3cret
start_server "$root" "$work/users.txt"
python3 "$e2e_here/tests/e2e/slow_proxy.py" "${base##*:}" 30 1500000 >"$work/proxy.out" 2>&1 &
proxy_pid=$!
trap 'kill $proxy_pid 2>/dev/null; e2e_cleanup' EXIT
slow=$(listening_address "$work/proxy.out")
[ -n "$slow" ] || { echo "FAIL: the slow proxy did not start"; exit 1; }
unreachable="http://127.0.0.1:1"

reset() { rm -rf "$target" "$wd/Backups" "$wd/kelvane.dat"; cp -a "$old" "$target"; }
update() { run -- /MODE:BATCH "/INPUT:'$1/app'" "/OUTPUT:'$(win "$target")'"; }
# "old", "new" or "mixed" for the folder as a whole; "torn" when a file is neither version.
state() {
  local n olds=0 news=0 torn=0
  for n in "${names[@]}"; do
    if [ ! -e "$target/$n" ]; then
      [ -e "$old/$n" ] && torn=$((torn + 1)) || olds=$((olds + 1))
    elif cmp -s "$target/$n" "$root/app/$n"; then
      news=$((news + 1))
    elif [ -e "$old/$n" ] && cmp -s "$target/$n" "$old/$n"; then
      olds=$((olds + 1))
    else
      torn=$((torn + 1))
    fi
  done
  if [ $torn -gt 0 ]; then echo torn; elif [ $news -eq 0 ]; then echo old; elif [ $olds -eq 0 ]; then echo new; else echo mixed; fi
}
# Every backup is a whole old file. A backup copy cut short is its temporary file ("~kb…"),
# never a file under the backed-up name.
backups_whole() {
  local b n
  while IFS= read -r -d '' b; do
    n=$(basename "$b")
    case $n in '~kb'*.tmp) continue ;; esac
    cmp -s "$b" "$(find "$old" -name "$n" | head -n 1)" || return 1
  done < <(find "$wd/Backups" -type f -print0 2>/dev/null)
  return 0
}
# Every old file the target no longer holds has its whole backup.
replaced_backed_up() {
  local n b
  for n in "${names[@]:0:19}"; do
    cmp -s "$target/$n" "$old/$n" && continue
    b=$(find "$wd/Backups" -type f -name "$(basename "$n")" 2>/dev/null | head -n 1)
    [ -n "$b" ] && cmp -s "$b" "$old/$n" || { echo "$n"; return 1; }
  done
  return 0
}
leftovers() { find "$target" \( -name '~k*' -o -name 'kv*.tmp' \) | wc -l; }
# Only this test's own runs are killed: other work on the machine runs kelvaner.exe too.
mine="(wine64|wine-preloader|^[A-Za-z]:).*$(basename "$work" | sed 's/\./\\./g').*kelvaner\.exe"

# How long an update through the slow connection takes, to spread the kills over it.
reset
start=$(date +%s%N)
update "http://$slow"
span=$(( ($(date +%s%N) - start) / 1000000 ))
expect "an update through the slow connection" "$rc" 0
expect "it brings the new version" "$(state)" new

seen_old=0 seen_new=0
# after_kill WHAT: the checks after a kill, the next start without the server, then with it.
after_kill() {
  local after recovered missing
  after=$(state)
  [ "$after" != torn ] || fail "$1: a file is neither version"
  backups_whole || fail "$1: a backup is not a whole old file"
  update "$unreachable"
  recovered=$(state)
  case $recovered in
    old) seen_old=$((seen_old + 1)) ;;
    new) seen_new=$((seen_new + 1)) ;;
    *) fail "$1: after a start without the server the folder is $recovered" ;;
  esac
  missing=$(replaced_backed_up) || fail "$1: after a start without the server $missing has no whole backup"
  update "$base"
  [ "$rc" = 0 ] && [ "$(state)" = new ] && [ "$(leftovers)" = 0 ] ||
    fail "$1: the next update gave $rc, the folder $(state), $(leftovers) leftover(s): $(find "$target" -name '~k*')"
  missing=$(replaced_backed_up) || fail "$1: after the update $missing has no whole backup"
}
for i in $(seq 0 $((kills - 1))); do
  reset
  at=$(( 300 + (span - 300) * i / kills ))
  (cd "$wd" && timeout -k 5 90 "$wine_run" "$bin/kelvaner.exe" /MODE:BATCH "/INPUT:'http://$slow/app'" \
     "/OUTPUT:'$(win "$target")'" </dev/null >/dev/null 2>&1) &
  job=$!
  sleep "$(awk -v ms="$at" 'BEGIN { printf "%.3f", ms / 1000 }')"
  if [ $((i % 3)) -eq 2 ]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null; else pkill -KILL -f "$mine"; fi
  wait $job 2>/dev/null
  after_kill "kill $i at $at ms"
done
# The named points: the run's exit code 137 says the kill landed there.
for point in backup:1 backup:10 backup:19 journal:1 aside:1 aside:10; do
  reset
  KELVANE_KILL_AT=$point update "$base"
  expect "killed at $point" "$rc" 137
  after_kill "killed at $point"
done
ok "$kills timed kills over $span ms and 6 named ones: the folder came back old $seen_old times and new $seen_new times, never mixed"
e2e_end
