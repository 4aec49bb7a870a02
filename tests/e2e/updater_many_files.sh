#!/usr/bin/env bash
# An application folder of 5000 files, 1000 of them in a subfolder, brought over by the real
# kelvaner.exe under Wine in one batch run from kelvane-server: every file with the server's bytes
# and time, and a second run that finds nothing to do. Its list (some 55 KB of names) is longer
# than one text of the run-time.
#   updater_many_files.sh KELVANER_EXE SERVER
set -uo pipefail
kelvaner=$1 driver="" server=$(readlink -f "$2")
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"

root=$work/root
mkdir -p "$root/app/sub"
(cd "$root/app" && for i in $(seq -w 0 3999); do printf 'file %s' "$i" >"f$i.bin"; done
 for i in $(seq -w 0 999); do printf 'deep %s' "$i" >"sub/g$i.bin"; done)
find "$root/app" -type f -exec touch -d '2024-01-31 12:34:56' {} +
printf 'ana:s3cret:app\n' >"$work/users.txt"
credentials ana s3cret
start_server "$root" "$work/users.txt"

target=$work/target
mkdir -p "$target"
# Each side as "relative-path modification-time", sorted, to compare names and times at once.
listing() { (cd "$1" && find . -type f -printf '%P %T@\n' | sort); }

run -- /MODE:BATCH "/INPUT:'$base/app'" "/OUTPUT:'$(win "$target")'"
expect "first run: exit code" "$rc" 0
expect "every file arrived" "$(find "$target" -type f | wc -l)" 5000
listing "$root/app" >"$work/want"
listing "$target" >"$work/got"
cmp -s "$work/want" "$work/got" && ok "names and the server's times of all 5000 files" ||
  fail "names or times differ: $(diff "$work/want" "$work/got" | head -5)"
diff -rq "$root/app" "$target" >/dev/null && ok "the bytes of all 5000 files" || fail "bytes differ"

touch -d '2024-02-01' "$work/marker"
run -- /MODE:BATCH "/INPUT:'$base/app'" "/OUTPUT:'$(win "$target")'"
expect "second run: exit code" "$rc" 0
expect "second run: nothing rewritten" "$(find "$target" -type f -newer "$work/marker" | wc -l)" 0
expect "second run: no temporary file left" "$(find "$target" -name '*.tmp' | wc -l)" 0
e2e_end
