#!/usr/bin/env bash
# The shipped systemd unit of the standalone server, as systemd itself reads it: unchanged, in a
# scratch root (/etc/systemd/system of it) where its ExecStart program exists and the system's own
# units (targets it orders after) are copied. Any word systemd-analyze says about the unit fails
# it, as does a hardening whose exposure level passes 2.0 ("OK" on its scale of 10).
#   deploy_unit.sh UNIT
set -uo pipefail
unit=$(readlink -f "$1")
name=$(basename "$unit")
command -v systemd-analyze >/dev/null || { echo "skip: systemd-analyze is not installed"; exit 0; }
system_units=$(pkg-config --variable=systemdsystemunitdir systemd 2>/dev/null || echo /usr/lib/systemd/system)
[ -d "$system_units" ] || system_units=/lib/systemd/system

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/etc/systemd/system" "$root/usr/lib/systemd"
cp "$unit" "$root/etc/systemd/system/$name"
cp -r "$system_units" "$root/usr/lib/systemd/system"
# The program named by ExecStart= (after its prefixes such as "-" or "!"), as an empty program.
program=$(sed -n 's/^ExecStart=[-@:+!]*\([^ ]*\).*/\1/p' "$unit" | head -1)
case "$program" in
  /*) ;;
  *) echo "FAIL: ExecStart= of $name names no absolute program: '$program'"; exit 1 ;;
esac
mkdir -p "$root$(dirname "$program")"
printf '#!/bin/sh\n' >"$root$program"
chmod 755 "$root$program"

fail=0
out=$(systemd-analyze verify --root="$root" --man=no "$name" 2>&1); rc=$?
# systemd-analyze says no more than a warning for a key it cannot read, and goes on: any line
# naming the unit is a fault in it.
if [ $rc != 0 ] || grep -q -F "$name" <<<"$out"; then
  echo "FAIL: systemd-analyze verify ($rc):"; echo "$out"; fail=1
fi
security=$(systemd-analyze security --offline=true --threshold=20 --root="$root" "$name" 2>&1); rc=$?
level=$(sed -n 's/.*Overall exposure level for .*: \([0-9.]*\).*/\1/p' <<<"$security")
if [ $rc != 0 ] || [ -z "$level" ]; then
  echo "FAIL: exposure level '${level:-none}' above 2.0 ($rc):"; grep '✗' <<<"$security"; fail=1
fi
[ $fail = 0 ] && echo "$name: systemd-analyze verify clean, exposure level $level"
exit $fail
