#!/usr/bin/env bash
# Fetch speed of the updater's HTTP client (Windows build, under Wine) against two peers on the
# same requests to the same local kelvane-server, one connection per file for all: the floor (a
# bare Winsock program under the same Wine) and curl on the host. 1000 files of 4 KiB, then one
# file of 64 MiB; five rounds, the peers taking turns, the medians and the ratios printed. Beside the small
# files, the time of a whole MODE:BATCH update of kelvaner.exe that brings the same 1000 files
# into an empty folder (list, comparison, transfers with their checks, backups, state record, log),
# and the same update of the same files signed by their publisher, checked by a key beside the
# updater (manifest, list and every staged file's SHA-256).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
server=${1:-$here/dist/kelvane-server}
client=${2:-$here/build/windows/fetch_bench.exe}
floor=${3:-$here/build/windows/fetch_floor.exe}
kelvaner=${4:-$here/build/windows/kelvaner.exe}
runner=$here/tools/wine-run
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$work/root/small" "$work/root/large" "$work/curl" "$work/client" "$work/floor"
for i in $(seq -w 0 999); do head -c 4096 /dev/urandom >"$work/root/small/f$i.bin"; done
head -c $((64 * 1024 * 1024)) /dev/urandom >"$work/root/large/big.bin"
cp -a "$work/root/small" "$work/root/signed"
"$server" keygen --key "$work/key.pem" >/dev/null
"$server" sign --key "$work/key.pem" "$work/root/signed" >/dev/null

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
wine_run() {
  local program=$1 list=$2 out=$3
  "$runner" "$program" "$(winepath -w "$list" 2>/dev/null || echo "Z:$list")" "Z:$(echo "$out" | tr / '\\')" | tr -d '\r'
}
# Each round writes into an emptied folder, so that both create every file anew.
client_run() { rm -rf "$work/client"; mkdir -p "$work/client"; wine_run "$client" "$1" "$work/client"; }
floor_run() { rm -rf "$work/floor"; mkdir -p "$work/floor"; wine_run "$floor" "$1" "$work/floor"; }
# Rounds of the peers take turns, so that a change in the machine's load falls on all of them
# alike; each peer's median is printed. rounds LIST CMD...: sets t_<cmd> for each command.
ROUNDS=${ROUNDS:-5}
median() { sort -g | sed -n "$(( (ROUNDS + 1) / 2 ))p"; }
rounds() {
  local list=$1 cmd r
  shift
  for cmd in "$@"; do : >"$work/t_$cmd"; done
  for r in $(seq "$ROUNDS"); do
    for cmd in "$@"; do "$cmd" "$list" >>"$work/t_$cmd"; echo >>"$work/t_$cmd"; done
  done
}
taken() { grep . "$work/t_$1" | median; }

# kelvaner.exe with a credentials file beside it (the folders are public: any user will do); the
# signed folder's updater has the publisher's key beside it as well.
for u in updater signed_updater; do
  mkdir -p "$work/$u/wd"
  cp "$kelvaner" "$work/$u/kelvaner.exe"
  printf "USER\$='bench'\r\nPASSW\$='00'\r\n" >"$work/$u/Kelvane"
done
cp "$work/key.pem.pub" "$work/signed_updater/Kelvane.pub"
update_run() { update_from updater small; }
signed_update_run() { update_from signed_updater signed; }
update_from() {  # update_from UPDATER_FOLDER PUBLISHED_FOLDER
  local target t0 t1
  target=$(mktemp -d "$work/$1/target.XXXXXX")
  # The update flushes every file it stages: what the peers before it left unwritten must not be
  # flushed on its time.
  sync
  t0=$(now)
  (cd "$work/$1/wd" && "$runner" "$work/$1/kelvaner.exe" /MODE:BATCH "/INPUT:'http://$address/$2'" \
     "/OUTPUT:'Z:$(echo "$target" | tr / '\\')'" </dev/null >/dev/null 2>&1) || { echo "the update of $2 failed" >&2; exit 1; }
  t1=$(now)
  [ "$(ls "$target" | wc -l)" = 1000 ] || { echo "the update brought $(ls "$target" | wc -l) files" >&2; exit 1; }
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

# A first round of each warms the page cache and Wine.
curl_run "$work/small.txt" >/dev/null
client_run "$work/small.txt" >/dev/null
floor_run "$work/small.txt" >/dev/null
update_run >/dev/null
signed_update_run >/dev/null
rounds "$work/small.txt" floor_run client_run curl_run update_run signed_update_run
small_floor=$(taken floor_run) small_client=$(taken client_run) small_curl=$(taken curl_run)
small_update=$(taken update_run) signed_update=$(taken signed_update_run)
rounds "$work/large.txt" floor_run client_run curl_run
large_floor=$(taken floor_run) large_client=$(taken client_run) large_curl=$(taken curl_run)

# Both sides received the same bytes.
cmp -s "$work/client/f0" "$work/curl/c1" || { echo "the client and curl received different bytes"; exit 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "medians of $ROUNDS rounds, the peers taking turns"
printf 'small files (1000 x 4 KiB): client %.3f s, floor %.3f s, curl %.3f s; client/floor %s (target 1.25), client/curl %s\n' \
  "$small_client" "$small_floor" "$small_curl" "$(ratio "$small_client" "$small_floor")" "$(ratio "$small_client" "$small_curl")"
printf 'update (MODE:BATCH, the same 1000 new files into an empty folder, staged then put in place at once): kelvaner.exe %.3f s; over the floor %s (target 2), over the fetch %s\n' \
  "$small_update" "$(ratio "$small_update" "$small_floor")" "$(ratio "$small_update" "$small_client")"
printf 'signed update (the same files with their manifest, checked by the key beside the updater): %.3f s; over the unsigned %s (target 1.1)\n' \
  "$signed_update" "$(ratio "$signed_update" "$small_update")"
# The staging's room: every staged file stands beside the file it replaces until the commit.
staged=$(grep -a 'bytes staged beside the old ones' "$work/updater/wd/UPlog.txt" | tail -n 1 | sed -n 's/.*place at once, \([0-9]*\) bytes.*/\1/p')
printf 'staging: %s bytes beside the folder at the peak of each update (the new files before the old ones go)\n' "${staged:-?}"
printf 'large file (64 MiB):        client %.3f s, floor %.3f s, curl %.3f s; client/curl %s (target 1.15), client/floor %s\n' \
  "$large_client" "$large_floor" "$large_curl" "$(ratio "$large_client" "$large_curl")" "$(ratio "$large_client" "$large_floor")"
