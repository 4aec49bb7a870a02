#!/usr/bin/env bash
# Folder updates against their floor, under the same Wine: kelvaner.exe /MODE:BATCH bringing 1000
# files of 4 KiB from a folder into an empty one (listing, comparison, staged copies with their
# times, the commit's renames, state and log), against a program that only lists the source and
# calls CopyFileA for each file, both timed from the outside (Wine's start of each program
# included). Rounds take turns; the medians and their ratio are printed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kelvaner=${1:-$here/build/windows/kelvaner.exe}
floor=${2:-$here/build/windows/copy_floor.exe}
runner=$here/tools/wine-run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win() { echo "Z:$(echo "$1" | tr / '\\')"; }

mkdir -p "$work/source" "$work/wd"
for i in $(seq -w 0 999); do head -c 4096 /dev/urandom >"$work/source/f$i.bin"; done
cp "$kelvaner" "$work/kelvaner.exe"

now() { date +%s.%N; }
# Both are timed from the outside, Wine's start of the program included, as a script sees them.
floor_run() {
  local t0 t1
  rm -rf "$work/floor"; mkdir -p "$work/floor"
  sync  # neither pays for what the other left unwritten
  t0=$(now)
  "$runner" "$floor" "$(win "$work/source")" "$(win "$work/floor")" >/dev/null
  t1=$(now)
  [ "$(ls "$work/floor" | wc -l)" = 1000 ] || { echo "the copy loop brought $(ls "$work/floor" | wc -l) files" >&2; exit 1; }
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}
update_run() {
  local t0 t1
  rm -rf "$work/target"; mkdir -p "$work/target"
  sync  # neither pays for what the other left unwritten
  t0=$(now)
  (cd "$work/wd" && "$runner" "$work/kelvaner.exe" /MODE:BATCH "/INPUT:'$(win "$work/source")'" \
     "/OUTPUT:'$(win "$work/target")'" </dev/null >/dev/null 2>&1) || { echo "the update failed" >&2; exit 1; }
  t1=$(now)
  [ "$(ls "$work/target" | wc -l)" = 1000 ] || { echo "the update brought $(ls "$work/target" | wc -l) files" >&2; exit 1; }
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}
ROUNDS=${ROUNDS:-5}
median() { sort -g | sed -n "$(( (ROUNDS + 1) / 2 ))p"; }
floor_run >/dev/null; update_run >/dev/null   # warm the page cache and Wine
: >"$work/t_floor"; : >"$work/t_update"
for _ in $(seq "$ROUNDS"); do
  floor_run >>"$work/t_floor"; echo >>"$work/t_floor"
  update_run >>"$work/t_update"; echo >>"$work/t_update"
done
f=$(grep . "$work/t_floor" | median) u=$(grep . "$work/t_update" | median)
echo "medians of $ROUNDS rounds, taking turns"
printf 'folder update (1000 x 4 KiB into an empty folder): kelvaner.exe %.3f s, copy loop %.3f s; over the floor %s (target 2)\n' \
  "$u" "$f" "$(awk -v a="$u" -v b="$f" 'BEGIN { printf "%.2f", a / b }')"
