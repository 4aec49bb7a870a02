#!/usr/bin/env bash
# kscript gives the same answers on the host and under Wine: every case of kscript_cases.tsv
# (input line, tab, expected output line; \xNN escapes allowed) through standard input, and a
# few through arguments, on both programs.
set -uo pipefail
host=$(realpath "$1") win=$(realpath "$2")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
runner="$here/../../tools/wine-run"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Tabs are field separators for read, which would swallow an empty first column: cut instead.
while IFS= read -r row; do
  printf '%b\n' "$(printf '%s' "$row" | cut -f1)" >>"$work/in"
  printf '%b\n' "$(printf '%s' "$row" | cut -f2)" >>"$work/expected"
done <"$here/kscript_cases.tsv"

fail=0
# Each side runs in a fresh folder of its own: the cases write and read files there.
mkdir -p "$work/host" "$work/win"
(cd "$work/host" && "$host" <"$work/in" >"$work/host.out")
(cd "$work/win" && "$runner" "$win" <"$work/in" >"$work/win.out")
for side in host win; do
  if ! cmp -s "$work/expected" "$work/$side.out"; then
    echo "kscript ($side) differs from the expected answers:"
    diff "$work/expected" "$work/$side.out" | head -20
    fail=1
  fi
done

# Arguments run in one context too, and the exit code is the last failing status.
args=('a#=2.5' 'a#*2' 'b$="q"' '(1+')
expected_args=$'N:2.5\nN:5\nS:q\nE:129'
for side in host win; do
  if [ $side = host ]; then out=$("$host" "${args[@]}"); rc=$?; else out=$("$runner" "$win" "${args[@]}"); rc=$?; fi
  if [ "$out" != "$expected_args" ] || [ $rc -ne 129 ]; then
    echo "kscript ($side) with arguments: got rc=$rc"; echo "$out"
    fail=1
  fi
done
exit $fail
