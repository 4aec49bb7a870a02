#!/usr/bin/env bash
# Fetch speed of the updater's HTTP client (Windows build, under Wine) against curl, on the same
# requests to the same local kelvane-server, one connection per file for both: 1000 files of
# 4 KiB, then one file of 64 MiB. Prints the time of each and the two ratios (client / curl), and
# beside the small files the time of a whole MODE:BATCH update of kelvaner.exe that brings the
# same 1000 files into an empty folder (list, comparison, transfers with their checks, backups,
# state record, log).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
server=${1:-$here/dist/kelvane-server}
client=${2:-$here/build/windows/fetch_bench.exe}
kelvaner=${3:-$here/build/windows/kelvaner.exe}
runner=$here/tools/wine-run
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$work/root/small" "$work/root/large" "$work/curl" "$work/client"
for i in $(seq -w 0 999); do head -c 4096 /dev/urandom >"$work/root/small/f$i.bin"; done
head -c $((64 * 1024 * 1024)) /dev/urandom >"$work/root/large/big.bin"

"$server" --listen 127.0.0.1:0 --root "$work/root" >"$work/server.out" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q 'listening on' "$work/server.out" && break; sleep 0.05; done
address=$(sed -n 's/.*listening on \([0-9.:]*\).*/\1/p' "$work/server.out")
[ -n "$address" ] || { echo "the server did not start"; cat "$work/server.out"; exit 1; }
base="http://$address/cgi-bin/updater?view=12&user=&passw="

for i in $(seq -w 0 999); do echo "$base&path=small/&downfile=f$i.bin"; done >"$work/small.txt"
echo "$base&path=large/&downfile=big.bin" >"$work/large.txt"

now() { date +%s.%N; }
# curl: every address on its own connection (the server closes each one), bodies to files.
curl_run() {
  local list=$1 t0 t1
  awk -v d="$work/curl" '{printf "url = \"%s\"\noutput = \"%s/c%d\"\n", $0, d, NR}' "$list" >"$work/curl.cfg"
  t0=$(now)
  curl -s --fail --no-keepalive -K "$work/curl.cfg"
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}
client_run() {
  local list=$1
  "$runner" "$client" "$(winepath -w "$list" 2>/dev/null || echo "Z:$list")" "Z:$(echo "$work/client" | tr / '\\')" | tr -d '\r'
}

# kelvaner.exe with a credentials file beside it (the folders are public: any user will do).
mkdir -p "$work/updater/wd"
cp "$kelvaner" "$work/updater/kelvaner.exe"
printf "USER\$='bench'\r\nPASSW\$='00'\r\n" >"$work/updater/Kelvane"
update_run() {
  local target=$work/updater/target$1 t0 t1
  mkdir -p "$target"
  t0=$(now)
  (cd "$work/updater/wd" && "$runner" "$work/updater/kelvaner.exe" /MODE:BATCH "/INPUT:'http://$address/small'" \
     "/OUTPUT:'Z:$(echo "$target" | tr / '\\')'" </dev/null >/dev/null 2>&1) || { echo "the update failed" >&2; exit 1; }
  t1=$(now)
  [ "$(ls "$target" | wc -l)" = 1000 ] || { echo "the update brought $(ls "$target" | wc -l) files" >&2; exit 1; }
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

# A first round of each warms the page cache and Wine.
curl_run "$work/small.txt" >/dev/null
client_run "$work/small.txt" >/dev/null
small_curl=$(curl_run "$work/small.txt")
small_client=$(client_run "$work/small.txt")
update_run 0 >/dev/null
small_update=$(update_run 1)
large_curl=$(curl_run "$work/large.txt")
large_client=$(client_run "$work/large.txt")

# Both sides received the same bytes.
cmp -s "$work/client/f0" "$work/curl/c1" || { echo "the client and curl received different bytes"; exit 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf 'small files (1000 x 4 KiB): client %.3f s, curl %.3f s, ratio %s (target 1.5)\n' \
  "$small_client" "$small_curl" "$(ratio "$small_client" "$small_curl")"
printf 'update (MODE:BATCH, the same 1000 new files into an empty folder): kelvaner.exe %.3f s, beside the fetch %.3f s\n' \
  "$small_update" "$small_client"
printf 'large file (64 MiB):        client %.3f s, curl %.3f s, ratio %s (target 1.2)\n' \
  "$large_client" "$large_curl" "$(ratio "$large_client" "$large_curl")"
