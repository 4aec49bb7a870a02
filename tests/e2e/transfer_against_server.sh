#!/usr/bin/env bash
# The updater's protocol code against the real kelvane-server over loopback HTTP: it publishes
# files of 0 bytes, 1025 bytes and 64 MiB plus a folder no test user may read, then runs the
# AgainstServer tests of the updater test program with KELVANE_TEST_SERVER pointing at it.
#   transfer_against_server.sh SERVER TESTPROGRAM
# A TESTPROGRAM ending in .exe runs under Wine (tools/wine-run).
set -uo pipefail

server=${1:?usage: transfer_against_server.sh SERVER TESTPROGRAM}
program=${2:?usage: transfer_against_server.sh SERVER TESTPROGRAM}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane_e2e_transfer.XXXXXX")
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The tests regenerate the same bytes: byte i is (i * 31 + 7) mod 256.
pattern() {
  perl -e 'my $n = shift; my $b = ""; for (my $i = 0; $i < 256; $i++) { $b .= chr(($i * 31 + 7) % 256) }
           my $full = $b x 4096; while ($n >= length $full) { print $full; $n -= length $full }
           print substr($b x (int($n / 256) + 1), 0, $n)' "$1"
}

mkdir -p "$work/root/pub/sub" "$work/root/priv"
: >"$work/root/pub/empty.bin"
pattern 1025 >"$work/root/pub/small.bin"
pattern $((64 * 1024 * 1024)) >"$work/root/pub/sub/big.bin"
printf 'secret' >"$work/root/priv/p.txt"
touch -d '2024-01-31 12:34:56' "$work/root/pub/empty.bin" "$work/root/pub/small.bin" "$work/root/pub/sub/big.bin"
[ "$(stat -c %s "$work/root/pub/sub/big.bin")" = 67108864 ] || { echo "FAIL: could not build the 64 MiB file"; exit 1; }
# "pub" is open to every request; "priv" belongs to a user the tests never name.
printf 'owner:n0t-y0urs:priv\n*::pub\n' >"$work/users.txt"

"$server" --listen 127.0.0.1:0 --root "$work/root" --users "$work/users.txt" >"$work/server.out" 2>&1 &
pid=$!
address=""
for _ in $(seq 1 100); do
  address=$(sed -n 's/^listening on \([0-9.]*:[0-9]*\).*/\1/p' "$work/server.out" | head -n 1)
  [ -n "$address" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$address" ]; then
  echo "FAIL: the server did not start"; cat "$work/server.out"; exit 1
fi

export KELVANE_TEST_SERVER="http://$address"
export WINEDEBUG=-all
# Wine hands the variable on to the Windows program.
case "$program" in
  *.exe) timeout 600 "$here/../../tools/wine-run" "$program" --gtest_filter='AgainstServer*' ;;
  *)     timeout 600 "$program" --gtest_filter='AgainstServer*' ;;
esac
rc=$?
if [ $rc -ne 0 ]; then
  echo "FAIL: the transfer tests ended with $rc; server output:"; cat "$work/server.out"
fi
exit $rc
